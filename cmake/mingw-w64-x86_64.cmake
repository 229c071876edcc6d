# Cross-build for 64-bit Windows with Debian's mingw-w64. The posix thread
# model is required: GCC 12's win32 model has no std::thread or std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(OSTREL_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${OSTREL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OSTREL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${OSTREL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${OSTREL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static executables run under wine without a DLL search path.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# wine64 is not on PATH in Debian's packaging.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
