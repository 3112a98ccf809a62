#!/bin/bash
# bench.sh - how fast the program stays with a large portfolio, under Wine, as one table.
# Builds a release-like benchmark (no hardening, -O2) into its own folder with the toolchain and
# third-party libraries of tools/build.sh, runs it inside one Xvfb server at each stock count and prints
# one table: each measure is the median of RUNS runs, beside a baseline measured in the same run.
#   STOCKS="100 1000 5000"  RUNS=5  BENCH_BUILD=dir (default ./build-bench, or ./build-bench-x86_64 on
#   that road, see tools/road.sh)  JOBS=n  SKIP_BOOTSTRAP=1  TW_ROAD=i686|x86_64
#   XVFB_SERVERNUM=n (default 99)   PROGRAM_STOCKS="1000" (stock counts of the whole-program runs)
#   OTHER_EXE=path  another build of TarnWick.exe whose big-reply runs alternate with this one's
# Adding a section: write a function that appends lines
#   what<TAB>stocks<TAB>median<TAB>baseline median or -<TAB>unit
# to "$RESULTS" and call it from measure_all; the table picks the rows up in the order they come.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/tools/road.sh"
tw_road_setup "$ROOT"
# the benchmark runs on the road's own build (x86_64 where 32-bit programs cannot run)
if [ "$TW_ROAD" = i686 ]; then BUILD=${BENCH_BUILD:-$ROOT/build-bench}; else BUILD=${BENCH_BUILD:-$ROOT/build-bench-x86_64}; fi
STOCKS=${STOCKS:-100 1000 5000}
RUNS=${RUNS:-5}
PROGRAM_STOCKS=${PROGRAM_STOCKS:-1000}
export BUILD STOCKS RUNS PROGRAM_STOCKS
case "${LC_ALL:-${LANG:-}}" in *UTF-8*|*utf8*) ;; *) export LANG=C.UTF-8; unset LC_ALL ;; esac
unset TZ

# ---- inside the Xvfb server --------------------------------------------------------------------------
store_and_list() {  # the store and list benchmark at every stock count
  local n
  for n in $STOCKS; do
    echo "bench: $n stocks, $RUNS runs" >&2
    "$BUILD/wine-run.sh" "$BUILD/tools/bench/tw_bench.exe" "$n" "$RUNS" | tr -d '\r' >>"$RESULTS"
  done
}

program_cycle() {  # the whole program against the stand-in: start-up, one quote cycle, responsiveness
  local n
  for n in $PROGRAM_STOCKS; do
    echo "bench: the program with $n stocks, $RUNS runs" >&2
    python3 "$ROOT/tools/bench/program_bench.py" "$BUILD/wine-run.sh" "$BUILD/TarnWick.exe" \
      "$BUILD/tests/program/window_probe.exe" "$BUILD/tests/standin/standin_trust.exe" "$n" "$RUNS" >>"$RESULTS"
  done
}

big_replies() {  # 5 and 15 MB quote replies through the whole program, beside curl from the same server
  echo "bench: big replies, $RUNS runs" >&2
  python3 "$ROOT/tools/bench/reply_bench.py" "$BUILD/wine-run.sh" "$BUILD/TarnWick.exe" \
    "$BUILD/tests/program/window_probe.exe" "$BUILD/tests/standin/standin_trust.exe" "$RUNS" ${OTHER_EXE:+"$OTHER_EXE"} \
    >>"$RESULTS"
}

measure_all() {
  "$BUILD/wine-run.sh" --init
  local rc=0
  store_and_list || rc=$?
  program_cycle || rc=$?
  big_replies || rc=$?
  "$BUILD/wine-run.sh" --kill
  return $rc
}

if [ "${1:-}" = --inside ]; then
  measure_all
  exit
fi

# ---- build, measure, print -----------------------------------------------------------------------------
BUILD="$BUILD" TARGET="tw_bench TarnWick window_probe standin_trust" \
  CMAKE_ARGS="-DHARDENED=OFF -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE=-O2 -DCMAKE_CXX_FLAGS_RELEASE=-O2" \
  bash "$ROOT/tools/build.sh"

RESULTS=$(mktemp)
export RESULTS
trap 'rm -f "$RESULTS"' EXIT
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
FB=$BUILD/xvfb-fb
rm -rf "$FB"; mkdir -p "$FB"
XVFB_FBDIR=$FB xvfb-run -a -n "${XVFB_SERVERNUM:-99}" -s "-screen 0 1024x768x24 -fbdir $FB" \
  bash "$0" --inside
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

python3 - "$RESULTS" "$RUNS" "$load_before" "$load_after" <<'EOF'
import sys
path, runs, before, after = sys.argv[1:5]
rows, counts, cells = [], [], {}
for line in open(path):
    parts = line.rstrip("\n").split("\t")
    if len(parts) != 5:
        continue
    what, n, value, base, unit = parts
    n = int(n)
    if what not in rows:
        rows.append(what)
    if n not in counts:
        counts.append(n)
    if base in ("-", ""):
        cell = f"{value} {unit}"
    else:
        v, b = float(value), float(base)
        ratio = f"{v / b:.1f}x" if b > 0 else "-"
        cell = f"{value} {unit} ({base}, {ratio})"
    cells[(what, n)] = cell
head = [f"median of {runs} runs (baseline, ratio)"] + [f"{n} stocks" for n in counts]
print("| " + " | ".join(head) + " |")
print("|" + "---|" * len(head))
for what in rows:
    print("| " + " | ".join([what] + [cells.get((what, n), "") for n in counts]) + " |")
print(f"load average before {before}, after {after}")
EOF
