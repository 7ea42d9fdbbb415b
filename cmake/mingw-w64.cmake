# Cross-building the Windows programs on Linux with mingw-w64, running them
# (tests, test discovery) under wine:
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
#         -DMIRREX_BUILD_BENCH=OFF   (the Qt wizard is left out by itself)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MIRREX_MINGW_TRIPLE x86_64-w64-mingw32)
# The -posix variants: the -win32 threading model has no std::mutex.
set(CMAKE_C_COMPILER ${MIRREX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MIRREX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MIRREX_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MIRREX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Packages built for the target (GoogleTest) come in through CMAKE_PREFIX_PATH.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# One self-contained .exe: the C++ runtime and winpthreads linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(MIRREX_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(MIRREX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${MIRREX_WINE})
endif()
# Listing the test cases runs the programs under wine; do it when the tests
# run (with wineserver kept alive) rather than after every link.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
