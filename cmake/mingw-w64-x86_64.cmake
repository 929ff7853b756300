# Cross-building for 64-bit Windows with Debian's MinGW-w64 (posix threads, for std::thread and
# std::jthread). Tests run under Wine: ctest starts each test program through scripts/windows-wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VARNEL_MINGW_HOST x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VARNEL_MINGW_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VARNEL_MINGW_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${VARNEL_MINGW_HOST}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VARNEL_MINGW_HOST})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
# BOTH: wxWidgets for MSW is outside the MinGW root (scripts/build-windows keeps it in a cache folder), and
# its headers are looked for where its wx-config says.
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/windows-wine)
