#!/usr/bin/env bash
# The Windows programs as a user starts them, under Wine on the X display: Quitter writes the seven values
# into an existing key and nothing without it; varnel-probe answers on its console and replaces --output's
# file; the installer installs and the uninstaller leaves nothing behind.
#   test_windows_programs.sh VARNEL_EXE BUILD_DIR      (WINEPREFIX names the Wine prefix to use)
set -euo pipefail
exe=$1
build=$2
export WINEDEBUG=-all
key='HKCU\Software\Ostrel\PALVEX'
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

wait_for() { # seconds, command...: polls the command until it succeeds
  local until=$((SECONDS + $1))
  until "${@:2}" >/dev/null 2>&1; do [ $SECONDS -lt $until ] || return 1; sleep 0.2; done
}

# Starts varnel.exe, clicks Quitter (at 260,350, 80 by 30, on the client area, which is the X window Wine
# makes for the frame) and waits for the program to end. The window may show before its controls take
# clicks, so a click the program did not end on is made again.
quit_from_window() {
  wine "$exe" &
  local program=$! window
  wait_for 60 xdotool search --name '^Varnel $' || { fail "no window captioned 'Varnel '"; kill $program; return; }
  window=$(xdotool search --name '^Varnel $' | head -n1)
  for _ in $(seq 10); do
    xdotool mousemove --window "$window" 300 365 click 1 2>/dev/null || true
    wait_for 3 bash -c "! kill -0 $program" && break
  done
  kill -0 $program 2>/dev/null && { fail "Quitter did not end the program"; kill $program; }
  wait $program || true
}

# Rows: whether the key exists beforehand, what `reg query` shows of it afterwards: the seven REG_DWORD
# values of the default format, or nothing. (Wine's registry lists values by name; the order of the writes
# is checked by settings_export_test.)
expected_values=$(printf '%s REG_DWORD %s\n' FormatTag 0x1 Channels 0x1 SamplesPerSec 0x2b11 AvgBytesPerSec 0x2b11 \
  BlockAlign 0x1 BitsPerSample 0x8 cbSize 0x0 | sort)
for present in yes no; do
  wine reg delete "$key" /f >/dev/null 2>&1 || true
  [ $present = yes ] && wine reg add "$key" /f >/dev/null
  quit_from_window
  shown=$(wine reg query "$key" 2>/dev/null | tr -d '\r' | awk 'NF == 3 {print $1, $2, $3}' | sort || true)
  if [ $present = yes ] && [ "$shown" != "$expected_values" ]; then
    fail "with the key present, reg query shows:"$'\n'"$shown"
  fi
  if [ $present = no ] && wine reg query "$key" >/dev/null 2>&1; then
    fail "with the key absent, Quitter created it"
  fi
done
wine reg delete "$key" /f >/dev/null 2>&1 || true

# varnel-probe is a console program: its help reaches the console it was started from.
wine "$build/varnel-probe.exe" --help 2>&1 | tr -d '\r' | grep -q 'varnel-probe' || fail "varnel-probe --help printed no help"
# --output replaces the file it names.
echo old >"$build/devices.json"
wine "$build/varnel-probe.exe" --list-devices --json --output "$(winepath -w "$build/devices.json")" >/dev/null 2>&1 || true
python3 -m json.tool "$build/devices.json" >/dev/null || fail "--output left: $(cat "$build/devices.json")"

# The installer, silent, then the uninstaller: the files, the Start-menu entry and the uninstall entry come
# and go. The uninstaller runs on from a copy of itself, so its end is waited for as the folder going.
installer=$(ls "$build"/varnel-*-setup.exe 2>/dev/null | head -n1)
if [ -z "$installer" ]; then
  fail "no installer in $build (made by scripts/build-windows)"
else
  drive=${WINEPREFIX:-$HOME/.wine}/drive_c
  folder="$drive/Program Files/Varnel"
  entry="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Varnel/Varnel.lnk"
  uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Varnel'
  wine "$installer" /S
  for file in varnel.exe varnel-probe.exe LICENSE.txt uninstall.exe; do
    [ -f "$folder/$file" ] || fail "installed: $file missing"
  done
  [ -f "$entry" ] || fail "installed: no Start-menu entry"
  wine reg query "$uninstall_key" >/dev/null 2>&1 || fail "installed: no uninstall entry"
  wine "$folder/uninstall.exe" /S
  wait_for 60 test ! -e "$folder" || fail "uninstalled: $folder still there: $(ls "$folder")"
  [ ! -e "$(dirname "$entry")" ] || fail "uninstalled: Start-menu folder still there"
  ! wine reg query "$uninstall_key" >/dev/null 2>&1 || fail "uninstalled: uninstall entry still there"
fi

[ $failures -eq 0 ] && echo "all passed"
exit $((failures > 0))
