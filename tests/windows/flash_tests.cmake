# orb42-flash, the bench updater, cross-built and run under Wine: against the loader simulator
# behind COM33 (through with-sim, as the link's cases), and the port list from the registry.
# Included by CMakeLists.txt, whose fixture and wine-run these use.
if(NOT TARGET orb42-flash)
  return()
endif()
set(flash $<TARGET_FILE:orb42-flash>)

# A whole update at 115200 bit/s with the simulator paced at the line's speed: the loader is
# switched after the checks and back to 9600 by the release; the device ends with the image.
add_test(NAME WineFlash.UpdateAt115200
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/with-sim --wine ${ORB42_WINE_RUN}
                 --expect "version 1\\.5\\)$" --expect-image ${ORB42_FIRMWARE_HEX_PATH}
                 ${ORB42_LOADER_SIM} --switch-on-delay 0 --
                 ${flash} update COM33 --speed 115200 --wait 10 --lang en)
# info reads the device and writes nothing.
add_test(NAME WineFlash.InfoWritesNothing
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/with-sim --wine ${ORB42_WINE_RUN}
                 --expect "no program word written" ${ORB42_LOADER_SIM} --no-pacing
                 --switch-on-delay 0 -- ${flash} info COM33 --wait 10 --lang en)
# A device already at 1.5 is refused with its own exit status, and nothing is written.
add_test(NAME WineFlash.UpToDateDeviceIsLeftAlone
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/with-sim --wine ${ORB42_WINE_RUN}
                 --expect "no program word written" ${ORB42_LOADER_SIM} --no-pacing
                 --switch-on-delay 0 --version 1.5 -- ${flash} update COM33 --wait 10 --lang en)
# A loader left at 9600 would be updated too, but slowly: the run must say it went faster.
set_tests_properties(WineFlash.UpdateAt115200 PROPERTIES
                     FAIL_REGULAR_EXPRESSION "the loader refused|programming at 9600 bit/s")
set_tests_properties(WineFlash.UpToDateDeviceIsLeftAlone PROPERTIES
                     PASS_REGULAR_EXPRESSION "Exit status 3\\.")
# A port that is not there: the message names the cause and the remedy.
add_test(NAME WineFlash.MissingPortIsNamed COMMAND ${ORB42_WINE_RUN} ${flash} update COM99
                                                    --wait 1 --lang en)
set_tests_properties(WineFlash.MissingPortIsNamed PROPERTIES
                     PASS_REGULAR_EXPRESSION "no such port: COM99.*remedy: plug the cable in")
# The registry's bridge value, written and read within one Wine session (the key is volatile).
# cmd wants the program's Windows path: the build tree through Wine's drive Z:.
get_target_property(flash_dir orb42-flash BINARY_DIR)
string(REPLACE "/" "\\" flash_windows "Z:${flash_dir}/orb42-flash.exe")
add_test(NAME WineFlash.ListMarksTheBridge
         COMMAND ${ORB42_WINE_RUN} cmd /c
                 "reg add HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM /v \\Device\\Silabser0 /d COM33 /f >nul && ${flash_windows} list")
set_tests_properties(WineFlash.ListMarksTheBridge PROPERTIES
                     PASS_REGULAR_EXPRESSION "(^|\n)COM33 : TALVIRE\r?\n")
# A port that refuses the line settings (the simulator's pty without the parity shim, as a
# virtual COM port refuses SetCommState): the error is named and the status is 6, at once.
add_test(NAME WineFlash.RefusedLineSettingsAreNamed
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/with-sim --wine ${ORB42_WINE_RUN}
                 --expect "no program word written" ${ORB42_LOADER_SIM} --switch-on-delay 0 --
                 ${flash} update COM33 --wait 5 --lang en)
set_tests_properties(WineFlash.RefusedLineSettingsAreNamed PROPERTIES
                     ENVIRONMENT ORB42_WINE_NO_SHIM=1
                     PASS_REGULAR_EXPRESSION "cannot use the port.*cause: cannot open COM33 \\([^)]+\\).*Exit status 6\\.")
