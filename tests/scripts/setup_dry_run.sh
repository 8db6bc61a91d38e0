#!/usr/bin/env bash
# A dry run of scripts/setup on a machine where nothing is installed: the package manager, the
# package query and npm are stand-ins that only note how they were called. What scripts/run
# installs (setup without options) must be only what building and running need: no Node.js,
# no npm, no test frameworks; with --test, the test tools come along.
# Usage: setup_dry_run.sh SOURCE_DIR
set -euo pipefail
source_dir="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"
for tool in apt-get npm node sudo; do
  printf '#!/bin/sh\necho "%s $*" >> "%s/calls"\n' "$tool" "$work" >"$work/bin/$tool"
done
# Nothing is installed.
printf '#!/bin/sh\nexit 1\n' >"$work/bin/dpkg-query"
chmod +x "$work/bin/"*

failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

# A copy of the script, so the SDK folder it would fill is a scratch one.
mkdir -p "$work/tree/scripts" "$work/tree/tests/e2e/mcp-sdk"
cp "$source_dir/scripts/setup" "$work/tree/scripts/setup"
cp "$source_dir/tests/e2e/mcp-sdk/package-lock.json" "$work/tree/tests/e2e/mcp-sdk/"

: >"$work/calls"
PATH="$work/bin:/usr/bin:/bin" "$work/tree/scripts/setup" >/dev/null
install_line="$(grep -E '^(sudo )?apt-get install' "$work/calls" || true)"
[ -n "$install_line" ] || fail "setup asked apt-get for nothing"
for needed in cmake qt6-base-dev qt6-svg-dev speedtest-cli fonts-dejavu-core; do
  grep -qw -- "$needed" <<<"$install_line" || fail "setup does not install $needed"
done
for test_only in nodejs npm libgtest-dev libbenchmark-dev xvfb desktop-file-utils; do
  ! grep -qw -- "$test_only" <<<"$install_line" || fail "setup installs the test tool $test_only"
done
! grep -q '^npm' "$work/calls" || fail "setup ran npm: $(grep '^npm' "$work/calls")"
[ ! -e "$work/tree/tests/e2e/mcp-sdk/node_modules" ] || fail "setup filled the SDK folder"

: >"$work/calls"
PATH="$work/bin:/usr/bin:/bin" "$work/tree/scripts/setup" --test >/dev/null
install_line="$(grep -E '^(sudo )?apt-get install' "$work/calls" || true)"
for needed in cmake libgtest-dev libbenchmark-dev xvfb desktop-file-utils; do
  grep -qw -- "$needed" <<<"$install_line" || fail "setup --test does not install $needed"
done
grep -q '^npm ci' "$work/calls" || fail "setup --test did not install the SDK with npm ci"

if PATH="$work/bin:/usr/bin:/bin" "$work/tree/scripts/setup" --frobnicate >/dev/null 2>&1; then
  fail "setup accepted an unknown option"
fi

if [ "$failures" -gt 0 ]; then
  echo "0 passed, $failures failed"
  exit 1
fi
echo "setup dry run passed"
