#!/bin/bash
# build.sh - set up this Debian machine (as root, idempotent), fetch and build the third-party
# libraries (cached outside the tree), configure and build everything into $BUILD. The road
# (tools/road.sh) says whether that build is i686 or x86_64; the product, the i686 TarnWick.exe in
# $PRODUCT_BUILD, is built and its imports checked on either road.
#   TW_CACHE=dir  third-party cache (default ~/.cache/tarnwick)   JOBS=n   SKIP_BOOTSTRAP=1   TW_ROAD=...
#   CMAKE_ARGS="-DX=y ..."  more configure options   TARGET="name ..."  build only those targets
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/tools/road.sh"
tw_road_setup "$ROOT"
CACHE=${TW_CACHE:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/tarnwick}
export JOBS=${JOBS:-$(nproc)}
export CMAKE_GENERATOR=${CMAKE_GENERATOR:-Ninja}

step() {  # step NAME CMD... : run it and print its wall-clock time
  local name=$1; shift
  local t0=$EPOCHREALTIME
  "$@"
  local us=$(( ${EPOCHREALTIME/[.,]/} - ${t0/[.,]/} ))
  printf 'TIME %-10s %4d.%01d s\n' "$name" $((us / 1000000)) $(( (us % 1000000) / 100000 )) >&2
}

step sources bash "$ROOT/tools/fetch-sources.sh" "$CACHE/debsrc" >&2
# A fresh checkout need not compile again what this machine compiled before: ccache keeps the objects
# beside the libraries, and takes paths inside the tree as relative, so that a checkout in another
# folder finds them too.
LAUNCH=()
if command -v ccache >/dev/null; then
  cc="env;CCACHE_DIR=$CACHE/ccache;CCACHE_BASEDIR=$ROOT;CCACHE_NOHASHDIR=true;CCACHE_MAXSIZE=2G;ccache"
  LAUNCH=(-DCMAKE_C_COMPILER_LAUNCHER="$cc" -DCMAKE_CXX_COMPILER_LAUNCHER="$cc")
fi

deps() { prefix=$(bash "$ROOT/tools/build-deps.sh" "$CACHE" "$1" | tail -1); }
# build_tree ARCH DIR [TARGET...]: the third-party libraries for ARCH, then the project in DIR
build_tree() {
  local arch=$1 dir=$2; shift 2
  step deps deps "$arch"
  step configure cmake -S "$ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-$arch-w64-mingw32.cmake" \
                       -DDEPS_PREFIX="$prefix" "${LAUNCH[@]}" ${args:-} >/dev/null
  step build cmake --build "$dir" -j"$JOBS" ${1:+--target "$@"}
}

args=${CMAKE_ARGS:-}
if [ "$TW_ROAD" != i686 ] && [ -z "${TARGET:-}" ]; then
  # The product too, on a full build: the i686 program alone, with its own default options, and
  # nothing it imports may be missing on Windows. Meanwhile the road's libraries build beside it.
  other_log=$(mktemp)
  bash "$ROOT/tools/build-deps.sh" "$CACHE" "$TW_ROAD" >"$other_log" 2>&1 &
  other=$!
  args= build_tree i686 "$PRODUCT_BUILD" TarnWick
  python3 "$ROOT/tools/check_imports.py" i686-w64-mingw32-objdump "$PRODUCT_BUILD/TarnWick.exe" >&2
  wait "$other" || { cat "$other_log" >&2; rm -f "$other_log"; exit 1; }
  rm -f "$other_log"
fi
build_tree "$TW_ROAD" "$BUILD" ${TARGET:-}
