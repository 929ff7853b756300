#!/usr/bin/env bash
# The real program on GTK's Wayland backend, in a headless sway with no X server, driven through the
# compositor's virtual pointer: what an apply and a TEST press draw shows the very pixels the same presses
# leave on X11 (Xvfb); a resize erases it; the drawn lines keep their places and sizes with the desktop's
# text scaled by 1.5; and through a sound server the trace is shown while the press runs, not only at its end.
# Arguments: the program, the input client (wayland_input).
source "$(dirname "$0")/../scripts/program_harness.sh"
input_client=$2
compositor=$(dirname "$0")/sway_session
session=$(dirname "$0")/../support/sound_server/session
for tool in sway grim import compare convert; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps installs it)"
done

# What the compositor's user runs must be readable by it, wherever the build is.
chmod 755 "$work"
mkdir -m 777 "$work/bin" "$work/shots" "$work/sound"
cp "$program" "$input_client" "$session" "$work/bin/"
"$compositor" start "$work/sway" || { [ $? = 77 ] && skip "no compositor"; fail "sway did not start"; }
trap '"$compositor" run "$work/sway" "$work/bin/session" stop "$work/sound" >/dev/null 2>&1 || true
      "$compositor" stop "$work/sway"; cleanup' EXIT
trap "exit 1" TERM INT # the exit handler still stops the compositor and sound server
on_wayland() { "$compositor" run "$work/sway" "$@"; }

# A device that has all its bytes at once: ALSA's file plugin over the null device.
python3 -c 'import sys; sys.stdout.buffer.write(bytes(i * 37 % 256 for i in range(200000)))' >"$work/bin/input.raw"
printf 'pcm.!default {\n type file\n slave.pcm "null"\n file "/dev/null"\n infile "%s"\n format "raw"\n}\n' \
  "$work/bin/input.raw" | tee "$HOME/.asoundrc" >"$work/sway/home/.asoundrc"

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

# --- Wayland: the program under sway, as the compositor's user; input through the virtual devices.
echo "$(date +%T) Wayland"
start_on_wayland() { # variables for the program...
  "$compositor" run "$work/sway" env "$@" "$work/bin/$(basename "$program")" 2>"$work/stderr" &
  pid=$!
  wait_for "$compositor" window "$work/sway" || fail "no window appeared on Wayland"
  read -r wx wy _ < <("$compositor" window "$work/sway")
}
stop_on_wayland() { kill "$pid"; wait "$pid" 2>/dev/null || true; pid=; }
mkfifo -m 666 "$work/input"
on_wayland "$work/bin/$(basename "$input_client")" $("$compositor" screen "$work/sway") <"$work/input" >/dev/null &
exec 7>"$work/input"
click() { # panel x, panel y[, times]
  echo "move $((wx + $1)) $((wy + $2))" >&7
  for _ in $(seq "${3:-1}"); do echo click >&7; done
}
shot() {
  read -r wx wy _ < <("$compositor" window "$work/sway")
  on_wayland grim -g "$wx,$wy 510x440" "$work/shots/$1.png" && echo "$work/shots/$1.png"
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

for scale in 1 1.5; do
  start_on_wayland GDK_DPI_SCALE=$scale
  shows "$white" "$work/band.png" >/dev/null || fail "the panel did not show on Wayland"
  for i in "${!operations[@]}"; do
    set -- ${operations[$i]}
    case $1 in
    apply) click ${points[$2]} 2 ;;
    enter) click ${points[$2]} && echo "key 28" >&7 ;;
    *) click ${points[test]} ;;
    esac
    if [ "$scale" = 1 ]; then
      differ=$(shows "$work/x11-$i.png") ||
        fail "after '${operations[$i]}', $differ pixels differ from X11 (shots in $work)"
    fi
  done
  [ "$scale" = 1 ] && boxes=$(ink_boxes "$(shot last)")
  [ "$scale" != 1 ] && ! same_lines "$(ink_boxes "$(shot last)")" "$boxes" &&
    fail "with the text scaled by $scale the drawn lines moved: $(ink_boxes "$(shot last)") against $boxes"
  if [ "$scale" = 1 ]; then
    on_wayland swaymsg "[pid=$pid] resize set 560 480" >/dev/null
    differ=$(shows "$white") || fail "a resize left $differ drawn pixels"
  fi
  stop_on_wayland
done

# --- The live trace through a private sound server: the band is shown more than once while TEST runs.
echo "$(date +%T) sound server"
on_wayland "$work/bin/session" start "$work/sound" || fail "the sound server session did not start"
start_on_wayland $(cat "$work/sound/env") HOME="$work/sound/home" XDG_RUNTIME_DIR="$work/sound/run" WAYLAND_DEBUG=1
# A click before the panel is shown may land beside it, where the window is not yet.
shows "$white" "$work/band.png" >/dev/null || fail "the panel did not show on Wayland with the sound server"
click ${points[test]}
# From the protocol log: the commits of band pixels after the button's release and before the count line's.
shown_during_press() {
  awk '/wl_pointer@[0-9]+\.button\(.*, 272, 0\)/ { pressed = 1 }
    pressed && /damage\(/ { split(substr($0, index($0, "damage(") + 7), a, /[(), ]+/); x = a[1]; y = a[2]
                            if (y <= 293 && y + a[4] > 165) band = 1
                            if (y >= 338 && y < 350 && x < 120) { counted = 1; exit } }
    pressed && /commit\(\)/ && band { shown++; band = 0 }
    END { print shown + 0; exit !counted }' "$work/stderr"
}
wait_for shown_during_press || fail "TEST drew no count line through the sound server"
shown=$(shown_during_press)
[ "$shown" -ge 2 ] || fail "the trace was shown $shown time(s) while the press ran"
echo "Wayland window test passed (trace shown $shown times during a press)"
