#!/usr/bin/env bash
# scripts/install-deps on an empty machine: stand-ins answer for dpkg-query (nothing is installed) and apt-get
# (which notes what the local packages it is asked to install depend on). The run set holds none of the
# test and Windows tool chains; the test set holds the package of every tool the tests look for.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
cd "$work/bin"
stand_in() { printf '#!/bin/sh\n%s\n' "$2" >"$1" && chmod +x "$1"; } # name, shell body
stand_in dpkg-query 'exit 1'
stand_in sudo 'exec "$@"'
stand_in debconf-set-selections 'cat >/dev/null'
stand_in systemctl true
stand_in apt-get 'echo "$*" >>calls
for a; do case $a in *.deb) dpkg-deb -f "$a" Depends | tr -d " " | tr , "\n" >>asked ;; esac; done'

fail() { echo "FAIL: $*" >&2 && exit 1; }

asked() { # set: the packages install-deps asks apt-get for, one a line
  rm -f asked calls
  PATH=$work/bin:$PATH "$source_dir/scripts/install-deps" "$1" </dev/null >out 2>&1 || fail "install-deps $1: $(cat out)"
  grep -q "purge --auto-remove .*varnel-$1-deps" out || fail "install-deps $1 says not how to remove the set"
  grep -q 'install .*-y' calls || fail "install-deps $1 would ask, with no terminal to answer"
  sort -u asked
}

run=$(asked run)
grep -qx libwxgtk3.2-dev <<<"$run" || fail "the run set lacks wxWidgets"
heavy=$(grep -E '^(wine.*|.*mingw.*|nsis|clang-tidy|sway|jackd2|lintian|xvfb|googletest|libgtest-dev)$' <<<"$run") &&
  fail "the run set holds ${heavy//$'\n'/ }"
asked windows | grep -qx wine || fail "the windows set lacks Wine"

# Every tool the tests look for comes from a package of the test set, a package one of them depends on, or
# one every Debian system has. Tools that are no Debian package's (a Python of one's own) are left out.
test=$(asked test)
covered=$({ echo "$test"; dpkg-query -W -f='${Depends}\n' $test 2>/dev/null || true; } |
  tr ',|' '\n\n' | sed 's/(.*//; s/:any//; s/ //g')
for tool in $(grep -rhoE 'for tool in [[:alnum:] ._-]+;' "$source_dir/tests" "$source_dir/scripts" | sed 's/for tool in//; s/;//'); do
  path=$(command -v "$tool") || fail "the tests use $tool, which is not installed: the test set should install it"
  package=$(dpkg -S "$path" 2>/dev/null || dpkg -S "$(readlink -f "$path")" 2>/dev/null) || continue
  grep -qx "${package%%:*}" <<<"$covered" || [ "$(dpkg-query -W -f='${Priority}' "${package%%:*}")" = required ] ||
    fail "the tests use $tool, of ${package%%:*}, which the test set does not install"
done
stand_in dpkg-query 'echo "install ok installed"'
rm -f asked
PATH=$work/bin:$PATH "$source_dir/scripts/install-deps" run test windows </dev/null >out
[ ! -e asked ] || fail "install-deps installs what is there already"
echo "the sets ask for: run $(wc -l <<<"$run"), test $(wc -l <<<"$test") packages"
