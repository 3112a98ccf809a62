# The part of the toolchain files shared by both Windows targets: Debian's mingw-w64 GCC 12, posix
# thread model. The including file sets CMAKE_SYSTEM_PROCESSOR and _tc (the target triple).
set(CMAKE_SYSTEM_NAME Windows)
# Name the -posix binaries explicitly: the unsuffixed names follow update-alternatives,
# whose default (priority 60) is the win32 variant, which lacks std::thread/std::mutex in GCC 12.
set(CMAKE_C_COMPILER   ${_tc}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_tc}-g++-posix)
set(CMAKE_RC_COMPILER  ${_tc}-windres)
set(CMAKE_AR           ${_tc}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB       ${_tc}-gcc-ranlib-posix CACHE FILEPATH "")

# find_*() searches only below the mingw sysroot (zlib lives in /usr/<triple>/{include,lib}),
# never in the host's /usr/include or /usr/lib. (A prefix given in CMAKE_PREFIX_PATH is re-rooted below
# CMAKE_FIND_ROOT_PATH in ONLY mode, so other prefixes must be appended to CMAKE_FIND_ROOT_PATH instead.)
set(CMAKE_FIND_ROOT_PATH /usr/${_tc})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Fully static executables: no libgcc_s_dw2-1.dll, libstdc++-6.dll or libwinpthread-1.dll at run time.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
