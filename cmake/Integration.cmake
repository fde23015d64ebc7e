# What a Linux system expects beside the programs: manual pages, a systemd user timer and bash
# completion for nimbrel-digest and, with the desktop program, the AppStream metainfo. Everything
# goes under share/ of the prefix, where man, systemd, bash-completion and software centres look
# for /usr, /usr/local and ~/.local alike, so `cmake --install --prefix ~/.local` works too.
include(GNUInstallDirs)

set(PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(GENERATED_DIR ${CMAKE_BINARY_DIR}/packaging)

# ---- manual pages: the roff we keep, with the version filled in, compressed as Debian wants -----
set(MAN_PAGES nimbrel-digest)
if(NIMBREL_BUILD_GUI)
    list(APPEND MAN_PAGES nimbrel nimbrel-launch) # the launcher's page is the program's
endif()
set(COMPRESSED_MAN_PAGES)
foreach(page ${MAN_PAGES})
    set(roff ${GENERATED_DIR}/man/${page}.1)
    configure_file(${PACKAGING_DIR}/man/${page}.1.in ${roff} @ONLY)
    add_custom_command(OUTPUT ${roff}.gz
        COMMAND gzip -9 -n -k -f ${roff}
        DEPENDS ${roff}
        VERBATIM)
    list(APPEND COMPRESSED_MAN_PAGES ${roff}.gz)
endforeach()
add_custom_target(nimbrel_manpages ALL DEPENDS ${COMPRESSED_MAN_PAGES})
install(FILES ${COMPRESSED_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# ---- systemd user service and timer ------------------------------------------------------------
# The service names nimbrel-digest by its full path, which is known only when installing (the
# prefix may be given then), so it is written straight into place at install time.
install(CODE "
    set(NIMBREL_DIGEST \"\${CMAKE_INSTALL_PREFIX}/bin/nimbrel-digest\")
    set(unit \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/systemd/user/nimbrel-digest.service\")
    message(STATUS \"Installing: \${unit}\")
    configure_file(\"${PACKAGING_DIR}/systemd/nimbrel-digest.service.in\" \"\${unit}\" @ONLY)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${unit}\")
")
install(FILES ${PACKAGING_DIR}/systemd/nimbrel-digest.timer
        DESTINATION ${CMAKE_INSTALL_DATADIR}/systemd/user)

# ---- bash completion -------------------------------------------------------------------------
install(FILES ${PACKAGING_DIR}/completion/nimbrel-digest
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# ---- AppStream metainfo of the desktop program -----------------------------------------------
if(NIMBREL_BUILD_GUI)
    set(metainfo ${GENERATED_DIR}/${NIMBREL_APP_ID}.metainfo.xml)
    configure_file(${PACKAGING_DIR}/nimbrel.metainfo.xml.in ${metainfo} @ONLY)
    install(FILES ${metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# ---- licence and changes: the DEP-5 copyright file, the changes for people, the package's own --
set(DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/nimbrel)
configure_file(${PACKAGING_DIR}/debian/copyright.in ${GENERATED_DIR}/copyright @ONLY)
configure_file(${PACKAGING_DIR}/debian/changelog.in ${GENERATED_DIR}/changelog.Debian @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/CHANGELOG.md ${GENERATED_DIR}/changelog COPYONLY)
set(COMPRESSED_CHANGELOGS)
foreach(changelog changelog changelog.Debian)
    add_custom_command(OUTPUT ${GENERATED_DIR}/${changelog}.gz
        COMMAND gzip -9 -n -k -f ${GENERATED_DIR}/${changelog}
        DEPENDS ${GENERATED_DIR}/${changelog}
        VERBATIM)
    list(APPEND COMPRESSED_CHANGELOGS ${GENERATED_DIR}/${changelog}.gz)
endforeach()
add_custom_target(nimbrel_changelogs ALL DEPENDS ${COMPRESSED_CHANGELOGS})
install(FILES ${GENERATED_DIR}/copyright ${COMPRESSED_CHANGELOGS} DESTINATION ${DOC_DIR})
install(FILES ${PACKAGING_DIR}/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME nimbrel)
