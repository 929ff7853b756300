#!/usr/bin/env bash
# The real program as a desktop shows it (desktop_session: sway, GNOME on Wayland, GNOME with the program on
# XWayland, KDE's KWin), driven through the compositor's own input: the window comes up at the size the user
# should see, TEST and Quitter whole inside it; an apply and a TEST press leave in the drawn areas the very
# pixels the same operations leave on X11 (Xvfb with openbox); a resize erases them;
# on sway the drawn lines keep their places with the desktop's text scaled by 1.5; and on the Wayland
# desktops the trace is shown while a press through a sound server runs, not only at its end.
# Arguments: the program, the input client of sway (wayland_input), the desktop.
source "$(dirname "$0")/../scripts/program_harness.sh"
input_client=$2
kind=$3
desktop=$(dirname "$0")/desktop_session
session=$(dirname "$0")/../support/sound_server/session
for tool in import compare convert; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps installs it)"
done

# What the desktop's user runs must be readable by it, wherever the build is.
chmod 755 "$work"
mkdir -m 777 "$work/bin" "$work/shots" "$work/sound"
cp "$program" "$input_client" "$session" "$work/bin/"
"$desktop" start "$kind" "$work/desktop" || { [ $? = 77 ] && skip "no $kind desktop"; fail "$kind did not start"; }
trap '"$desktop" run "$work/desktop" "$work/bin/session" stop "$work/sound" >/dev/null 2>&1 || true
      "$desktop" stop "$work/desktop"; cleanup' EXIT
trap "exit 1" TERM INT # the exit handler still stops the desktop and sound server
on_desktop() { "$desktop" run "$work/desktop" "$@"; }
wayland=true
[ "$kind" = gnome-x11 ] && wayland=false

# A device that has all its bytes at once: ALSA's file plugin over the null device.
python3 -c 'import sys; sys.stdout.buffer.write(bytes(i * 37 % 256 for i in range(200000)))' >"$work/bin/input.raw"
printf 'pcm.!default {\n type file\n slave.pcm "null"\n file "/dev/null"\n infile "%s"\n format "raw"\n}\n' \
  "$work/bin/input.raw" | tee "$HOME/.asoundrc" >"$work/desktop/home/.asoundrc"

# Panel points of the operations, and the panel's areas the drawings hold and no control covers: the busy
# mark, the summary line below the list, the numbers line, band and status lines above the buttons, and the
# count line beside them.
declare -A points=([row0]="100 33" [row1]="100 57" [test]="160 365")
# An apply is a double click on a row, or a click on it and Enter; Enter is key 28 of the evdev codes.
operations=("apply row1" "test" "enter row0" "test")
convert -size 510x440 xc:black -fill white -draw "rectangle 0,0 29,19" -draw "rectangle 0,100 507,119" \
  -draw "rectangle 0,146 507,349" -draw "rectangle 0,350 117,357" "$work/drawn.png"
convert -size 510x440 xc:black -fill white -draw "rectangle 0,165 499,292" "$work/band.png"
white=$work/white.png
convert -size 510x440 xc:white "$white"
lines=("428x19+80+100" "358x14+150+153" "468x18+40+300" "468x18+40+320" "78x18+40+340")

# How many pixels of the areas a mask shows differ between two images.
pixels_differ() { # image, image, mask
  convert "$1" "$2" -compose difference -composite "$3" -compose multiply -composite \
    -threshold 0 -format '%[fx:round(mean*w*h)]' info:
}
ink_boxes() { # image: the box of the dark pixels of each drawn line, WIDTHxHEIGHT+X+Y
  for area in "${lines[@]}"; do convert "$1" -crop "$area" +repage -threshold 50% -format '%@ ' info:; done
}
# The same places and heights; the ends may differ by a pixel the glyphs' smoothed edges reach at the other
# scale (the font's size in points is rounded to 1/1024 point, so it comes within 1/1000 pixel of the size).
same_lines() { # boxes, boxes
  awk -v a="$1" -v b="$2" 'BEGIN { n = split(a, first, " "); split(b, second, " ")
    for (i = 1; i <= n; i++) { split(first[i], p, /[x+]/); split(second[i], q, /[x+]/)
      if (p[2] != q[2] || p[4] != q[4] || (p[3] - q[3])^2 > 1 || (p[1] + p[3] - q[1] - q[3])^2 > 1) exit 1 } }'
}

