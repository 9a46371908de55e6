# Installation (cmake --install build --prefix P) and the Debian package (cpack -G DEB).
#
# P/bin/pelko is the command; the tray program lives in P/lib/pelko/ and the read-only data
# (help, skins, images) in P/share/pelko/, where the command finds them from its own place.
# The user's settings go to $XDG_CONFIG_HOME/pelko/ (see locateProgram).

set(PELKO_DIST ${PROJECT_SOURCE_DIR}/dist)

# Compressed for installation, as Debian wants manual pages and changelogs (a package of
# its own, so the changelog is changelog.gz).
find_program(PELKO_GZIP gzip REQUIRED)
set(PELKO_DIST_BUILD ${CMAKE_BINARY_DIR}/dist)
add_custom_command(OUTPUT ${PELKO_DIST_BUILD}/pelko.1.gz ${PELKO_DIST_BUILD}/changelog.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PELKO_DIST_BUILD}
    COMMAND ${PELKO_GZIP} -9nc ${PELKO_DIST}/pelko.1 > ${PELKO_DIST_BUILD}/pelko.1.gz
    COMMAND ${PELKO_GZIP} -9nc ${PELKO_DIST}/changelog > ${PELKO_DIST_BUILD}/changelog.gz
    DEPENDS ${PELKO_DIST}/pelko.1 ${PELKO_DIST}/changelog
    COMMENT "Compressing the manual page and the changelog")
add_custom_target(pelko_dist_files ALL
    DEPENDS ${PELKO_DIST_BUILD}/pelko.1.gz ${PELKO_DIST_BUILD}/changelog.gz)

install(TARGETS pelko RUNTIME DESTINATION bin)
install(TARGETS pelko-tray RUNTIME DESTINATION lib/pelko)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/ DESTINATION share/pelko)
install(FILES ${PELKO_DIST}/io.github.pelko.Pelko.desktop DESTINATION share/applications)
install(FILES ${PELKO_DIST}/io.github.pelko.Pelko.metainfo.xml DESTINATION share/metainfo)
install(FILES ${PELKO_DIST}/pelko.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${PELKO_DIST}/pelko-48.png DESTINATION share/icons/hicolor/48x48/apps
    RENAME pelko.png)
install(FILES ${PELKO_DIST}/pelko-256.png DESTINATION share/icons/hicolor/256x256/apps
    RENAME pelko.png)
install(FILES ${PELKO_DIST_BUILD}/pelko.1.gz DESTINATION share/man/man1)
install(FILES ${PELKO_DIST}/copyright ${PELKO_DIST_BUILD}/changelog.gz
    DESTINATION share/doc/pelko)

set(CPACK_PACKAGE_NAME pelko)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Pelko developers <pelko@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screen capture from the tray and the command line")
set(CPACK_PACKAGE_DESCRIPTION
    "Pelko lives in the system tray of an X11 or Wayland desktop, reacts to global\n"
    "hotkeys and captures the whole screen, the active window, a fixed region or an\n"
    "area you drag out, then hands the picture to image files, the clipboard, a\n"
    "paint program, an FTP upload window, e-mail or its own editor. The pelko\n"
    "command captures from scripts.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at the first upload, so not among the libraries the binaries link.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
