# Cross toolchain for Windows with MinGW-w64 (posix thread model: std::thread and std::mutex
# work; winpthreads is linked statically, the copy scripts/build-codecs.sh builds for Windows XP,
# which cmake/codecs.cmake puts before the toolchain's). TUNARO_ARCH picks the target:
#   i686   - the product: PE32 programs for 32-bit Windows (default)
#   x86_64 - the same sources as PE32+, the build the tests and the demo run under Wine here,
#            because this platform's kernel cannot execute 32-bit Linux programs (32-bit Wine).
set(TUNARO_ARCH i686 CACHE STRING "Target architecture: i686 or x86_64")
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TUNARO_ARCH})

set(TOOLCHAIN_PREFIX ${TUNARO_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Only system DLLs at run time: the compiler runtime and winpthreads are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run through Wine, in the test prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
