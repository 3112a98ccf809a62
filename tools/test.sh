#!/bin/bash
# test.sh - everything from a fresh Debian 12 machine to a finished test run: set-up, build, then
# every test under Wine inside one Xvfb server. Extra arguments go to ctest (e.g. -R Foundation).
#   TW_ROAD=i686|x86_64  force the road (see tools/road.sh); the tests run in $BUILD
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
# the road (tools/road.sh): i686 where this machine runs 32-bit programs, x86_64 where it cannot
source "$ROOT/tools/road.sh"
tw_road_setup "$ROOT"
# Wine maps file names through the Unix locale: without UTF-8 a folder like "dév" cannot exist
case "${LC_ALL:-${LANG:-}}" in *UTF-8*|*utf8*) ;; *) export LANG=C.UTF-8; unset LC_ALL ;; esac
unset TZ http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY
bash "$ROOT/tools/build.sh"
FB=$BUILD/xvfb-fb
rm -rf "$FB"; mkdir -p "$FB"
# CTest starts the longest tests first only when it knows their times from an earlier run; a fresh
# checkout knows none and would leave the slow serial ones to the end, so the last run's times are
# kept outside the tree.
COSTS=${TW_CACHE:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/tarnwick}/ctest-costs-$TW_ROAD.txt
KNOWN=$BUILD/Testing/Temporary/CTestCostData.txt
if [ ! -f "$KNOWN" ] && [ -f "$COSTS" ]; then mkdir -p "$(dirname "$KNOWN")"; cp "$COSTS" "$KNOWN"; fi
t0=$SECONDS
set +e
XVFB_FBDIR=$FB xvfb-run -a -n "${XVFB_SERVERNUM:-99}" -s "-screen 0 1024x768x24 -fbdir $FB" \
  ctest --test-dir "$BUILD" -j"${JOBS:-8}" --output-on-failure "$@"
rc=$?
set -e
if [ -f "$KNOWN" ]; then mkdir -p "$(dirname "$COSTS")"; cp "$KNOWN" "$COSTS.$$" && mv -f "$COSTS.$$" "$COSTS"; fi
# stop only this build's wineserver; never anything by name
WINEPREFIX=$BUILD/wineprefix wineserver -k 2>/dev/null || true
echo "TIME test       $((SECONDS - t0)) s ($TW_ROAD road, $BUILD)" >&2
exit $rc
