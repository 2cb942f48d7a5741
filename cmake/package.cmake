# The Debian package, built by scripts/package (cpack -G DEB) from an existing
# build folder. It holds what `cmake --install` puts under /usr.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velkaro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${VELKARO_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Installed programs carry no debugging sections.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "station for variable-frequency motor drives on an RS-485 bus")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Velkaro is the only Modbus RTU master on an RS-485 bus of motor drives
(inverters) of the series QD10, QD20, QD30 and QD40. It finds and identifies
up to 32 drives, polls their status every 100 ms, runs, stops and jogs them,
changes and backs up their parameters, and logs their running values into an
ODBC database (SQLite, or a shared PostgreSQL server).
.
The package holds the station window (velkaro), its console link for
headless machines and scripts (velkaro-bus, also a logger service that
publishes the drives' states to an MQTT broker), the run-record export and
event list on a console (velkaro-records) and a drive simulator for
training and tests (velkaro-sim).")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VELKARO_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Depends: the shared libraries the programs link (libmosquitto1 for the
# logger's MQTT among them), found by dpkg-shlibdeps,
# and what the station loads at run time, which no link shows: SOCI's ODBC
# backend (opened by name), Qt's SVG plugins for the icons, the ODBC tools and
# the SQLite ODBC driver for the embedded run records, a Chinese font, and Qt's
# own catalogues (the standard dialogs' texts in Chinese).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libsoci-odbc4.0, libqt6svg6, unixodbc, libsqliteodbc, fonts-wqy-zenhei | fonts-noto-cjk, qt6-translations-l10n")
# A shared run-record database on a PostgreSQL server goes through its driver.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS odbc-postgresql)

include(CPack)
