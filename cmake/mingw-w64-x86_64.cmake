# Cross build for 64-bit Windows with Debian's mingw-w64, posix thread model (std::thread and
# std::mutex over winpthreads). The programs link libgcc, libstdc++ and winpthreads statically,
# so a .exe needs no DLL beside it. Test programs run under Wine (tests/windows/wine-run).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORB42_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORB42_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORB42_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ORB42_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ORB42_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# CTest runs the Windows programs through Wine, each run in a private prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/windows/wine-run)