# --- X11: the reference pixels, one shot after each operation.
echo "$(date +%T) X11"
start_program
x11_shot() { import -window "$window" -crop 510x440+0+0 +repage "$1"; }
x11_shot "$work/x11-start.png"
for i in "${!operations[@]}"; do
  set -- ${operations[$i]}
  if [ "$1" = apply ]; then
    xdotool mousemove --window "$window" ${points[$2]} click --repeat 2 --delay 80 1
  elif [ "$1" = enter ]; then
    xdotool mousemove --window "$window" ${points[$2]} click 1 key Return
  else
    click_panel ${points[test]}
  fi
  # The window has taken the operation's drawing once its drawn areas have changed and two shots agree.
  previous=${previous:-$white}
  for _ in $(seq 100); do
    x11_shot "$work/x11-$i.png"
    [ "$(pixels_differ "$previous" "$work/x11-$i.png" "$work/drawn.png")" != 0 ] && break
    sleep 0.1
  done
  for _ in $(seq 20); do
    x11_shot "$work/x11-again.png"
    compare -metric AE "$work/x11-$i.png" "$work/x11-again.png" null: 2>/dev/null && break
    cp "$work/x11-again.png" "$work/x11-$i.png"
  done
  previous=$work/x11-$i.png
done

# --- The desktop: the program as the desktop's user; input through the compositor.
echo "$(date +%T) $kind"
start_on_desktop() { # variables for the program...
  # Started straight, not through a function: $! is then the program itself.
  "$desktop" run "$work/desktop" env "$@" "$work/bin/$(basename "$program")" 2>"$work/stderr" &
  pid=$!
  wait_for "$desktop" window "$work/desktop" || fail "no window appeared on $kind"
  read -r wx wy _ < <("$desktop" window "$work/desktop")
}
stop_on_desktop() { kill "$pid"; wait "$pid" 2>/dev/null || true; pid=; }
mkfifo -m 666 "$work/input" "$work/input-done"
"$desktop" input "$work/desktop" "$work/bin/$(basename "$input_client")" <"$work/input" >"$work/input-done" &
exec 7>"$work/input" 8<"$work/input-done"
send() { # an input command, once the compositor has taken the one before
  echo "$*" >&7
  read -r -t 10 _ <&8 || fail "the $kind input did not take '$*'"
}
click() { # panel x, panel y[, times]
  send move $((wx + $1)) $((wy + $2))
  for _ in $(seq "${3:-1}"); do send click; done
}
shot() {
  read -r wx wy _ < <("$desktop" window "$work/desktop")
  "$desktop" shot "$work/desktop" "$work/shots/$1.png" "$wx" "$wy" 510 440 && echo "$work/shots/$1.png"
}
# Waits for the areas of a shot to equal those of an image; answers how many pixels still differed.
shows() { # image[, mask]
  local differ
  for _ in $(seq 200); do
    differ=$(pixels_differ "$1" "$(shot now)" "${2:-$work/drawn.png}")
    [ "$differ" = 0 ] && return 0
    sleep 0.1
  done
  echo "$differ"
  return 1
}
# The box of what a button draws in its place and two pixels around it, WIDTHxHEIGHT+X+Y: where the window
# ends inside that, what lies beyond it is not the panel's white either.
button_box() { # image, x, y
  convert "$1" -crop "84x34+$(($2 - 2))+$(($3 - 2))" +repage -fuzz 2% -fill black +opaque white -format '%@' info:
}
buttons=("120 350" "260 350")

