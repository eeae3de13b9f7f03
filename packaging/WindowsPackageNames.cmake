# Read by cpack for each generator (CPACK_PROJECT_CONFIG_FILE, packaging/Windows.cmake): the
# installer is orb42-update-<version>-setup.exe, the portable archive
# orb42-update-<version>-win64.zip.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}-setup")
else()
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}-win64")
endif()
