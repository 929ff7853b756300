#!/usr/bin/env bash
# `cpack -G DEB` builds a package holding every file of installed_files.txt under /usr, with its
# dependencies found by dpkg-shlibdeps and the project's metadata, on which lintian finds no error or
# warning. Installing it (apt-get install ./varnel_*.deb) is left to a person: it changes the system.
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

# lintian refuses nothing to root but says so on standard error; only its tags matter. Its notes too say
# whether the programs are built as Debian builds its own: hardened, without the compilers' stamps.
lintian -I -E --pedantic --fail-on error,warning "$deb" >"$work/lintian" 2>"$work/lintian.err" ||
  fail "lintian: $(cat "$work/lintian" "$work/lintian.err")"
grep -E 'hardening-|binary-has-unneeded-section' "$work/lintian" >&2 && fail "lintian finds the programs unhardened"
finish "$(basename "$deb") checked; lintian reports no error, warning or hardening note"
