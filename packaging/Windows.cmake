# The Windows packages, made on Linux in the cross build: `cpack` in build-windows (or
# scripts/build-windows --package) runs CPack's NSIS generator with Debian's makensis for the
# installer orb42-update-1.5.2.5-setup.exe, and the ZIP generator for the portable
# orb42-update-1.5.2.5-win64.zip. The installer puts the program in Program Files\orb42-update,
# a Start-menu shortcut "ORB42 firmware update" and an uninstaller, which removes all of it and
# the registry entries. The bench updater orb42-flash.exe goes beside the wizard (no shortcut: it
# is a console program, run from a command prompt in that folder).
install(TARGETS orb42-update RUNTIME DESTINATION .)
if(TARGET orb42-flash)
  install(TARGETS orb42-flash RUNTIME DESTINATION .)
endif()

set(CPACK_GENERATOR "NSIS;ZIP")
set(CPACK_PACKAGE_NAME orb42-update)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR TALVIRE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware update wizard for the ORB42TLX remote control")
set(CPACK_PACKAGE_INSTALL_DIRECTORY orb42-update)  # in Program Files, and the Start-menu folder
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY orb42-update)
set(CPACK_PACKAGE_EXECUTABLES orb42-update "ORB42 firmware update")
# The setup and the zip are named apart (CPACK_PACKAGE_FILE_NAME per generator).
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_SOURCE_DIR}/WindowsPackageNames.cmake)
set(CPACK_STRIP_FILES ON)

# A 64-bit installer for the 64-bit program: it installs into the 64-bit Program Files and
# registry, and runs where no 32-bit Windows layer is (a 64-bit-only Wine, for one).
# The Start-menu folder is the program's name, without the version.
set(CPACK_NSIS_DEFINES "Target amd64-unicode\n!define MUI_STARTMENUPAGE_DEFAULTFOLDER orb42-update")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_PACKAGE_NAME "orb42-update ${PROJECT_VERSION}")
set(CPACK_NSIS_DISPLAY_NAME "orb42-update ${PROJECT_VERSION}")
set(CPACK_NSIS_INSTALLED_ICON_NAME orb42-update.exe)
set(CPACK_NSIS_MUI_ICON ${PROJECT_BINARY_DIR}/ui/win32/orb42-update.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_BINARY_DIR}/ui/win32/orb42-update.ico)
set(CPACK_NSIS_CONTACT support@talvire.example)
set(CPACK_NSIS_URL_INFO_ABOUT https://www.talvire.example/)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MODIFY_PATH OFF)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
# No license page: the program has no license text to accept, and CPack's stand-in ("No license
# provided", in English whatever language the installer speaks) would be the one English page of
# an installer that otherwise speaks the language of Windows.
set(CPACK_NSIS_IGNORE_LICENSE_PAGE ON)
# The installer speaks the language of Windows (NSIS's own pages in every language it has); the
# French welcome, "Bienvenue dans le programme d'installation de orb42-update 1.5.2.5", takes
# three lines of the title's font where the English takes two.
set(CPACK_NSIS_WELCOME_TITLE_3LINES ON)
include(CPack)
