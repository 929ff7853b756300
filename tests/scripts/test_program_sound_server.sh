#!/usr/bin/env bash
# The real program recording through a private PipeWire session, started with its standard error closed
# (a library's diagnostics must not land in whatever file takes descriptor 2): TEST draws the played level,
# survives the server being stopped and records again once it is back, and the program ends normally.
source "$(dirname "$0")/program_harness.sh"

session=$(dirname "$0")/../support/sound_server/session
status=0
"$session" start "$work/session" || status=$?
[ "$status" = 77 ] && { echo "SKIP: no PipeWire session can run here"; exit 77; }
[ "$status" = 0 ] || fail "the sound server session did not start"
trap '"$session" stop "$work/session"; cleanup' EXIT
export HOME=$work/session/home XDG_RUNTIME_DIR=$work/session/run

"$program" 2>&- &
pid=$!
wait_for_frame

pixel() { import -window "$window" -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}' | head -n1; }
# The level played (a quarter of full scale) draws a 16-pixel bar of 8-bit samples at 160: rows 214..293.
bar_shown() { [ "$(pixel 250 250)" = "#00FF00" ] && [ "$(pixel 250 200)" = "#FFFFFF" ]; }
wait_for_bar() { wait_within 5 bar_shown; }
press_test() { click_panel 160 365; }

press_test
wait_for_bar || fail "TEST drew no bar at the played level (column 250: $(pixel 250 250) at row 250)"
kill -0 "$pid" 2>/dev/null || fail "the program died during TEST"

"$session" stop-server "$work/session"
press_test
press_test
kill -0 "$pid" 2>/dev/null || fail "the program died on TEST with the sound server stopped"

"$session" start-server "$work/session"
band_erased() { [ "$(pixel 250 250)" != "#00FF00" ]; }
xdotool windowminimize --sync "$window" && wmctrl -i -a "$window"
wait_for band_erased || fail "the band was not erased by covering the window"
wait_for window_ready || fail "the frame was not shown and focused again"
press_test
wait_for_bar || fail "TEST drew no bar after the sound server came back"

wmctrl -i -c "$window"
wait_for_exit
[ "$status" = 0 ] || fail "exit status $status"
echo "sound server program test passed"
