# The desktop program: windows (nimbrel_gui), the entry (nimbrel) and the help viewer module.
set(GUI_DIRS app/gui library/gui wizard)
set(GUI_SOURCES)
foreach(dir ${GUI_DIRS})
    file(GLOB dir_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${dir}/*.cpp
                                            ${CMAKE_SOURCE_DIR}/src/${dir}/*.h)
    list(APPEND GUI_SOURCES ${dir_sources})
endforeach()
list(FILTER GUI_SOURCES EXCLUDE REGEX "/src/app/gui/Nimbrel\\.cpp$")
file(GLOB GUI_RESOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/app/gui/*.qrc)

add_library(nimbrel_gui STATIC ${GUI_SOURCES} ${GUI_RESOURCES})
set_target_properties(nimbrel_gui PROPERTIES AUTOMOC ON AUTORCC ON
    # Resources without file times, so that the program does not depend on when its pictures
    # were checked out: two builds of one commit give the same program.
    AUTORCC_OPTIONS "--format-version;1")
target_link_libraries(nimbrel_gui PUBLIC nimbrel_core Qt6::Widgets Qt6::Network)

add_executable(nimbrel ${CMAKE_SOURCE_DIR}/src/app/gui/Nimbrel.cpp)
target_link_libraries(nimbrel PRIVATE nimbrel_gui)
add_dependencies(nimbrel nimbrel-worker)
install(TARGETS nimbrel RUNTIME DESTINATION bin)

if(EXISTS ${CMAKE_SOURCE_DIR}/src/helpviewer/CMakeLists.txt)
    add_subdirectory(${CMAKE_SOURCE_DIR}/src/helpviewer)
endif()

# The menu entry's id names the program's windows on Wayland, so the desktop matches them to it.
target_compile_definitions(nimbrel PRIVATE NIMBREL_APP_ID="${NIMBREL_APP_ID}")

# ---- desktop integration ----------------------------------------------------------------------
# `cmake --install` puts the program, its help viewer (NIMBREL_MODULE_DIR, where the program looks
# for it), a copy of the shipped program folder, the launcher that lays out the user's own
# program folder under $XDG_DATA_HOME/nimbrel (and brings it up to date) and starts the program
# there, the menu entry and the icon, both named by the program's id.
set(GENERATED_DIR ${CMAKE_BINARY_DIR}/packaging)
configure_file(${CMAKE_SOURCE_DIR}/packaging/nimbrel-launch.in ${GENERATED_DIR}/nimbrel-launch @ONLY)
install(PROGRAMS ${GENERATED_DIR}/nimbrel-launch DESTINATION bin)
install(PROGRAMS ${CMAKE_SOURCE_DIR}/packaging/update-program-folder
        DESTINATION ${NIMBREL_PRIVATE_DIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/nimbrel/program-folder)
if(DEFINED NIMBREL_HELP_FILE)
    install(FILES ${NIMBREL_HELP_FILE}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/nimbrel/program-folder)
endif()
configure_file(${CMAKE_SOURCE_DIR}/packaging/nimbrel.desktop.in
               ${GENERATED_DIR}/${NIMBREL_APP_ID}.desktop @ONLY)
install(FILES ${GENERATED_DIR}/${NIMBREL_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/src/app/gui/resources/nimbrel.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps
        RENAME ${NIMBREL_APP_ID}.png)
install(FILES ${CMAKE_SOURCE_DIR}/src/app/gui/resources/nimbrel.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${NIMBREL_APP_ID}.svg)
