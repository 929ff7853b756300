#!/usr/bin/env bash
# The real program, run by a user who may write the settings file but not its folder (as a file bind-mounted
# into a read-only folder looks to a user other than root): Quitter writes the values into the file in place.
# Run as root (as CI runs), the program runs as an unprivileged user made for it, varnel-test.
source "$(dirname "$0")/program_harness.sh"

user=varnel-test
conf=$XDG_CONFIG_HOME/Ostrel/PALVEX.conf
mkdir -p "$(dirname "$conf")"
printf '# kept\n' >"$conf"
if [ "$(id -u)" -eq 0 ]; then
  command -v setpriv >/dev/null || skip "setpriv is not installed (util-linux)"
  id "$user" >/dev/null 2>&1 ||
    useradd --system --user-group --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user"
  chown -R "$user:$user" "$HOME"
  chmod 755 "$work"
  real=$program
  program=$work/as-user
  printf '#!/bin/sh\nexec setpriv --reuid=%s --regid=%s --init-groups "%s"\n' "$user" "$user" "$real" >"$program"
  chmod +x "$program"
fi
chmod 555 "$(dirname "$conf")"

start_program
click_panel 300 365 # Quitter
wait_for_exit
[ "$status" = 0 ] || fail "exit status $status after Quitter"
printf '# kept\nFormatTag=1\nChannels=1\nSamplesPerSec=11025\nAvgBytesPerSec=11025\nBlockAlign=1\nBitsPerSample=8\ncbSize=0\n' \
  >"$work/expected"
cmp -s "$work/expected" "$conf" || fail "the settings file holds:
$(cat -A "$conf")"
echo "quit with a settings file in a read-only folder passed"
