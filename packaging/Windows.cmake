# The Windows packages, made on Linux in the cross build: `cpack` in build-windows (or
# scripts/build-windows --package) runs CPack's NSIS generator with Debian's makensis for the
# installer orb42-update-1.5.2.5-setup.exe, and the ZIP generator for the portable
# orb42-update-1.5.2.5-win64.zip. Both hold the programs, the licence LICENSE.txt and
# THIRD-PARTY.txt (what of GCC and mingw-w64 is linked into the programs, under which licences,
# and where its source is). The installer puts them in Program Files\orb42-update, a Start-menu
# shortcut "ORB42 firmware update" and an uninstaller, which removes all of it and the registry
# entries; installed again, into the same folder or another, it first removes the installation
# already there (WindowsInstaller.nsh). The bench updater orb42-flash.exe goes beside the wizard
# (no shortcut: it is a console program, run from a command prompt in that folder).
install(TARGETS orb42-update RUNTIME DESTINATION .)
if(TARGET orb42-flash)
  install(TARGETS orb42-flash RUNTIME DESTINATION .)
endif()
# Text files as Notepad reads them, with CRLF line ends. The GCC runtime, winpthreads and the
# mingw-w64 runtime are linked statically (cmake/mingw-w64-x86_64.cmake); THIRD-PARTY.txt names
# the versions this build took them from.
configure_file(${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
string(REGEX MATCH "^[0-9]+" ORB42_GCC_VERSION "${CMAKE_CXX_COMPILER_VERSION}")
find_file(ORB42_MINGW_VERSION_HEADER _mingw_mac.h REQUIRED)
file(STRINGS ${ORB42_MINGW_VERSION_HEADER} orb42_mingw_version
     REGEX "^#define __MINGW64_VERSION_(MAJOR|MINOR|BUGFIX) ")
string(REGEX REPLACE "[^;]*_MAJOR ([0-9]+);[^;]*_MINOR ([0-9]+);[^;]*_BUGFIX ([0-9]+)" "\\1.\\2.\\3"
       ORB42_MINGW_VERSION "${orb42_mingw_version}")
configure_file(WindowsThirdParty.txt.in THIRD-PARTY.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/LICENSE.txt ${CMAKE_CURRENT_BINARY_DIR}/THIRD-PARTY.txt
        DESTINATION .)

set(CPACK_GENERATOR "NSIS;ZIP")
# The values reach CPack as they are here (the quotes of NSIS's commands included).
set(CPACK_VERBATIM_VARIABLES ON)
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
# The Start-menu folder is the program's name, without the version. WindowsInstaller.nsh holds
# what the installer does beyond CPack's template.
set(CPACK_NSIS_DEFINES "Target amd64-unicode\n!define MUI_STARTMENUPAGE_DEFAULTFOLDER orb42-update\n\
!include \"${CMAKE_CURRENT_SOURCE_DIR}/WindowsInstaller.nsh\"")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_PACKAGE_NAME "orb42-update ${PROJECT_VERSION}")
set(CPACK_NSIS_DISPLAY_NAME "orb42-update ${PROJECT_VERSION}")
# The Add/Remove Programs entry: CPack writes these, WindowsInstaller.nsh the folder
# (InstallLocation) and the size (EstimatedSize). Help is the program's own: a mail to support.
set(CPACK_NSIS_INSTALLED_ICON_NAME orb42-update.exe)
set(CPACK_NSIS_CONTACT support@talvire.example)
set(CPACK_NSIS_HELP_LINK mailto:support@talvire.example)
set(CPACK_NSIS_URL_INFO_ABOUT https://www.talvire.example/)
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "!insertmacro Orb42RecordInstallation")
set(CPACK_NSIS_MUI_ICON ${PROJECT_BINARY_DIR}/ui/win32/orb42-update.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_BINARY_DIR}/ui/win32/orb42-update.ico)
# An installation already there is removed by the installer itself, once the new folder is
# chosen and before the files go in (Orb42RemovePreviousInstallation), wherever that
# installation's folder is. CPack's own removal (CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL)
# is off: it asks first in an English message box whatever the installer's language, and runs
# the old uninstaller in place without removing it afterwards, so the old folder stays behind
# with its Uninstall.exe.
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL OFF)
set(CPACK_NSIS_EXTRA_PREINSTALL_COMMANDS "Call Orb42RemovePreviousInstallation")
set(CPACK_NSIS_MODIFY_PATH OFF)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
# No license page: the MIT licence asks nothing to be accepted (LICENSE.txt is installed beside
# the programs), and the page would show its English text, the one English page of an installer
# that otherwise speaks the language of Windows.
set(CPACK_NSIS_IGNORE_LICENSE_PAGE ON)
# The installer speaks the language of Windows: CPack's template inserts Modern UI's pages in
# every language NSIS has, and NSIS takes the one of the user's interface language (French on
# a French Windows), or English for a language it lacks. The French welcome, "Bienvenue dans
# le programme d'installation de orb42-update 1.5.2.5", takes three lines of the title's font
# where the English takes two.
set(CPACK_NSIS_WELCOME_TITLE_3LINES ON)
include(CPack)
