# The Debian package (scripts/package): the program, its description text, icon, menu entry
# and AppStream metainfo, with the libraries it needs found by dpkg-shlibdeps.
# Installing (and so packaging) needs the program only, not every test and benchmark.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME acumulapedidos)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Equipo de acumulapedidos <acumulapedidos@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Acumula, exporta e importa pedidos de venta entre empresas")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Programa de escritorio para negocios que guardan sus ventas en MySQL o MariaDB, una base\n\
de datos por empresa: acumula los pedidos pendientes de las demás empresas en la actual,\n\
exporta los pedidos marcados a un archivo de traspaso e importa ese archivo en otra empresa.")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's Spanish, for the file dialog and the standard buttons; the SVG icon drawn in the
# windows.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, libqt6svg6")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
