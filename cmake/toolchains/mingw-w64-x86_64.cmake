# Cross build for 64-bit Windows with Debian's MinGW-w64 (the posix thread model, which
# std::thread needs): cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake
set(TORMISAPLEX_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
