# Cross build for Windows with Debian's mingw-w64 (posix threads).
# HORAL_ARCH selects the target: i686 (the product) or x86_64 (the test build,
# because Wine on machines without 32-bit emulation runs only 64-bit code).
set(CMAKE_SYSTEM_NAME Windows)
if(NOT HORAL_ARCH)
  set(HORAL_ARCH i686)
endif()
set(CMAKE_SYSTEM_PROCESSOR ${HORAL_ARCH})
# Try-compiles see the same architecture.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES HORAL_ARCH)

set(HORAL_TRIPLE ${HORAL_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${HORAL_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${HORAL_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${HORAL_TRIPLE}-windres)
set(CMAKE_MC_COMPILER ${HORAL_TRIPLE}-windmc)
set(CMAKE_AR ${HORAL_TRIPLE}-ar)
set(CMAKE_RANLIB ${HORAL_TRIPLE}-ranlib)

set(CMAKE_FIND_ROOT_PATH /usr/${HORAL_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Everything static: the executable and the test programs need no DLL beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# Test programs run under Wine through the project's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
