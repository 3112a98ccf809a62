#!/bin/bash
# build-deps.sh CACHE [i686|x86_64] - build the third-party static libraries (SQLite, libjpeg, libmng,
# RapidJSON headers) for one target (default i686) once per input set. The prefix is CACHE/deps-<key>;
# the key hashes deps/, the toolchain files, the source package versions and the cross compiler
# version. Prints the prefix as its last line.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
CACHE=$(mkdir -p "${1:?usage: build-deps.sh CACHE}" && cd "$1" && pwd)
SRC=$CACHE/debsrc
ARCH=${2:-i686}
TC=$ROOT/cmake/toolchain-$ARCH-w64-mingw32.cmake
[ -f "$TC" ] || { echo "build-deps.sh: no toolchain file for '$ARCH'" >&2; exit 2; }
key=$( { cd "$ROOT" && find deps -type f | sort | xargs sha256sum; sha256sum "cmake/toolchain-$ARCH-w64-mingw32.cmake" cmake/toolchain-mingw.cmake;
         ls "$SRC"/*.dsc | xargs -n1 basename; dpkg-query -W "gcc-mingw-w64-${ARCH//_/-}-posix"; } |
       sha256sum | cut -c1-16)
PREFIX=$CACHE/deps-$key
# several builds may share one cache: one builder per input set, the others wait and then find it done
exec 9>"$CACHE/.lock-$key"
flock 9
if [ -f "$PREFIX/deps-info.txt" ]; then
  echo "build-deps.sh: cached $PREFIX" >&2
else
  B=$CACHE/build-deps-$key
  rm -rf "$B" "$PREFIX"
  cmake -G "${CMAKE_GENERATOR:-Ninja}" -S "$ROOT/deps" -B "$B" -DCMAKE_TOOLCHAIN_FILE="$TC" \
        -DDEBSRC_DIR="$SRC" -DCMAKE_INSTALL_PREFIX="$PREFIX" >&2
  cmake --build "$B" -j"${JOBS:-$(nproc)}" >&2
  rm -rf "$B"                                   # only the prefix is kept
fi
echo "$PREFIX"
