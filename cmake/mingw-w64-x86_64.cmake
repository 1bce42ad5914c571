# Cross-builds for 64-bit Windows with Debian's mingw-w64, posix thread model
# (std::thread and std::mutex need it).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_k5_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_k5_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_k5_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_k5_mingw}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_k5_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Tests run under Wine; the test presets give the prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