# A port named as Windows names it, and the records a workshop keeps: every event with its UTC
# time, the result with the version before and after.
add_test(NAME WineFlash.DevicePathAndRecords
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/with-sim --wine ${ORB42_WINE_RUN}
                 --expect "version 1\\.5\\)$" ${ORB42_LOADER_SIM} --switch-on-delay 0
                 --no-pacing -- ${flash} update \\\\.\\COM33 --json --quiet)
set_tests_properties(WineFlash.DevicePathAndRecords PROPERTIES PASS_REGULAR_EXPRESSION
  "\"event\":\"result\",\"time\":\"20[0-9][0-9]-[0-9][0-9]-[0-9][0-9]T[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\\.[0-9][0-9][0-9]Z\",\"port\":\"COM33\".*\"version\":\"1\\.5\",\"version_before\":\"1\\.4\"")
# The system's own message, in the language of Windows and in UTF-8 whatever its code page (a
# French Wine speaks 1252): a COM port that is a directory is refused with "access denied".
add_test(NAME WineFlash.SystemMessagesAreUtf8
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/flash-system-message ${ORB42_WINE_RUN} ${flash})
# A log in a folder whose name is outside the ANSI code page: the command line and the path go
# in UTF-16 from start to end.
add_test(NAME WineFlash.LogInAFolderOutsideTheCodePage
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/flash-unicode-log ${ORB42_WINE_RUN} ${flash})
# The help tells what applies on Windows: COM names, the language of Windows' display; nothing of
# Linux's variables or nodes.
add_test(NAME WineFlash.HelpSaysWhatAppliesOnWindows
         COMMAND ${ORB42_WINE_RUN} ${flash} update --help --lang en)
set_tests_properties(WineFlash.HelpSaysWhatAppliesOnWindows PROPERTIES
                     PASS_REGULAR_EXPRESSION "COM3 or [^!]*of Windows' display"
                     FAIL_REGULAR_EXPRESSION "ORB42_DEV_DIR|ORB42_SYSFS_TTY|/dev/tty|LC_MESSAGES")
set_tests_properties(WineFlash.UpdateAt115200 WineFlash.InfoWritesNothing
                     WineFlash.UpToDateDeviceIsLeftAlone WineFlash.MissingPortIsNamed
                     WineFlash.ListMarksTheBridge WineFlash.RefusedLineSettingsAreNamed
                     WineFlash.SystemMessagesAreUtf8 WineFlash.DevicePathAndRecords
                     WineFlash.LogInAFolderOutsideTheCodePage WineFlash.HelpSaysWhatAppliesOnWindows
                     PROPERTIES ${ORB42_WINE_TEST_PROPERTIES} TIMEOUT 300)

# orb42-flash's words for what Windows answers: a cable pulled out during a run, the system's
# messages in French or in English whatever Windows' own language.
orb42_windows_test(win_flash_words_test)
target_link_libraries(win_flash_words_test PRIVATE orb42_cli)
gtest_discover_tests(win_flash_words_test DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                     PROPERTIES ${ORB42_WINE_TEST_PROPERTIES} TIMEOUT 120)

# orb42-flash in a console window, whose own code page (the OEM one) is not UTF-8, calling a
# device that stays switched off.
orb42_windows_test(win_console_test)
add_dependencies(win_console_test orb42-flash)
add_test(NAME WineFlash.ConsoleReadsUtf8
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/with-sim --wine ${ORB42_WINE_RUN} ${ORB42_LOADER_SIM}
                 --no-pacing --switch-on-delay 3600000 -- $<TARGET_FILE:win_console_test>)
set_tests_properties(WineFlash.ConsoleReadsUtf8 PROPERTIES ${ORB42_WINE_TEST_PROPERTIES} TIMEOUT 120
                     ENVIRONMENT "ORB42_FLASH_EXE=Z:$<TARGET_FILE:orb42-flash>")
