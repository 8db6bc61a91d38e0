#!/usr/bin/env bash
# The build's version source (base/BuildInfo.cmake) follows the commits of a clone, is left
# untouched while nothing changes (so nothing is compiled again), and falls back to the build
# number handed in, then to what the configure step found, when git cannot answer.
# Usage: build_info_test.sh SOURCE_DIR
set -euo pipefail
script="$1/src/base/BuildInfo.cmake"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

repo="$work/repo"
mkdir -p "$repo"
git -C "$repo" init -q
git -C "$repo" -c user.name=t -c user.email=t@example.com commit -q --allow-empty -m one
out="$work/BuildVersion.cpp"
write() {
  cmake -DSOURCE_DIR="$repo" -DGIT="$(command -v git)" -DVERSION=0.1.0 "$@" -DOUTPUT="$out" \
    -P "$script"
}
has() { grep -qF -- "$1" "$out" || fail "expected $1 in: $(cat "$out")"; }

write -DBUILD_NUMBER= -DFALLBACK=
first="$(git -C "$repo" rev-parse --short HEAD)"
has 'const char* const version = "0.1.0";'
has "const char* const buildNumber = \"$first\";"

# Nothing changed: the file keeps its time, so the build compiles nothing.
touch -d '2001-01-01' "$out"
before="$(stat -c %Y "$out")"
write -DBUILD_NUMBER= -DFALLBACK=
[ "$(stat -c %Y "$out")" = "$before" ] || fail "an unchanged version rewrote the file"

# A new commit, a tag, a change in the tree: each shows.
git -C "$repo" -c user.name=t -c user.email=t@example.com commit -q --allow-empty -m two
second="$(git -C "$repo" rev-parse --short HEAD)"
write -DBUILD_NUMBER= -DFALLBACK=
has "buildNumber = \"$second\";"
git -C "$repo" tag v0.1.0
echo x >"$repo/file" && git -C "$repo" add file &&
  git -C "$repo" -c user.name=t -c user.email=t@example.com commit -q -m three
echo y >"$repo/file"
write -DBUILD_NUMBER= -DFALLBACK=
has "buildNumber = \"v0.1.0-1-g$(git -C "$repo" rev-parse --short HEAD)-dirty\";"

# A build number handed in wins; without git, the configure step's answer, else nothing.
write -DBUILD_NUMBER=45 -DFALLBACK=
has 'buildNumber = "45";'
cmake -DSOURCE_DIR="$work/not-a-clone" -DGIT= -DVERSION='2.1 "beta"' -DBUILD_NUMBER= \
  -DFALLBACK=abc1234 -DOUTPUT="$out" -P "$script"
has 'version = "2.1 \"beta\"";'
has 'buildNumber = "abc1234";'
cmake -DSOURCE_DIR="$work/not-a-clone" -DGIT=/nonexistent/git -DVERSION=0.1.0 -DBUILD_NUMBER= \
  -DFALLBACK= -DOUTPUT="$out" -P "$script"
has 'buildNumber = "";'

if [ "$failures" -gt 0 ]; then
  echo "0 passed, $failures failed"
  exit 1
fi
echo "build info checks passed"
