# Cross-compiling for 32-bit Windows with MinGW-w64; test executables run
# under Wine through the project's runner.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686-plain.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh")
