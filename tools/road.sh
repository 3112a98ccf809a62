#!/bin/bash
# road.sh - which Wine this machine can run the tests and the program under, sourced by the other
# scripts before anything is installed. Some kernels refuse every 32-bit x86 program (and with it
# Wine's 32-bit loader); there the same sources are built for x86_64 and run under 64-bit Wine.
#   TW_ROAD=i686|x86_64   force a road (i686 only where this machine runs 32-bit programs)
#   TW_PROBE_MACHINE=n    ELF machine number of the probe (3, i386; another number tests the fallback)
# Sets TW_ROAD and TW_ROAD_WHY; `bash tools/road.sh` prints the road and why.
# tw_road_init ROOT also says the road once (to stderr) and sets the build folders:
#   PRODUCT_BUILD  the i686 build whose TarnWick.exe is the product (ROOT/build)
#   BUILD          the build the tests and the run command use: ROOT/build on the i686 road,
#                  ROOT/build/x86_64 on the other (an explicit BUILD is kept)

# tw_runs_32bit: writes and starts a tiny static i386 program that exits with 42. Nothing else is
# needed on the machine, so the answer is known before Wine is installed.
tw_runs_32bit() {
  local dir probe rc machine=${TW_PROBE_MACHINE:-3}
  dir=$(mktemp -d "${TMPDIR:-/tmp}/tw-probe.XXXXXX") || return 1
  probe=$dir/probe
  # ELF header (52 bytes), one loadable segment (32 bytes), then: mov eax,1; mov ebx,42; int 0x80
  {
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    printf '\x02\x00'"$(printf '\\x%02x\\x%02x' $((machine & 255)) $((machine >> 8 & 255)))"
    printf '\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    printf '\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'
    printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
    printf '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
    printf '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80'
  } >"$probe"
  chmod +x "$probe"
  "$probe" >/dev/null 2>&1
  rc=$?
  rm -rf "$dir"
  [ "$rc" -eq 42 ]
}

tw_choose_road() {
  local runs32=0
  tw_runs_32bit && runs32=1
  case "${TW_ROAD:-}" in
    i686)
      if [ "$runs32" = 1 ]; then TW_ROAD_WHY="forced by TW_ROAD=i686"
      else
        echo "road: TW_ROAD=i686, but this machine cannot run 32-bit programs (the i386 probe got 'Exec format error' or failed)" >&2
        return 1
      fi ;;
    x86_64)
      TW_ROAD_WHY="forced by TW_ROAD=x86_64" ;;
    '')
      if [ "$runs32" = 1 ]; then TW_ROAD=i686; TW_ROAD_WHY="this machine runs 32-bit programs (the i386 probe ran)"
      else TW_ROAD=x86_64; TW_ROAD_WHY="this machine cannot run 32-bit programs (the i386 probe did not run)"; fi ;;
    *)
      echo "road: TW_ROAD must be i686 or x86_64, not '$TW_ROAD'" >&2
      return 1 ;;
  esac
  export TW_ROAD TW_ROAD_WHY
}

tw_road_init() {
  local root=$1
  tw_choose_road || exit 1
  if [ -z "${TW_ROAD_SAID:-}" ]; then
    echo "road: $TW_ROAD ($TW_ROAD_WHY)" >&2
    export TW_ROAD_SAID=1
  fi
  PRODUCT_BUILD=${PRODUCT_BUILD:-$root/build}
  if [ -z "${BUILD:-}" ]; then
    if [ "$TW_ROAD" = i686 ]; then BUILD=$PRODUCT_BUILD; else BUILD=$root/build/x86_64; fi
  fi
  export PRODUCT_BUILD BUILD
}

# tw_road_setup ROOT: tw_road_init, then installs what the road needs (tools/bootstrap.sh; skipped with
# SKIP_BOOTSTRAP, and set afterwards so that the scripts called next skip it). Where the probe chose the
# i686 road but its 32-bit packages cannot be installed now (a package mirror mid-sync has refused them),
# the x86_64 road serves instead and says so; a road forced with TW_ROAD does not fall back.
tw_road_setup() {
  local root=$1 forced=${TW_ROAD:-} given_build=${BUILD:-} sudo=
  tw_road_init "$root"
  [ -z "${SKIP_BOOTSTRAP:-}" ] || return 0
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  local t0=$SECONDS
  if ! $sudo bash "$root/tools/bootstrap.sh" "$TW_ROAD"; then
    [ -z "$forced" ] && [ "$TW_ROAD" = i686 ] || exit 1
    TW_ROAD=x86_64 TW_ROAD_WHY="the i686 road's 32-bit packages could not be installed on this machine now"
    echo "road: $TW_ROAD ($TW_ROAD_WHY)" >&2
    BUILD=$given_build
    export TW_ROAD TW_ROAD_WHY
    tw_road_init "$root"
    $sudo bash "$root/tools/bootstrap.sh" "$TW_ROAD" || exit 1
  fi
  echo "TIME bootstrap  $((SECONDS - t0)) s" >&2
  export SKIP_BOOTSTRAP=1
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  tw_choose_road || exit 1
  echo "road: $TW_ROAD ($TW_ROAD_WHY)"
  exit 0
fi
