# A Debian package of what the install rules put in place: `cpack -G DEB`
# (or plain `cpack`) in a Release build folder. Its dependencies come from
# the programs themselves (dpkg-shlibdeps), so installing it brings Qt.
set(CPACK_PACKAGE_NAME marklift)
set(CPACK_PACKAGE_VENDOR "Marklift developers")
set(CPACK_PACKAGE_CONTACT "Marklift developers <dev@marklift.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "prepare Banner upload files from ZOLT placement tests")
set(CPACK_PACKAGE_DESCRIPTION
    "Marklift reads the placement, assessment and score results that the ZOLT
placement-testing product keeps in xBase tables, without changing them, and
writes the upload file that the Banner student information system loads, in
a fixed-column, pipe, comma or tab layout.

The package holds the desktop program (marklift), the unattended
preparation for scheduled jobs (marklift-prepare), a tool to look inside
xBase tables (xbtool) and a writer of demo data (marklift-demo-data).")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The package's change log has an entry for every version it is made at: a
# new version in project() needs its entry in packaging/debian/changelog.
file(STRINGS ${CMAKE_SOURCE_DIR}/packaging/debian/changelog latest_entry LIMIT_COUNT 1)
set(package_version "${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}")
if(NOT latest_entry MATCHES "^marklift \\(${package_version}\\) ")
  message(FATAL_ERROR "packaging/debian/changelog has no entry for ${package_version} at its top")
endif()
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(CPACK_GENERATOR DEB)
endif()

include(CPack)
