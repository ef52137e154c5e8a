# Cross-build for Windows with Debian's MinGW-w64, POSIX thread model.
# TV_WINDOWS_ARCH: x86_64 (64-bit Windows, default) or i686 (32-bit Windows).
if(NOT DEFINED TV_WINDOWS_ARCH)
  set(TV_WINDOWS_ARCH x86_64)
endif()
set(triplet ${TV_WINDOWS_ARCH}-w64-mingw32)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TV_WINDOWS_ARCH})
set(CMAKE_C_COMPILER ${triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${triplet}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
# Libraries cross-built here (OpenSSL, ISA-L) live outside the compiler's own root.
foreach(root OPENSSL_ROOT_DIR ISAL_ROOT_DIR)
  if(DEFINED ${root})
    list(APPEND CMAKE_FIND_ROOT_PATH "${${root}}")
  endif()
endforeach()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# One executable with no DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
