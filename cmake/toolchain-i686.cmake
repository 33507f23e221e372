# Cross-compiling for 32-bit Windows with the POSIX-threads flavour of mingw-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(DARNA_TRIPLET i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${DARNA_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DARNA_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER  ${DARNA_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${DARNA_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Nothing 32-bit can run on these machines; this build is compiled only.
