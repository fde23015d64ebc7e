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
set_target_properties(nimbrel_gui PROPERTIES AUTOMOC ON AUTORCC ON)
target_link_libraries(nimbrel_gui PUBLIC nimbrel_core Qt6::Widgets)

add_executable(nimbrel ${CMAKE_SOURCE_DIR}/src/app/gui/Nimbrel.cpp)
target_link_libraries(nimbrel PRIVATE nimbrel_gui)
add_dependencies(nimbrel nimbrel-worker)
install(TARGETS nimbrel RUNTIME DESTINATION bin)

if(EXISTS ${CMAKE_SOURCE_DIR}/src/helpviewer/CMakeLists.txt)
    add_subdirectory(${CMAKE_SOURCE_DIR}/src/helpviewer)
endif()

# ---- desktop integration ----------------------------------------------------------------------
# `cmake --install` puts the program, its help viewer (lib/nimbrel, where the program looks for
# it), a copy of the shipped program folder, a launcher that prepares the user's own program
# folder under $XDG_DATA_HOME/nimbrel and starts the program there, the menu entry and the icon.
include(GNUInstallDirs)
install(PROGRAMS ${CMAKE_SOURCE_DIR}/packaging/nimbrel-launch DESTINATION bin)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/nimbrel/program-folder)
if(DEFINED NIMBREL_HELP_FILE)
    install(FILES ${NIMBREL_HELP_FILE}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/nimbrel/program-folder)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/packaging/nimbrel.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/src/app/gui/resources/nimbrel.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
install(FILES ${CMAKE_SOURCE_DIR}/src/app/gui/resources/nimbrel.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
