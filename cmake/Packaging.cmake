# Installs Quenzo the way a Debian desktop expects a program and lets CPack wrap that
# tree into a .deb. The program keeps to one folder under /opt, with the feedback
# pictures beside it (it looks for them in its own directory); /usr carries only what
# points at it: the command, the menu entry, the icons and the AppStream data.
#
# Install destinations are relative to the prefix, which is the root of the tree:
#   cmake --install <build> --prefix <dir>   stages the whole tree below <dir>
#   cpack (in <build>)                         packs it into quenzo_<version>_<arch>.deb

# On Windows the program, its pictures and (added by scripts/windows) its DLLs share one
# folder, which the zip holds and the installer copies.
if(WIN32)
    set(QUENZO_INSTALL_APPDIR ".")
    return()
endif()

if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
    set(CMAKE_INSTALL_PREFIX "/" CACHE PATH "Root of the installed tree" FORCE)
endif()

# The program needs only the system's libraries; qt_standard_project_setup() would
# have it search $ORIGIN/../lib, which under /opt is /opt/lib, first.
set(CMAKE_SKIP_INSTALL_RPATH ON)

set(QUENZO_APP_ID "org.quenzo.quenzo")
set(QUENZO_INSTALL_APPDIR "opt/quenzo")
set(QUENZO_RELEASE_DATE "2026-12-06")

set(_src "${PROJECT_SOURCE_DIR}")
set(_gen "${PROJECT_BINARY_DIR}/packaging")

# A relative link keeps a staged tree whole: it works below any prefix.
file(MAKE_DIRECTORY "${_gen}/bin")
file(CREATE_LINK "../../${QUENZO_INSTALL_APPDIR}/quenzo" "${_gen}/bin/quenzo" SYMBOLIC)
install(FILES "${_gen}/bin/quenzo" DESTINATION usr/bin)

install(FILES "${_src}/packaging/${QUENZO_APP_ID}.desktop" DESTINATION usr/share/applications)
configure_file("${_src}/packaging/${QUENZO_APP_ID}.metainfo.xml.in"
               "${_gen}/${QUENZO_APP_ID}.metainfo.xml" @ONLY)
install(FILES "${_gen}/${QUENZO_APP_ID}.metainfo.xml" DESTINATION usr/share/metainfo)

foreach(size 16 32 48 64 128)
    install(FILES "${_src}/assets/icon/quenzo-${size}.png"
            DESTINATION "usr/share/icons/hicolor/${size}x${size}/apps" RENAME "${QUENZO_APP_ID}.png")
endforeach()
install(FILES "${_src}/assets/icon/quenzo.svg"
        DESTINATION usr/share/icons/hicolor/scalable/apps RENAME "${QUENZO_APP_ID}.svg")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quenzo)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Quenzo maintainers <maintainers@quenzo.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "addition and subtraction drill within 20 for children")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Quenzo shows one sum or difference at a time, judges the child's answer as\n"
    "soon as it has enough digits and counts the right ones. A paced and a free\n"
    "test report a rate in right answers per minute; a small MP3 player plays\n"
    "music beside the drill. The program speaks Simplified Chinese.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Found at run time, not linked: the Chinese fonts the captions ask for, Qt's own
# Chinese translations and the platform plugins that show a window.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-arphic-uming, fonts-arphic-ukai, fonts-wqy-zenhei, qt6-translations-l10n, qt6-qpa-plugins")
include(CPack)
