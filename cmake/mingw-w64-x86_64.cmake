# CMake toolchain file: cross-compile for 64-bit Windows with MinGW-w64 (GCC).
#
# Usage (from the repo root, on Debian 12 after scripts/install-deps.sh):
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DCMAKE_BUILD_TYPE=Release
#   cmake --build build-win -j2
# The resulting .exe files run on Windows or under `wine` (see tests/wine/wine-env.sh).
#
# Thread model: Debian ships two flavours of the compiler. The "-posix" one
# (winpthreads) provides std::thread / std::mutex / std::condition_variable in
# GCC 12; the "-win32" one (the update-alternatives default) does not. This file
# picks the "-posix" flavour directly when it exists, so no system-wide
# update-alternatives change is needed. Override with
#   -DMINGW_THREAD_MODEL=win32   (or set CMAKE_C_COMPILER / CMAKE_CXX_COMPILER).
#
# Linking: everything (libgcc, libstdc++, libwinpthread) is linked statically,
# so the exe only imports Windows system DLLs (KERNEL32, USER32, msvcrt, ...).
# Check with:  x86_64-w64-mingw32-objdump -p app.exe | grep 'DLL Name'

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLE x86_64-w64-mingw32)
set(MINGW_THREAD_MODEL "posix" CACHE STRING "MinGW-w64 GCC thread model flavour: posix or win32")

# Propagate the setting into try_compile() projects.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MINGW_THREAD_MODEL)

if(NOT CMAKE_C_COMPILER)
  find_program(_mingw_cc NAMES ${MINGW_TRIPLE}-gcc-${MINGW_THREAD_MODEL} ${MINGW_TRIPLE}-gcc REQUIRED)
  set(CMAKE_C_COMPILER "${_mingw_cc}")
endif()
if(NOT CMAKE_CXX_COMPILER)
  find_program(_mingw_cxx NAMES ${MINGW_TRIPLE}-g++-${MINGW_THREAD_MODEL} ${MINGW_TRIPLE}-g++ REQUIRED)
  set(CMAKE_CXX_COMPILER "${_mingw_cxx}")
endif()
if(NOT CMAKE_RC_COMPILER)
  find_program(_mingw_rc NAMES ${MINGW_TRIPLE}-windres REQUIRED)
  set(CMAKE_RC_COMPILER "${_mingw_rc}")
endif()

# Target environment: only search the MinGW sysroot for headers/libraries/packages;
# programs (code generators etc.) are looked up on the build host.
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No DLL dependencies besides the Windows system ones.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Let ctest / add_test run the produced exes through Wine transparently.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(_wine_exe NAMES wine wine64)
  if(_wine_exe)
    set(CMAKE_CROSSCOMPILING_EMULATOR "${_wine_exe}")
  endif()
endif()
