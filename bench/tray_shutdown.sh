#!/usr/bin/env bash
# How long the tray application takes to end: starts the real binary on a private X server
# (Xvfb) with a private session bus and the tests' stand-in status notifier watcher, every
# module enabled, lets it run a few seconds (so samples wait to be written), then ends it,
# alternately by SIGTERM and by "Quit Morvanex" from an item's exported menu, the way a panel
# clicks it. Prints, per way, the time from the request to the process being gone (median,
# slowest) and whether every run left more history rows than before (the flush on the way out).
# Goal: under 0.5 s, history flushed.
#
# Usage: bench/tray_shutdown.sh [BUILD_DIR]   (default: build-rel, a Release build holding the
#        targets morvanex and morvanex_test_sni_watcher)
# Environment: RUNS (per way, default 5), SETTLE_SECONDS (default 6).
#
# Nothing leaves the machine: the application runs in a network namespace of its own where
# unshare allows it, and every process this script starts is ended by its pid.
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:-build-rel}"
runs="${RUNS:-5}"
settle="${SETTLE_SECONDS:-6}"
binary="$build/morvanex"
watcher="$build/tests/morvanex_test_sni_watcher"
for needed in "$binary" "$watcher"; do
  if [ ! -x "$needed" ]; then
    echo "missing $needed: build it first (ninja -C $build morvanex morvanex_test_sni_watcher)" >&2
    exit 1
  fi
done
for program in Xvfb dbus-daemon gdbus sqlite3; do
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
database="$home/.local/share/Morvanex/history.sqlite"

isolate=()
if unshare --net -- true 2>/dev/null; then
  isolate=(unshare --net --)
elif unshare --net --map-current-user -- true 2>/dev/null; then
  isolate=(unshare --net --map-current-user --)
else
  echo "note: no network namespace here; the application runs on this machine's network" >&2
fi

rows() {
  [ -f "$database" ] && sqlite3 "$database" 'SELECT COUNT(*) FROM raw' 2>/dev/null || echo 0
}
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# Clicks "Quit Morvanex" in the menu of the first item the watcher listed since line $1.
quit_from_menu() {
  local service layout id
  service="$(tail -n +"$1" "$scratch/items" | head -n1)"
  DBUS_SESSION_BUS_ADDRESS="$bus" gdbus call --session --dest "$service" --object-path /MenuBar \
    --method com.canonical.dbusmenu.AboutToShow 0 >/dev/null
  layout="$(DBUS_SESSION_BUS_ADDRESS="$bus" gdbus call --session --dest "$service" \
            --object-path /MenuBar --method com.canonical.dbusmenu.GetLayout 0 '@i -1' '@as []')"
  id="$(grep -o "([0-9]*, {[^}]*'label': <'Quit Morvanex'>" <<<"$layout" | grep -o '^([0-9]*' | tr -d '(')"
  [ -n "$id" ] || { echo "no Quit item in the menu of $service: $layout" >&2; return 1; }
  start="$(now_ms)"
  DBUS_SESSION_BUS_ADDRESS="$bus" gdbus call --session --dest "$service" --object-path /MenuBar \
    --method com.canonical.dbusmenu.Event "$id" clicked '<"">' 0 >/dev/null
}

declare -A times
flushed=yes
for run in $(seq "$runs"); do
  for way in sigterm menu; do
    first=$(( $(grep -c . "$scratch/items" || true) + 1 ))
    env -i HOME="$home" PATH="/usr/local/bin:/usr/bin:/bin" USER="${USER:-bench}" \
      DISPLAY="$display" DBUS_SESSION_BUS_ADDRESS="$bus" XDG_DATA_HOME="$home/.local/share" \
      "${isolate[@]}" "$binary" >"$scratch/app.log" 2>&1 &
    app=$!
    for _ in $(seq 300); do
      [ "$(( $(grep -c . "$scratch/items" || true) - first + 1 ))" -ge 1 ] && break
      sleep 0.1
    done
    sleep "$settle"
    if ! kill -0 "$app" 2>/dev/null; then
      echo "morvanex ended early:" >&2
      cat "$scratch/app.log" >&2
      exit 1
    fi
    before="$(rows)"
    if [ "$way" = sigterm ]; then
      start="$(now_ms)"
      kill -TERM "$app"
    else
      quit_from_menu "$first" || { start="$(now_ms)"; kill -TERM "$app"; }
    fi
    wait "$app" || true
    end="$(now_ms)"
    times[$way]+="$(( end - start )) "
    after="$(rows)"
    [ "$after" -gt "$before" ] || flushed=no
  done
done

for way in sigterm menu; do
  # shellcheck disable=SC2086
  printf '%s\n' ${times[$way]} | sort -n | awk -v way="$way" '
    { t[NR] = $1 }
    END {
      median = (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
      printf "%-8s ends in %d ms median, %d ms slowest over %d runs (goal under 500 ms: %s)\n",
             way, median, t[NR], NR, (t[NR] < 500 ? "met" : "MISSED")
    }'
done
echo "history rows written on the way out every run: $flushed"
