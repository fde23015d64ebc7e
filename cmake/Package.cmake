# `make package` (the `package` target): a Debian package of exactly what `cmake --install` puts
# under /usr. Library dependencies come from the linked libraries (dpkg-shlibdeps); the ones
# below are loaded at run time, where shlibdeps cannot see them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nimbrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${NIMBREL_MAINTAINER})
set(CPACK_PACKAGE_VENDOR "The Nimbrel team")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "gathers chosen web pages into one digest page")
# Debian wants the long description in lines of less than 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "Nimbrel downloads the web pages you follow every 15 minutes, cuts the
wanted pieces out of each one by the site's own rules, cleans them, turns
each into a block with the site's stylesheet and lays the blocks side by
side in one digest page that opens in the web browser. Between downloads
it waits in the system tray. A setup wizard and a library of known sites
help choose what to follow.
.
nimbrel-digest runs the same download cycle without a screen, from a
systemd user timer (nimbrel-digest.timer), cron or scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${NIMBREL_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${NIMBREL_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Both programs open the digest page with xdg-open; the help viewer reads the compiled help
# through Qt's SQLite driver, a plug-in.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils")
if(NIMBREL_BUILD_GUI)
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libqt6sql6-sqlite")
endif()

include(CPack)
