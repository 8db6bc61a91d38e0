#!/usr/bin/env bash
# The tray application at rest: starts the real binary on a private X server (Xvfb) with a
# private session bus and the tests' stand-in status notifier watcher, every module enabled
# and the default update interval, lets it settle, then watches it for a minute doing nothing
# but its own ticks. Prints the processor time it used over that minute as a share of one core
# (goal: at most 0.3 %) and its peak resident memory, VmHWM (goal: at most 60 MB).
#
# Usage: bench/tray_idle.sh [BUILD_DIR]   (default: build-rel, a Release build holding the
#        targets morvanex and morvanex_test_sni_watcher)
# Environment: IDLE_SECONDS (default 60), SETTLE_SECONDS (default 15).
#
# Nothing leaves the machine: the application runs in a network namespace of its own where
# unshare allows it (the ping goes to 127.0.0.1 anyway, and the weather fails at once), and
# every process this script starts is ended by its pid.
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:-build-rel}"
idle="${IDLE_SECONDS:-60}"
settle="${SETTLE_SECONDS:-15}"
binary="$build/morvanex"
watcher="$build/tests/morvanex_test_sni_watcher"
for needed in "$binary" "$watcher"; do
  if [ ! -x "$needed" ]; then
    echo "missing $needed: build it first (ninja -C $build morvanex morvanex_test_sni_watcher)" >&2
    exit 1
  fi
done
for program in Xvfb dbus-daemon; do
  command -v "$program" >/dev/null || { echo "needs $program" >&2; exit 1; }
done

scratch="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do
    kill -TERM "$pid" 2>/dev/null || true
  done
  for pid in "${pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$scratch"
}
trap cleanup EXIT

# The X server tells its display number once it is ready.
Xvfb -displayfd 5 -nolisten tcp -screen 0 1440x900x24 5>"$scratch/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
[ -s "$scratch/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
display=":$(head -n1 "$scratch/display")"

# A bus at a path: the application's network namespace cannot reach an abstract socket.
bus="unix:path=$scratch/bus"
dbus-daemon --session --nofork --nopidfile --address="$bus" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -S "$scratch/bus" ] && break; sleep 0.1; done

DBUS_SESSION_BUS_ADDRESS="$bus" "$watcher" >"$scratch/items" &
pids+=($!)
sleep 1

# Every module enabled, in its default style; the ping to the loopback address.
home="$scratch/home"
mkdir -p "$home/.config/Morvanex"
modules=""
for kind in combined:text cpu:graphAndText gpu:graphAndText memory:graphAndText \
            disks:iconAndText network:text sensors:iconAndText battery:iconAndText \
            weather:iconAndText astronomy:iconAndText time:text; do
  modules+="${modules:+,}{\\\"kind\\\":\\\"${kind%%:*}\\\",\\\"enabled\\\":true,\\\"style\\\":\\\"${kind##*:}\\\"}"
done
cat >"$home/.config/Morvanex/Morvanex.conf" <<EOF
[General]
MorvanexConfig.v1="@ByteArray({\\"pingHost\\":\\"127.0.0.1\\",\\"modules\\":[$modules]})"
EOF

isolate=()
if unshare --net -- true 2>/dev/null; then
  isolate=(unshare --net --)
elif unshare --net --map-current-user -- true 2>/dev/null; then
  isolate=(unshare --net --map-current-user --)
else
  echo "note: no network namespace here; the application runs on this machine's network" >&2
fi

# unshare runs the binary in its own place, so the pid is the application's.
env -i HOME="$home" PATH="/usr/local/bin:/usr/bin:/bin" USER="${USER:-bench}" \
  DISPLAY="$display" DBUS_SESSION_BUS_ADDRESS="$bus" XDG_DATA_HOME="$home/.local/share" \
  "${isolate[@]}" "$binary" >"$scratch/app.log" 2>&1 &
app=$!
pids+=("$app")

sleep "$settle"
if ! kill -0 "$app" 2>/dev/null; then
  echo "morvanex ended early:" >&2
  cat "$scratch/app.log" >&2
  exit 1
fi

ticks() { # utime + stime of the application, in clock ticks
  local stat
  stat="$(cat "/proc/$app/stat")"
  stat="${stat##*) }" # the fields after the command name, starting with field 3
  set -- $stat
  echo $(( ${12} + ${13} ))
}
hz="$(getconf CLK_TCK)"
before="$(ticks)"
sleep "$idle"
after="$(ticks)"
hwm_kb="$(awk '/^VmHWM:/ { print $2 }' "/proc/$app/status")"
rss_kb="$(awk '/^VmRSS:/ { print $2 }' "/proc/$app/status")"

items="$(grep -c . "$scratch/items" || true)"
awk -v used="$((after - before))" -v hz="$hz" -v idle="$idle" -v hwm="$hwm_kb" -v rss="$rss_kb" \
    -v items="$items" 'BEGIN {
  cpu = used / hz / idle * 100
  printf "status items registered: %d\n", items
  printf "CPU over %d idle seconds: %.3f %% of one core (%d ticks at %d Hz; goal at most 0.3 %%: %s)\n",
         idle, cpu, used, hz, (cpu <= 0.3 ? "met" : "MISSED")
  printf "VmHWM: %.1f MB, VmRSS: %.1f MB (goal at most 60 MB: %s)\n",
         hwm / 1024, rss / 1024, (hwm / 1024 <= 60 ? "met" : "MISSED")
}'
