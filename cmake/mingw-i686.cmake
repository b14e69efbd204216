# Cross-compiling for 32-bit Windows with MinGW-w64 (posix thread model).
# Built to keep the byte layouts honest on 32-bit pointers; its tests run where
# the machine runs 32-bit programs (run_x86_tests in scripts/common.sh).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
