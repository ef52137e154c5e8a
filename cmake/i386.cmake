# The portable core and its tests for 32-bit x86 Linux, built with g++ -m32 against
# Debian's i386 libraries and run under qemu-i386: the word size of the shipped 32-bit
# Windows program (4-byte pointers, size_t and long), on a machine that cannot run
# 32-bit programs itself.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_CXX_FLAGS_INIT "-m32 -D_FILE_OFFSET_BITS=64")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386 -L /)
set(TV_WINDOW OFF CACHE BOOL "" FORCE)
set(TV_ISAL OFF CACHE BOOL "" FORCE) # Debian has no i386 ISA-L: zlib, as the shipped program
# Debian's i386 libraries, not the machine's own (FindOpenSSL asks pkg-config first).
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/i386-linux-gnu/pkgconfig:/usr/share/pkgconfig)
set(OPENSSL_ROOT_DIR /usr/lib/i386-linux-gnu)
