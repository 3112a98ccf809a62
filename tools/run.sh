#!/bin/bash
# run.sh - the program itself, live, on a fresh Debian 12 machine: set-up and build as tools/test.sh
# does, the stand-in quote service on loopback, a demo folder (TarnWick.exe, a settings file pointing
# at the stand-in, a starter portfolio), and TarnWick.exe under Wine on $DISPLAY, or, without a
# display, under Xvfb with a screenshot every few seconds.
#   bash tools/run.sh [--seconds N]     N: close the program cleanly after N seconds
#   DEMO=dir   the demo folder (default build/demo, laid out afresh each run)
#   SHOT_EVERY=seconds between screenshots (default 3)      SKIP_BOOTSTRAP=1   JOBS=n
# The stand-in stops when the program ends.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
# the road (tools/road.sh): where this machine cannot run 32-bit programs, the x86_64 build runs
source "$ROOT/tools/road.sh"
tw_road_setup "$ROOT"

SECONDS_TO_RUN=
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) SECONDS_TO_RUN=${2:?--seconds wants a number}; shift 2 ;;
    --seconds=*) SECONDS_TO_RUN=${1#--seconds=}; shift ;;
    *) echo "run.sh: unknown argument $1 (see the top of tools/run.sh)" >&2; exit 2 ;;
  esac
done
case "$SECONDS_TO_RUN" in ''|*[!0-9]*) [ -z "$SECONDS_TO_RUN" ] || { echo "run.sh: --seconds wants a whole number" >&2; exit 2; } ;; esac

# Wine maps file names through the Unix locale, and the program reads local time without TZ.
case "${LC_ALL:-${LANG:-}}" in *UTF-8*|*utf8*) ;; *) export LANG=C.UTF-8; unset LC_ALL ;; esac
unset TZ http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY

# Without a display: the same script again inside an Xvfb of its own, whose screen file gives the shots.
if [ -z "${DISPLAY:-}" ] && [ -z "${TW_RUN_IN_XVFB:-}" ]; then
  bash "$ROOT/tools/build.sh"
  FB=$BUILD/run-fb
  rm -rf "$FB"; mkdir -p "$FB"
  export TW_RUN_IN_XVFB=1 SKIP_BUILD=1 XVFB_FBDIR=$FB
  exec xvfb-run -a -n "${XVFB_SERVERNUM:-120}" -s "-screen 0 1024x768x24 -fbdir $FB" \
    bash "$0" ${SECONDS_TO_RUN:+--seconds "$SECONDS_TO_RUN"}
fi

[ -n "${SKIP_BUILD:-}" ] || bash "$ROOT/tools/build.sh"

# A Wine prefix of the demo's own, so that a test run's cleanup never ends the program.
export WINEPREFIX=$BUILD/run-prefix
WINE_RUN=$BUILD/wine-run.sh
"$WINE_RUN" --init

DEMO=${DEMO:-$BUILD/demo}
rm -rf "$DEMO"; mkdir -p "$DEMO"
cp "$BUILD/TarnWick.exe" "$DEMO/"
to_wine() { echo "Z:$(cd "$(dirname "$1")" && pwd)/$(basename "$1")" | tr / '\\'; }

STANDIN_PID=
APP_PID=
SHOOTER_PID=
cleanup() {
  [ -z "$SHOOTER_PID" ] || kill "$SHOOTER_PID" 2>/dev/null || true
  [ -z "$APP_PID" ] || ! kill -0 "$APP_PID" 2>/dev/null || kill "$APP_PID" 2>/dev/null || true
  [ -z "$STANDIN_PID" ] || kill "$STANDIN_PID" 2>/dev/null || true
  [ -z "$STANDIN_PID" ] || wait "$STANDIN_PID" 2>/dev/null || true
}
trap cleanup EXIT

# The stand-in on loopback, on free ports; its [Hosts] section goes into the settings file.
python3 "$ROOT/tools/standin/standin.py" --live --port-file "$DEMO/standin.json" --cert-dir "$DEMO/standin-cert" \
  --log "$DEMO/standin-requests.jsonl" --duration 86400 >"$DEMO/standin.out" 2>&1 &
