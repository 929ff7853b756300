#!/usr/bin/env bash
# scripts/install-deps on an empty machine: stand-ins answer for dpkg-query (nothing is installed) and apt-get
# (which notes what the local packages it is asked to install depend on). The run set holds none of the
# test and Windows tool chains; the test set holds the package of every tool the tests look for.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
stand_in() { # name, shell body
  printf '#!/bin/sh\n%s\n' "$2" >"$work/bin/$1"
  chmod +x "$work/bin/$1"
}
stand_in dpkg-query '[ -n "$INSTALLED" ] && echo "install ok installed"'
stand_in apt-get 'echo "$*" >>"$WORK/calls"
for a; do case $a in *.deb) dpkg-deb -f "$a" Depends | tr , "\n" | tr -d " " >>"$WORK/asked" ;; esac; done'
stand_in sudo 'exec "$@"'
stand_in debconf-set-selections 'cat >/dev/null'
stand_in systemctl 'true'

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

asked() { # sets...: the packages install-deps asks apt-get for, one a line
  rm -f "$work/asked" "$work/calls"
  WORK=$work INSTALLED="" PATH=$work/bin:$PATH "$source_dir/scripts/install-deps" "$@" </dev/null >"$work/out" 2>&1 ||
    fail "install-deps $* failed: $(cat "$work/out")"
  grep -q "purge --auto-remove .*varnel-$1-deps" "$work/out" || fail "install-deps $* says not how to remove the set"
  grep -q 'install .*-y' "$work/calls" || fail "install-deps $* would ask, with no terminal to answer"
  sort -u "$work/asked"
}

run=$(asked run)
for package in cmake g++ libwxgtk3.2-dev libasound2-dev libcli11-dev nlohmann-json3-dev; do
  grep -qx "$package" <<<"$run" || fail "the run set lacks $package"
done
heavy=$(grep -E '^(wine.*|.*mingw.*|nsis|clang-tidy|sway|jackd2|lintian|xvfb|googletest|libgtest-dev)$' <<<"$run") &&
  fail "the run set holds ${heavy//$'\n'/ }"
windows=$(asked windows)
for package in g++-mingw-w64-x86-64-posix nsis wine cmake; do
  grep -qx "$package" <<<"$windows" || fail "the windows set lacks $package"
done

# Every tool the tests look for comes from a package of the test set, a package one of them depends on, or
# one every Debian system has. Tools that are no Debian package's (a Python of one's own) are left out.
test=$(asked test)
covered=$({ echo "$test"; dpkg-query -W -f='${Depends}\n' $test 2>/dev/null || true; } |
  tr ',|' '\n\n' | sed 's/(.*//; s/:any//; s/ //g' | sort -u)
for tool in $(grep -rhoE 'for tool in [[:alnum:] ._-]+;' "$source_dir/tests" "$source_dir/scripts" | sed 's/for tool in//; s/;//'); do
  path=$(command -v "$tool") || fail "the tests use $tool, which is not installed: the test set should install it"
  package=$(dpkg -S "$path" 2>/dev/null || dpkg -S "$(readlink -f "$path")" 2>/dev/null) || continue
  package=${package%%:*}
  grep -qx "$package" <<<"$covered" || [ "$(dpkg-query -W -f='${Priority}' "$package")" = required ] ||
    fail "the tests use $tool, of $package, which the test set does not install"
done

rm -f "$work/asked"
WORK=$work INSTALLED=1 PATH=$work/bin:$PATH "$source_dir/scripts/install-deps" run test windows </dev/null >"$work/out"
[ ! -e "$work/asked" ] || fail "install-deps installs what is already there"
echo "the sets ask for: run $(wc -l <<<"$run"), test $(wc -l <<<"$test"), windows $(wc -l <<<"$windows") packages"
