#!/bin/bash
# The road choice itself: a probe the kernel cannot run sends the build to x86_64, the override is
# obeyed where the machine allows it, and nonsense is refused.
set -u
ROAD="$1"
fail=0
check() {  # check WANT ENV... : the road printed (or "refused") under these settings
  local want=$1; shift
  local got
  got=$(env -u TW_ROAD -u TW_PROBE_MACHINE "$@" bash "$ROAD" 2>/dev/null) && got=${got#road: } && got=${got%% *} || got=refused
  if [ "$got" = "$want" ]; then echo "ok   $want <- $*"; else echo "FAIL $* gave $got, not $want"; fail=1; fi
}
runs32=$(env -u TW_ROAD -u TW_PROBE_MACHINE bash "$ROAD")
case "$runs32" in "road: i686 "*) native=i686 ;; *) native=x86_64 ;; esac
echo "this machine: $runs32"
check x86_64 TW_PROBE_MACHINE=40              # an ARM program: never runs here
check x86_64 TW_PROBE_MACHINE=40 TW_ROAD=x86_64
check refused TW_PROBE_MACHINE=40 TW_ROAD=i686
check x86_64 TW_ROAD=x86_64
check refused TW_ROAD=win32
if [ "$native" = i686 ]; then check i686 TW_ROAD=i686; else check refused TW_ROAD=i686; fi
exit $fail