STANDIN_PID=$!
for _ in $(seq 300); do grep -q '^Maker=' "$DEMO/standin.out" 2>/dev/null && break; sleep 0.1; done
grep -q '^Maker=' "$DEMO/standin.out" || { echo "run.sh: the stand-in did not start:" >&2; cat "$DEMO/standin.out" >&2; exit 1; }
# The index symbols come from the JSON service over https: its certificate is trusted in the prefix.
"$WINE_RUN" "$BUILD/tests/standin/standin_trust.exe" "$(to_wine "$DEMO/standin-cert/cert.der")" >/dev/null

{
  printf '[Options]\r\nSource=3\r\nDelay=15\r\nStocksInDatabase=0\r\nTitleBar=Demo Portfolio\r\nCash=2500.00\r\n'
  printf 'ColShown=0,15,1,2,19,12,3,4\r\nColWidth=80,80,70,80,57,50,50,50,50,50,50,50,90,50,50,210,50,50,50,64\r\n'
  printf '[Window]\r\nLeft=40\r\nTop=40\r\nRight=984\r\nBottom=620\r\n'
  # symbol = warn below, warn above, market (1 Toronto), shares owned, cost basis
  printf '[Stocks]\r\n^DJI=0,0,0,0,0\r\n^GSPC=0,0,0,0,0\r\n^IXIC=0,0,0,0,0\r\n'
  printf 'IBM=0,0,0,40,5200\r\nMSFT=0,0,0,25,8750\r\nAAPL=0,0,0,30,4100\r\nKO=0,0,0,100,5600\r\n'
  printf 'RY=0,0,1,50,6100\r\nTD=0,0,1,0,0\r\n'
  sed -n '/^\[Hosts\]/,/^Maker=/p' "$DEMO/standin.out" | sed 's/$/\r/'
} >"$DEMO/TarnWick.INI"

echo "run.sh: $TW_ROAD road: running $BUILD/TarnWick.exe"
echo "run.sh: demo folder $DEMO (TarnWick.exe, TarnWick.INI, TarnWick.db once it runs)"
echo "run.sh: stand-in on 127.0.0.1:$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["port"])' "$DEMO/standin.json")"
"$WINE_RUN" "$(to_wine "$DEMO/TarnWick.exe")" &
APP_PID=$!

if [ -n "${TW_RUN_IN_XVFB:-}" ]; then
  SHOT=$DEMO/screen.png
  echo "run.sh: no DISPLAY; running under Xvfb, screenshot every ${SHOT_EVERY:-3} s: $SHOT"
  ( while sleep "${SHOT_EVERY:-3}"; do python3 "$ROOT/tools/screenshot.py" "$SHOT.tmp.png" >/dev/null 2>&1 &&
      mv -f "$SHOT.tmp.png" "$SHOT"; done ) &
  SHOOTER_PID=$!
fi

if [ -n "$SECONDS_TO_RUN" ]; then
  for _ in $(seq "$SECONDS_TO_RUN"); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 1; done
  if kill -0 "$APP_PID" 2>/dev/null; then
    echo "run.sh: $SECONDS_TO_RUN s are up; closing the program"
    # WM_CLOSE to the program's windows: it saves its settings and commits its database as on "Exit".
    "$WINE_RUN" taskkill /im TarnWick.exe >/dev/null 2>&1 || true
    for _ in $(seq 60); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.5; done
  fi
fi
set +e
wait "$APP_PID"
rc=$?
set -e
APP_PID=
echo "run.sh: TarnWick.exe ended with exit code $rc"
[ -z "${TW_RUN_IN_XVFB:-}" ] || echo "run.sh: last screenshot $DEMO/screen.png"
cleanup
STANDIN_PID=
# Stop only the demo prefix's wineserver.
wineserver -k 2>/dev/null || true
exit $rc
