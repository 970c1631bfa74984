# Cross-building the Windows executable with Debian's mingw-w64 (the -posix
# flavour, whose C++ library has std::thread and std::mutex):
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(GRAVLET_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${GRAVLET_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${GRAVLET_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${GRAVLET_MINGW}-windres)

# Libraries and headers of the target only; programs of the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${GRAVLET_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
