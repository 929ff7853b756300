#!/usr/bin/env bash
# The real program with its settings file bind-mounted on its own, as containers and sandboxes mount files:
# the file cannot be replaced by a rename (EBUSY), and Quitter writes the values into it in place. The
# program runs in a private mount namespace; skipped where this user may not make one.
source "$(dirname "$0")/program_harness.sh"

conf=$XDG_CONFIG_HOME/Ostrel/PALVEX.conf
mounted=$work/mounted.conf
mkdir -p "$(dirname "$conf")"
: >"$conf"
printf '# kept\r\n[Other]\r\nKeep=yes\r\n' >"$mounted"
unshare -m --propagation private mount --bind "$mounted" "$conf" 2>"$work/unshare.log" ||
  skip "no private mount namespace for this user: $(cat "$work/unshare.log")"

# The program, started in a namespace of its own with the file mounted there; exec keeps its process id.
real=$program
program=$work/in-namespace
cat >"$program" <<SCRIPT
#!/bin/sh
exec unshare -m --propagation private sh -c 'mount --bind "\$1" "\$2" && exec "\$3"' sh "$mounted" "$conf" "$real"
SCRIPT
chmod +x "$program"

start_program
click_panel 300 365 # Quitter
wait_for_exit
[ "$status" = 0 ] || fail "exit status $status after Quitter"
printf '# kept\r\nFormatTag=1\r\nChannels=1\r\nSamplesPerSec=11025\r\nAvgBytesPerSec=11025\r\nBlockAlign=1\r\n%s' \
  'BitsPerSample=8'$'\r\n''cbSize=0'$'\r\n''[Other]'$'\r\n''Keep=yes'$'\r\n' >"$work/expected"
cmp -s "$work/expected" "$mounted" || fail "the mounted file holds:
$(cat -A "$mounted")"
[ ! -s "$conf" ] || fail "the file under the mount changed: $(cat -A "$conf")"
[ "$(ls -A "$(dirname "$conf")")" = "PALVEX.conf" ] || fail "left beside the settings: $(ls -A "$(dirname "$conf")")"
echo "quit with a mounted settings file passed"
