# The Debian package: `cmake --build --preset native --target package` makes
# tavorinex_<version>-1_<arch>.deb, its dependencies computed from the programs by
# dpkg-shlibdeps, with the copyright file and the Debian changelog Debian's policy asks for
# (tools/test.sh runs lintian on it, installs it with apt-get and removes it again).
set(TAVORINEX_DEB_MAINTAINER "Tavorinex developers <tavorinex@example.org>" CACHE STRING
    "The Maintainer field of the Debian package")

configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in
               ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.Debian @ONLY)
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.Debian.gz
                   COMMAND gzip -9n < ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.Debian
                           > ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.Debian.gz
                   DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.Debian VERBATIM)
add_custom_target(debian_files ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.Debian.gz)
# The licence goes with every install; what only a Debian package has, only into the package.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavorinex)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavorinex COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME tavorinex
        COMPONENT debian EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL Unspecified debian)
set(CPACK_PACKAGE_NAME tavorinex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TAVORINEX_DEB_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xscreensaver)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS swayidle)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "box bouncing across the screen, as a screen saver")
# The summary becomes the description's first line, the text below it the rest, each line with
# a space in front and a full stop between the paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A square box travels diagonally across a black screen and bounces off the
edges with a new random speed, leaving a solid trail of outlined boxes whose
colour fades from one random colour to the next. Every so often the screen
is wiped: coloured stripes on every second row, then two black fans sweeping
in from opposite corners.

This package holds the XScreenSaver hack, which draws exactly what the
Windows screen saver tavorinex.scr draws, with the sliders of its settings
window in xscreensaver-settings, the tavorinex command, which renders
the saver into PNG and GIF files and shows what a settings file loads as,
and tavorinex-wayland, the same saver on every output of a Wayland
compositor, for an idle daemon such as swayidle to start.")
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
