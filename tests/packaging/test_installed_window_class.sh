#!/usr/bin/env bash
# The installed program, started by the name its desktop entry runs, shows a window whose WM_CLASS class is
# the entry's StartupWMClass, so that docks and task bars match the window to the entry, and which carries
# the program's icon. Needs an X display.
# Argument: build folder.
source "$(dirname "$0")/packaging_harness.sh"

cmake --install "$build" --prefix "$work/prefix" >/dev/null
desktop=$work/prefix/share/applications/org.varnel.Varnel.desktop
wanted=$(desktop_value "$desktop" StartupWMClass)
[ -n "$wanted" ] || fail "the desktop entry has no StartupWMClass"

command=$(desktop_value "$desktop" Exec)
mkdir -p "$work/home"
HOME=$work/home XDG_CONFIG_HOME=$work/home/.config NO_AT_BRIDGE=1 PATH=$work/prefix/bin:$PATH \
  "$command" >"$work/output" 2>&1 &
pid=$!
stop_program() { kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; }
trap 'stop_program; cleanup' EXIT
window=
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --pid "$pid" --name '^Varnel $' 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { fail "no window appeared: $(cat "$work/output")"; finish ""; }

# WM_CLASS(STRING) = "instance", "class". The instance is the toolkit's program name, which on Wayland is
# the window's app_id: the desktop entry's id.
class=$(xprop -id "$window" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = "[^"]*", "\([^"]*\)"$/\1/p')
[ "$class" = "$wanted" ] || fail "the window's class is '$class', the desktop entry says StartupWMClass=$wanted"
instance=$(xprop -id "$window" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = "\([^"]*\)".*/\1/p')
[ "$instance.desktop" = "$(basename "$desktop")" ] || fail "the program name '$instance' is not the entry's id"

# The frame carries the installed icon at each of its sizes that X11 takes (GTK passes up to 128 px).
icon_sizes=$(xprop -id "$window" _NET_WM_ICON | sed -n 's/.*Icon (\([0-9]*\) x \([0-9]*\)).*/\1x\2/p' | xargs)
installed=$(cd "$work/prefix/share/icons/hicolor" && printf '%s\n' *x* | sort -n | awk -F x '$1 <= 128' | xargs)
[ "$icon_sizes" = "$installed" ] || fail "the window's icons are '$icon_sizes', not the installed '$installed'"
finish "window class $class and program name $instance match the desktop entry; icons $icon_sizes"