for scale in 1 1.5; do
  [ "$scale" != 1 ] && [ "$kind" != sway ] && break
  $wayland && protocol=(WAYLAND_DEBUG=1) || protocol=()
  start_on_desktop GDK_DPI_SCALE=$scale "${protocol[@]}"
  # Pointer away from the panel: a control under it would light up.
  read -r screen_width screen_height < <("$desktop" screen "$work/desktop")
  send move $((screen_width - 1)) $((screen_height - 1))
  shows "$white" "$work/band.png" >/dev/null || fail "the panel did not show on $kind"
  if [ "$scale" = 1 ]; then
    # The frame as the user sees it: 510 x 440 where the program knows its decorations (drawn by GTK on
    # GNOME, reported by the window manager on X11); a compositor that adds decorations of its own without
    # saying how large (KWin) frames a 510 x 440 client area.
    read -r _ _ client_width client_height < <("$desktop" window "$work/desktop")
    read -r frame_width frame_height < <("$desktop" frame "$work/desktop")
    if [ "$kind" = kde ]; then
      [ "$client_width x $client_height" = "510 x 440" ] ||
        fail "KWin gave the window a client area of $client_width x $client_height, not 510 x 440"
    else
      [ "$frame_width x $frame_height" = "510 x 440" ] ||
        fail "$kind shows a frame of $frame_width x $frame_height, not 510 x 440"
    fi
    if [ "$kind" = gnome ]; then
      geometry=$(grep -ao 'set_window_geometry([^)]*)' "$work/stderr" | tail -n 1)
      [ "$(echo "$geometry" | cut -d, -f3,4 | tr -d ' )')" = 510,440 ] ||
        fail "the window told the compositor a geometry of $geometry, not 510 x 440"
    fi
    shot start >/dev/null
    for place in "${buttons[@]}"; do
      drawn=$(button_box "$work/shots/start.png" $place)
      [ "$drawn" = "$(button_box "$work/x11-start.png" $place)" ] ||
        fail "the button at $place is not whole: it shows $drawn, on X11 $(button_box "$work/x11-start.png" $place)"
    done
  fi
  for i in "${!operations[@]}"; do
    set -- ${operations[$i]}
    case $1 in
    apply) click ${points[$2]} 2 ;;
    enter) click ${points[$2]} && send key 28 ;;
    *) click ${points[test]} ;;
    esac
    if [ "$scale" = 1 ]; then
      differ=$(shows "$work/x11-$i.png") ||
        fail "after '${operations[$i]}', $differ pixels differ from X11 (shots in $work)"
    fi
  done
  [ "$scale" = 1 ] && boxes=$(ink_boxes "$(shot last)")
  # The busy mark is gone once a press ends: the blanks drawn over it cover it, whatever the desktop's font.
  [ "$(convert "$work/shots/last.png" -crop 100x19+0+0 -format '%[fx:minima]' info:)" = 1 ] ||
    fail "the busy mark is still seen after TEST"
  [ "$scale" != 1 ] && ! same_lines "$(ink_boxes "$(shot last)")" "$boxes" &&
    fail "with the text scaled by $scale the drawn lines moved: $(ink_boxes "$(shot last)") against $boxes"
  if [ "$scale" = 1 ]; then
    "$desktop" resize "$work/desktop" 560 480
    differ=$(shows "$white") || fail "a resize left $differ drawn pixels"
  fi
  stop_on_desktop
done
$wayland || { echo "$kind window test passed"; exit 0; }

# --- The live trace through a private sound server: the band is shown more than once while TEST runs.
echo "$(date +%T) sound server"
on_desktop "$work/bin/session" start "$work/sound" || fail "the sound server session did not start"
start_on_desktop $(cat "$work/sound/env") HOME="$work/sound/home" XDG_RUNTIME_DIR="$work/sound/run" WAYLAND_DEBUG=1
# A click before the panel is shown may land beside it, where the window is not yet.
shows "$white" "$work/band.png" >/dev/null || fail "the panel did not show on $kind with the sound server"
click ${points[test]}
# From the protocol log: the commits of band pixels after the button's release and before the count line's.
read -r left top < <("$desktop" surface "$work/desktop")
shown_during_press() {
  awk -v left="$left" -v top="$top" '/wl_pointer@[0-9]+\.button\(.*, 272, 0\)/ { pressed = 1 }
    pressed && /damage\(/ { split(substr($0, index($0, "damage(") + 7), a, /[(), ]+/); x = a[1] - left; y = a[2] - top
                            if (y <= 293 && y + a[4] > 165) band = 1
                            if (y >= 338 && y < 350 && x < 120) { counted = 1; exit } }
    pressed && /commit\(\)/ && band { shown++; band = 0 }
    END { print shown + 0; exit !counted }' "$work/stderr"
}
wait_for shown_during_press || fail "TEST drew no count line through the sound server"
shown=$(shown_during_press)
[ "$shown" -ge 2 ] || fail "the trace was shown $shown time(s) while the press ran"
echo "$kind window test passed (trace shown $shown times during a press)"
