# Programs hardened as Debian hardens its packages (the flags dpkg-buildflags gives with
# hardening=+all; the compiler makes position-independent executables by itself), and built
# free of the folders they were built in, so that two builds of one commit, wherever they ran,
# give the same programs.
if(NOT NIMBREL_SANITIZE AND NOT NIMBREL_BUILD_FUZZ)
    add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
    # The checked string and memory functions need the optimiser: not in the Debug build.
    add_compile_options("$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
    add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()
# Names in the programs (debug information, __FILE__) are read from the source folder as "."
# and from the build folder as "build" (the folder itself) or without it (what lies in it); the
# build folder may lie inside the source folder, so its mappings come later and win. A compiler
# cache (ccache's base_dir) may hand the compiler paths relative to the build folder instead:
# they come out the same.
file(RELATIVE_PATH SOURCE_FROM_BUILD ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR})
string(REGEX REPLACE "/$" "" SOURCE_FROM_BUILD "${SOURCE_FROM_BUILD}")
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.
                    -ffile-prefix-map=${CMAKE_BINARY_DIR}=build
                    -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
if(SOURCE_FROM_BUILD)
    add_compile_options(-ffile-prefix-map=${SOURCE_FROM_BUILD}=.)
endif()
