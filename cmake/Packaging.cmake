# The Debian package: `cpack -G DEB` in the build directory.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestal)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Kestal)
set(CPACK_PACKAGE_CONTACT "Kestal maintainers <kestal@example.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop client of a radiation monitoring installation")
set(CPACK_PACKAGE_DESCRIPTION
  "Kestal keeps one connection to the data server of a radiation monitoring\n"
  "installation, stores the dose rates of its area monitors and patrol\n"
  "dosimeters in SQLite, shows them live with alarms, and draws history\n"
  "charts and monthly reports (also from the command line, kestal-report).")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

# Library dependencies come from the programs' own links (dpkg-shlibdeps), so
# no list has to follow the code. What no link shows are the plugins Qt loads
# at run time: the SQLite driver, and the multimedia back ends the alarm sound
# plays through (for as long as the program links Qt Multimedia); nor the
# translations of Qt's own texts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(runtime_plugins libqt5sql5-sqlite)
if(TARGET Qt5::Multimedia)
  list(APPEND runtime_plugins libqt5multimedia5-plugins)
endif()
# Qt's own dialogs and buttons in Chinese are read from Qt's translations.
list(APPEND runtime_plugins qttranslations5-l10n)
string(REPLACE ";" ", " CPACK_DEBIAN_PACKAGE_DEPENDS "${runtime_plugins}")
# The Chinese translation needs a font with its glyphs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-noto-cjk)

# Makes the service's account; the service itself is left for the site to enable.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/resources/systemd/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
