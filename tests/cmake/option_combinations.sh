#!/usr/bin/env bash
# Every combination of VARNEL_BUILD_TESTS and VARNEL_BUILD_BENCHMARKS configures, with each library that a
# target links being a target this combination builds (a benchmark linking the tests' support library
# without the tests failed only at link time before); VARNEL_WERROR turns warnings into errors.
# Usage: option_combinations.sh <source dir>
set -euo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

configure() { # build dir, cmake arguments...
  local dir=$1
  shift
  if ! cmake -S "$source_dir" -B "$dir" -DCMAKE_LINK_LIBRARIES_ONLY_TARGETS=ON "$@" >"$work/log" 2>&1; then
    echo "FAIL: cmake $* does not configure:" >&2
    sed 's/^/  /' "$work/log" >&2
    status=1
    return 1
  fi
}

for tests in ON OFF; do
  for benchmarks in ON OFF; do
    configure "$work/$tests-$benchmarks" -DVARNEL_BUILD_TESTS=$tests -DVARNEL_BUILD_BENCHMARKS=$benchmarks &&
      echo "configures: tests $tests, benchmarks $benchmarks"
  done
done

if configure "$work/werror" -DVARNEL_WERROR=ON -DVARNEL_BUILD_TESTS=OFF -DVARNEL_BUILD_BENCHMARKS=OFF; then
  grep -q -- '-Werror' "$work/werror/compile_commands.json" ||
    { echo "FAIL: VARNEL_WERROR=ON compiles without -Werror" >&2; status=1; }
fi
exit $status
