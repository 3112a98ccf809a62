#!/bin/bash
# build.sh - set up this Debian machine (as root, idempotent), fetch and build the third-party
# libraries (cached outside the tree), configure and build everything into $BUILD (default ./build).
#   TW_CACHE=dir  third-party cache (default ~/.cache/tarnwick)   JOBS=n   SKIP_BOOTSTRAP=1
#   CMAKE_ARGS="-DX=y ..."  more configure options   TARGET="name ..."  build only those targets
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
CACHE=${TW_CACHE:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/tarnwick}
BUILD=${BUILD:-$ROOT/build}
export JOBS=${JOBS:-$(nproc)}
export CMAKE_GENERATOR=${CMAKE_GENERATOR:-Ninja}

step() {  # step NAME CMD... : run it and print its wall-clock time
  local name=$1; shift
  local t0=$EPOCHREALTIME
  "$@"
  local us=$(( ${EPOCHREALTIME/[.,]/} - ${t0/[.,]/} ))
  printf 'TIME %-10s %4d.%01d s\n' "$name" $((us / 1000000)) $(( (us % 1000000) / 100000 )) >&2
}

if [ -z "${SKIP_BOOTSTRAP:-}" ]; then
  if [ "$(id -u)" -eq 0 ]; then step bootstrap bash "$ROOT/tools/bootstrap.sh"
  else step bootstrap sudo bash "$ROOT/tools/bootstrap.sh"; fi
fi
step sources bash "$ROOT/tools/fetch-sources.sh" "$CACHE/debsrc" >&2
deps() { DEPS_PREFIX=$(bash "$ROOT/tools/build-deps.sh" "$CACHE" | tail -1); }
step deps deps
# A fresh checkout need not compile again what this machine compiled before: ccache keeps the objects
# beside the libraries, and takes paths inside the tree as relative, so that a checkout in another
# folder finds them too.
LAUNCH=()
if command -v ccache >/dev/null; then
  cc="env;CCACHE_DIR=$CACHE/ccache;CCACHE_BASEDIR=$ROOT;CCACHE_NOHASHDIR=true;CCACHE_MAXSIZE=2G;ccache"
  LAUNCH=(-DCMAKE_C_COMPILER_LAUNCHER="$cc" -DCMAKE_CXX_COMPILER_LAUNCHER="$cc")
fi
step configure cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-i686-w64-mingw32.cmake" \
                     -DDEPS_PREFIX="$DEPS_PREFIX" "${LAUNCH[@]}" ${CMAKE_ARGS:-} >/dev/null
step build cmake --build "$BUILD" -j"$JOBS" ${TARGET:+--target $TARGET}
