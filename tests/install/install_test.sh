#!/usr/bin/env bash
# Installs the build into temporary staging folders (DESTDIR) and checks what lands there: the
# executable, its private parts (the widgets library and the calendar reader) where the
# executable finds them, the desktop entry (which desktop-file-validate must accept) and the
# icon. The staged executable then runs its report, which loads the widgets library from its
# installed place and reads a fixture calendar through the installed calendar reader.
# Usage: install_test.sh BUILD_DIR CONFIGURED_PREFIX PRIVATE_DIR
set -euo pipefail
build="$1"
configured_prefix="$2"
library_dir="$3"
fixtures="$(cd "$(dirname "$0")/../fixtures" && pwd)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

check_prefix() {
  local stage="$1" prefix="$2" exec_value="$3"
  local root="$stage$prefix"
  [ -x "$root/bin/morvanex" ] || fail "$root/bin/morvanex is not an executable"
  [ -f "$root/$library_dir/libmorvanex-gui.so" ] || fail "no widgets library in $root/$library_dir"
  [ ! -e "$root/bin/libmorvanex-gui.so" ] || fail "the widgets library was put beside the executable"
  local reader="$root/$library_dir/morvanex-calendar-reader"
  [ -x "$reader" ] || fail "no calendar reader in $root/$library_dir"
  [ ! -e "$root/bin/morvanex-calendar-reader" ] || fail "the calendar reader was put in bin"
  # libical runs in the calendar reader only.
  if readelf -d "$root/bin/morvanex" | grep NEEDED | grep -q 'libical'; then
    fail "the executable links libical"
  fi
  if [ -x "$reader" ] && ! readelf -d "$reader" | grep NEEDED | grep -q 'libical'; then
    fail "the calendar reader does not link libical"
  fi
  local icon="$root/share/icons/hicolor/scalable/apps/morvanex.svg"
  [ -s "$icon" ] || fail "no icon at $icon"
  grep -q '<svg' "$icon" || fail "$icon is no SVG"
  local entry="$root/share/applications/morvanex.desktop"
  if [ ! -f "$entry" ]; then
    fail "no desktop entry at $entry"
    return
  fi
  local report
  if ! report="$(desktop-file-validate "$entry" 2>&1)" || [ -n "$report" ]; then
    fail "desktop-file-validate: $report"
  fi
  for line in "Type=Application" "Name=Morvanex" "Exec=$exec_value" "Icon=morvanex" \
    "Categories=System;Monitor;" "NoDisplay=false"; do
    grep -qxF -- "$line" "$entry" || fail "$entry lacks the line $line"
  done
  grep -q '^Comment=.' "$entry" || fail "$entry has no Comment"
  # Every installed file is in the manifest (by its path under the prefix), so removing what it
  # lists removes them all.
  for file in "$root/bin/morvanex" "$root/$library_dir/libmorvanex-gui.so" "$reader" "$entry" \
    "$icon"; do
    grep -qxF -- "${file#"$stage"}" "$build/install_manifest.txt" ||
      fail "${file#"$stage"} is missing from install_manifest.txt"
  done
}

# The configured prefix (/usr/local unless configured otherwise).
DESTDIR="$work/stage" cmake --install "$build" >/dev/null
check_prefix "$work/stage" "$configured_prefix" "$configured_prefix/bin/morvanex"

# A prefix given at install time, with a space in it: the entry's Exec is quoted.
DESTDIR="$work/other" cmake --install "$build" --prefix "/opt/morvanex test" >/dev/null
check_prefix "$work/other" "/opt/morvanex test" "\"/opt/morvanex test/bin/morvanex\""

# The staged executable runs its report, drawing through the library it finds relative to
# itself and reading the fixture calendar (a daily event) through the calendar reader it finds
# there too; in a network namespace of its own where one can be made, so nothing leaves the
# machine.
isolate=()
for options in "--net" "--net --map-current-user" "--net --map-root-user"; do
  # shellcheck disable=SC2086
  if unshare $options -- true 2>/dev/null; then
    read -r -a isolate <<<"unshare $options --"
    break
  fi
done
if [ "${#isolate[@]}" -eq 0 ]; then
  echo "note: no network namespace can be made here; the report runs on this machine's network"
fi
home="$work/home"
mkdir -p "$home/config" "$home/runtime"
cp -R "$fixtures/install/data" "$home/data"
chmod 700 "$home/runtime"
if ! output="$(cd "$work" && env HOME="$home" XDG_CONFIG_HOME="$home/config" \
  XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/runtime" QT_QPA_PLATFORM=offscreen TZ=UTC \
  QT_LOGGING_RULES="morvanex.services.debug=true" \
  "${isolate[@]}" "$work/other/opt/morvanex test/bin/morvanex" --dump 2>&1)"; then
  fail "the installed executable's report failed: $output"
fi
if grep -q "widgets library could not be loaded" <<<"$output"; then
  fail "the installed executable did not find its widgets library: $output"
fi
# The daily event falls on each of the days the events are read for.
if ! grep -Eq "Calendar file $home/data/calendars/checks/daily.ics: [1-9][0-9]* events read" \
  <<<"$output"; then
  fail "the installed executable read no event of the fixture calendar: $output"
fi

if [ "$failures" -gt 0 ]; then
  echo "0 passed, $failures failed"
  exit 1
fi
echo "install checks passed"
