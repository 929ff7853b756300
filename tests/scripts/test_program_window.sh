#!/usr/bin/env bash
# The real program: starts with arguments it ignores, shows its frame at its size, moves the focus with Tab
# and ends with status 0 when the window manager closes it, writing no setting.
source "$(dirname "$0")/program_harness.sh"

mkdir -p "$XDG_CONFIG_HOME/Ostrel"
printf '# kept as it is\nFormatTag=99\n' >"$XDG_CONFIG_HOME/Ostrel/PALVEX.conf"
before=$(cat "$XDG_CONFIG_HOME/Ostrel/PALVEX.conf")

start_program --help foo -x

[ "$(xprop -id "$window" WM_NAME)" = 'WM_NAME(STRING) = "Varnel "' ] || fail "caption: $(xprop -id "$window" WM_NAME)"
extents=$(xprop -id "$window" _NET_FRAME_EXTENTS)
[[ $extents == *=* ]] || fail "the window manager gave no frame extents: $extents"
read -r left right top bottom < <(sed 's/.*= //; s/,//g' <<<"$extents")
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$((WIDTH + left + right))x$((HEIGHT + top + bottom))" = "510x440" ] ||
  fail "outer size $((WIDTH + left + right))x$((HEIGHT + top + bottom)), not 510x440"

# The focus goes back to the format list, where Enter applies its row: the lines drawn show the keys were
# taken.
numbers_line_shown && fail "a numbers line was drawn before any apply"
xdotool windowactivate --sync "$window" key --clearmodifiers Tab key --clearmodifiers shift+Tab key Return
wait_for numbers_line_shown || fail "Enter after Tab, Shift+Tab applied no row"
kill -0 "$pid" 2>/dev/null || fail "the program ended on Tab, Shift+Tab, Enter"

wmctrl -i -c "$window"
wait_for_exit
[ "$status" = 0 ] || fail "exit status $status after the window manager closed the frame"
[ "$(cat "$XDG_CONFIG_HOME/Ostrel/PALVEX.conf")" = "$before" ] || fail "closing the frame wrote settings"
[ ! -s "$work/stdout" ] || fail "the program printed: $(cat "$work/stdout")"
echo "window test passed"
