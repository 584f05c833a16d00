# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (POSIX threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUILVAREST_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUILVAREST_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUILVAREST_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${QUILVAREST_MINGW}-windres)

# Libraries and packages come from MinGW's own folder and from the prefixes
# given on the command line (the static Qt for Windows), never from the build
# machine's /usr.
set(CMAKE_FIND_ROOT_PATH /usr/${QUILVAREST_MINGW} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
