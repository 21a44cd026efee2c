#!/usr/bin/env bash
# Reads the desktop integration's registry values back with Wine's own "reg query", in a prefix that
# desktop_wine_test (its LeaveValuesForReadBack case) has written and left behind.
#   reg_readback.sh <wine-run.sh> <desktop_wine_test.exe>
set -uo pipefail
runner="$1"; exe="$2"
prefix="$(mktemp -d /tmp/mvdesk.XXXXXX)"
cleanup() { WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1; rm -rf "$prefix"; }
trap cleanup EXIT

"$runner" --keep "$prefix" "$exe" --gtest_also_run_disabled_tests --gtest_filter='*LeaveValuesForReadBack*' >/dev/null 2>&1 \
  || { echo "desktop_wine_test failed"; exit 1; }

export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all
query() { wine reg query "$@" 2>/dev/null | tr -d '\r'; }
fail=0
expect() {  # expect <key> <value name> <type> <data>
  local line
  line="$(query "$1" /v "$2" | grep -E "^ +$2 +")"
  local want="    $2    $3    $4"
  if [ "$line" != "$want" ]; then
    echo "FAIL $1 [$2]"; echo "  got:  '$line'"; echo "  want: '$want'"; fail=1
  else
    echo "ok   $1 [$2] = $4"
  fi
}
absent() {
  if query "$1" >/dev/null && [ -n "$(query "$1")" ]; then echo "FAIL $1 exists"; fail=1; else echo "ok   $1 absent"; fi
}

U='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
L64="$(printf 'L%.0s' $(seq 64))"
T64="$(printf 'T%.0s' $(seq 60))0064"
expect "$U\\Ocean" DisplayName REG_SZ "Ocean Wallpaper"
expect "$U\\Ocean" UninstallString REG_SZ '"C:\windows\WEB\Wallpaper\Ocean dir\uninstall.exe"'
expect "$U\\Ocean" Publisher REG_SZ "Moviva"
expect "$U\\Ocean Wallpaper" DisplayName REG_SZ "Ocean Wallpaper"
expect "$U\\Ocean Wallpaper" UninstallString REG_SZ '"C:\windows\WEB\Wallpaper\Ocean Wallpaper dir\uninstall.exe"'
expect "$U\\$L64" DisplayName REG_SZ "$L64 Wallpaper"
absent 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ocean'
absent 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ocean Wallpaper'
expect 'HKCU\Software\Microsoft\Internet Explorer\Desktop\Components\0' Flags REG_DWORD 0x2
expect 'HKCU\Software\Microsoft\Internet Explorer\Desktop\General' Wallpaper REG_SZ "C:\\windows\\Web\\Wallpaper\\$T64.html"
expect 'HKCU\Control Panel\Colors' Background REG_SZ "-1 128 0"
exit $fail
