# Cross-compiling for 64-bit Windows with Debian's MinGW-w64, in its POSIX
# threads variant (std::thread and std::mutex work). The libraries come from
# the prefix that scripts/windows-deps builds; DEMOPLAYER_WINDOWS_PREFIX (a
# CMake variable or the environment's) names it. Programs run through Wine
# where the build runs them (test discovery, the example's tools).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_AR x86_64-w64-mingw32-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB x86_64-w64-mingw32-gcc-ranlib-posix CACHE FILEPATH "")

if(NOT DEMOPLAYER_WINDOWS_PREFIX)
  set(DEMOPLAYER_WINDOWS_PREFIX "$ENV{DEMOPLAYER_WINDOWS_PREFIX}")
endif()
# try_compile projects read this file again and need the prefix too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES DEMOPLAYER_WINDOWS_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${DEMOPLAYER_WINDOWS_PREFIX})
set(CMAKE_PREFIX_PATH ${DEMOPLAYER_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config sees the prefix's .pc files only, never the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} "${DEMOPLAYER_WINDOWS_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

find_program(DEMOPLAYER_WINE NAMES wine)
if(DEMOPLAYER_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${DEMOPLAYER_WINE})
endif()
