# Cross build for 64-bit Windows with mingw-w64 (posix threads). The runtime
# is linked statically so that the programs run under wine without any
# mingw DLL next to them.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-posix.cmake)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
