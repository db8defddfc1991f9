# The Debian package: what `cmake --install` puts under a prefix, installed under /usr.
# Build it in the build directory with `cpack -G DEB`.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vemora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vemora developers")
set(CPACK_PACKAGE_CONTACT "Vemora developers <vemora@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "plots a text file of numbers as a chart")
# Debian wants the lines of the description within 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "Vemora reads a text file of decimal numbers as (X, Y) pairs and draws\n"
    "them one at a time as red 3D boxes on a chart with automatic axes,\n"
    "labels, grid and a gradient background, paced by a speed scroll bar.\n"
    "The finished chart can be zoomed and panned with the mouse, saved as\n"
    "PNG, SVG or PDF, and printed. A sample data file comes with it.\n"
    ".\n"
    "The headless tool vemora-plot reads, renders and replays the same\n"
    "charts without a display.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The modes Debian's policy gives the control files, whatever the build's umask.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the program links come from dpkg-shlibdeps; what Qt loads at run time
# does not show in the program: the platform plugins, and fontconfig with a font for the
# chart's text.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fontconfig, fonts-liberation2")

include(CPack)
