# The Debian package: cpack -G DEB in the build folder makes
# kelvane_<version>_amd64.deb from the install rules of the subfolders.
include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME kelvane)
set(CPACK_PACKAGE_VENDOR Tarrow)
set(CPACK_PACKAGE_CONTACT "Tarrow <kelvane@tarrow.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop client for amateur-radio DX clusters")
set(CPACK_PACKAGE_DESCRIPTION
"Kelvane logs in to one DX cluster node, a telnet text server on which
amateur-radio operators post spots of distant stations, and shows the live
spots newest first, each with the country of the spotted station. Band
buttons, filters and alerts (row colours, sounds, icons, tray messages)
choose and mark the spots; a double click tunes the transceiver through
Hamlib's rigctld. A demo mode runs its own node on loopback.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.tarrow.example/kelvane")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Debug information stays in the build; the package gets stripped files.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Neither comes from the linked libraries: the SQLite driver is a Qt plug-in
# and the country file is data.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, hamradio-files")
# The map draws a plain sea without the Earth pictures.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libhamlib-utils, xplanet-images")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_GENERATOR DEB)
include(CPack)
