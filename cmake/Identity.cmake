# Who Nimbrel is to the desktop, software centres and package tools, each set once here.
#
# NIMBREL_APP_ID names the menu entry (<id>.desktop), the icon (<id>.png, <id>.svg), the
# AppStream metainfo (<id>.metainfo.xml) and the program's windows on Wayland. AppStream ids never
# change once published: settle it before a first release. The domain is a placeholder.
set(NIMBREL_APP_ID "org.example.nimbrel" CACHE STRING "The reverse-DNS id of the desktop program")
set(NIMBREL_HOMEPAGE "https://nimbrel.example.org" CACHE STRING "The project's web address")
# Software centres fetch the screenshots from here, where the repository's docs/ is published.
set(NIMBREL_SCREENSHOTS_URL "${NIMBREL_HOMEPAGE}/docs" CACHE STRING "Where docs/ is published")
set(NIMBREL_MAINTAINER "Nimbrel team <team@nimbrel.example.org>"
    CACHE STRING "The package's maintainer, name and mail address")
# The Debian revision of the package made from this version (its changelog names it too).
set(NIMBREL_PACKAGE_RELEASE 1)
set(NIMBREL_COPYRIGHT_YEARS "2026")
set(NIMBREL_COPYRIGHT_HOLDER "The Nimbrel team")

# Where the program's private parts are installed, relative to the prefix. The help viewer is a
# shared object: it goes to the architecture's library folder (lib/<triplet>/nimbrel on Debian),
# where private libraries belong and where no ldconfig run is needed. Private executables and
# scripts go to lib/nimbrel.
include(GNUInstallDirs)
if(CMAKE_LIBRARY_ARCHITECTURE)
    set(NIMBREL_MODULE_DIR "lib/${CMAKE_LIBRARY_ARCHITECTURE}/nimbrel")
else()
    set(NIMBREL_MODULE_DIR "lib/nimbrel")
endif()
set(NIMBREL_PRIVATE_DIR "lib/nimbrel")
