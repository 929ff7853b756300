#!/usr/bin/env bash
# `cpack -G DEB` builds a package holding every file of installed_files.txt under /usr, with its
# dependencies found by dpkg-shlibdeps and the project's metadata, on which lintian finds no error or
# warning, and systemd user units that systemd-analyze verifies. Installing it (apt-get install ./varnel_*.deb) is left to a person: it changes the system.
# Argument: build folder.
source "$(dirname "$0")/packaging_harness.sh"

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; exit 1; }
debs=("$work"/out/varnel_*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || { fail "cpack made no single varnel_*.deb: $(ls "$work/out")"; finish ""; }
deb=${debs[0]}

[ "$(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\./||' | sort)" = \
  "$(expected_files | sed 's|^|usr/|')" ] ||
  fail "package contents: $(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\./||' | sort |
    diff <(expected_files | sed 's|^|usr/|') - || true)"

field() { dpkg-deb -f "$deb" "$1"; }
for name in Package Version Architecture Maintainer Section Priority Description; do
  [ -n "$(field "$name")" ] || fail "no $name field"
done
[ "$(field Package)" = varnel ] || fail "Package: $(field Package)"
for library in libwxgtk3.2 libasound2 libc6; do
  field Depends | grep -q "$library" || fail "Depends lacks $library: $(field Depends)"
done
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/bin/varnel >"$work/varnel"
file "$work/varnel" | grep -q ', stripped' || fail "the program is not stripped: $(file "$work/varnel")"

# The user units as the package installs them: systemd reads them without a word (it checks the manual
# page they name too), and the service runs the packaged probe.
dpkg-deb -x "$deb" "$work/root"
mkdir -m 700 "$work/run"
units=$work/root/usr/lib/systemd/user
report=$(cd "$units" && MANPATH=$work/root/usr/share/man XDG_RUNTIME_DIR=$work/run \
  systemd-analyze --user verify ./varnel-probe.service ./varnel-probe.timer 2>&1) && [ -z "$report" ] ||
  fail "systemd-analyze verify: $report"
grep -q "^ExecStart=.* /usr/bin/varnel-probe$" "$units/varnel-probe.service" ||
  fail "the service does not run /usr/bin/varnel-probe: $(grep ExecStart "$units/varnel-probe.service")"

# lintian refuses nothing to root but says so on standard error; only its tags matter. Its notes too say
# whether the programs are built as Debian builds its own: hardened, without the compilers' stamps.
lintian -I -E --pedantic --fail-on error,warning "$deb" >"$work/lintian" 2>"$work/lintian.err" ||
  fail "lintian: $(cat "$work/lintian" "$work/lintian.err")"
grep -E 'hardening-|binary-has-unneeded-section' "$work/lintian" >&2 && fail "lintian finds the programs unhardened"
finish "$(basename "$deb") checked; lintian reports no error, warning or hardening note"
