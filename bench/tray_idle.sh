#!/usr/bin/env bash
# The tray application at rest, beside `top`: starts the real binary on a private X server
# (Xvfb) with a sealed private session bus and a panel host, every module enabled and the
# default update interval, and `top -b -d 2` and `top -b` (its own default refresh) beside it;
# lets all settle, then watches them over the same minute. The host is the tests' stand-in
# status notifier watcher, which fetches nothing, or the real host gtk-sni-tray-standalone,
# which fetches every image the items announce. Prints the processor time each used over that
# minute as a share of one core, from the run time of every thread (the tray's with the child
# processes it started, such as a ping tool), side by side (goal: the tray at most what top uses in the same run; and at most 0.3 %),
# and the tray's peak resident memory, VmHWM (goal: at most 60 MB).
#
# Usage: bench/tray_idle.sh [BUILD_DIR]   (default: build-rel, a Release build holding the
#        targets morvanex and morvanex_test_sni_watcher)
# Environment: HOST=watcher|gtk-sni-tray (default watcher), IDLE_SECONDS (default 60),
#        SETTLE_SECONDS (default 15),
#        PING_SOCKETS=allowed|refused (default allowed: echo sockets allowed to every group, as
#        Debian sets net.ipv4.ping_group_range; refused: the ping tool runs instead).
#
# Nothing leaves the machine: the application runs in a network namespace of its own where
# unshare allows it, holding only the loopback interface (the ping goes to 127.0.0.1, and the
# weather fails at once), and every process this script starts is ended by its pid.
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:-build-rel}"
idle="${IDLE_SECONDS:-60}"
settle="${SETTLE_SECONDS:-15}"
ping_sockets="${PING_SOCKETS:-allowed}"
host="${HOST:-watcher}"
binary="$build/morvanex"
watcher="$build/tests/morvanex_test_sni_watcher"
. bench/session.sh
require_programs Xvfb dbus-daemon top
case "$host" in
  watcher) require_built "$binary" "$watcher" ;;
  gtk-sni-tray) require_built "$binary"; require_programs gtk-sni-tray-standalone dbus-send ;;
  *) echo "HOST is watcher or gtk-sni-tray, not $host" >&2; exit 1 ;;
esac
start_xvfb
start_bus session
bus="unix:path=$scratch/session/socket"

if [ "$host" = watcher ]; then
  DBUS_SESSION_BUS_ADDRESS="$bus" "$watcher" >"$scratch/items" &
else
  # The bar with its own watcher, at the top of the screen.
  DISPLAY="$display" DBUS_SESSION_BUS_ADDRESS="$bus" \
    gtk-sni-tray-standalone --watcher --top --size 24 >"$scratch/host.log" 2>&1 &
fi
host_pid=$!
pids+=("$host_pid")
sleep 2

# Every module enabled, in its default style; the ping to the loopback address.
home="$scratch/home"
write_every_module_config "$home"

isolate=()
if unshare --net -- true 2>/dev/null; then
  isolate=(unshare --net --)
elif unshare --net --map-root-user -- true 2>/dev/null; then
  isolate=(unshare --net --map-root-user --)
else
  echo "note: no network namespace here; the application runs on this machine's network" >&2
fi
# Inside the namespace: the loopback up, and echo sockets allowed or refused as asked. The shell
# replaces itself with the application, so the pid stays the application's.
prepare='ip link set lo up 2>/dev/null || true'
if [ "$ping_sockets" = allowed ]; then
  prepare+='; echo "0 2147483647" >/proc/sys/net/ipv4/ping_group_range 2>/dev/null || true'
else
  prepare+='; echo "1 0" >/proc/sys/net/ipv4/ping_group_range 2>/dev/null || true'
fi
[ "${#isolate[@]}" -eq 0 ] && prepare=true

env -i HOME="$home" PATH="/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin" USER="${USER:-bench}" \
  DISPLAY="$display" DBUS_SESSION_BUS_ADDRESS="$bus" XDG_DATA_HOME="$home/.local/share" \
  "${isolate[@]}" sh -c "$prepare; exec \"\$0\"" "$binary" >"$scratch/app.log" 2>&1 &
app=$!
pids+=("$app")

# top beside it, from the same moment, at the same two-second interval, and at its own default.
top -b -d 2 >/dev/null 2>&1 &
top_pid=$!
pids+=("$top_pid")
top -b >/dev/null 2>&1 &
top_default_pid=$!
pids+=("$top_default_pid")

sleep "$settle"
if ! kill -0 "$app" 2>/dev/null; then
  echo "morvanex ended early:" >&2
  cat "$scratch/app.log" >&2
  exit 1
fi

ticks() { # utime + stime of a process, then of its ended children, in clock ticks
  local stat
  stat="$(cat "/proc/$1/stat")"
  stat="${stat##*) }" # the fields after the command name, starting with field 3
  set -- $stat
  echo $(( ${12} + ${13} )) $(( ${14} + ${15} ))
}
# Time on a processor in nanoseconds, summed over the threads of a process (the scheduler's own
# account, not sampled at clock ticks): a minute at rest is only some twenty clock ticks, too
# coarse to compare two programs whose figures lie within a few ticks of each other.
runtime_ns() {
  local total=0 thread runtime _
  for thread in /proc/"$1"/task/*/schedstat; do
    read -r runtime _ <"$thread" 2>/dev/null || continue
    total=$(( total + runtime ))
  done
  echo "$total"
}
hz="$(getconf CLK_TCK)"
read -r app_before app_children_before < <(ticks "$app")
read -r top_before _ < <(ticks "$top_pid")
app_ns_before="$(runtime_ns "$app")"
top_ns_before="$(runtime_ns "$top_pid")"
top_default_ns_before="$(runtime_ns "$top_default_pid")"
host_ns_before="$(runtime_ns "$host_pid")"
sleep "$idle"
app_ns_after="$(runtime_ns "$app")"
top_ns_after="$(runtime_ns "$top_pid")"
top_default_ns_after="$(runtime_ns "$top_default_pid")"
host_ns_after="$(runtime_ns "$host_pid")"
read -r app_after app_children_after < <(ticks "$app")
read -r top_after _ < <(ticks "$top_pid")
hwm_kb="$(awk '/^VmHWM:/ { print $2 }' "/proc/$app/status")"
rss_kb="$(awk '/^VmRSS:/ { print $2 }' "/proc/$app/status")"
tool_notes="$(grep -c 'ICMP echo sockets are refused' "$scratch/app.log" || true)"

if [ "$host" = watcher ]; then
  items="$(grep -c . "$scratch/items" || true)"
else
  items="$(DBUS_SESSION_BUS_ADDRESS="$bus" dbus-send --session --print-reply \
             --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
             org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
             string:RegisteredStatusNotifierItems 2>/dev/null | grep -c 'string "' || true)"
fi
awk -v own="$((app_after - app_before))" -v children="$((app_children_after - app_children_before))" \
    -v top="$((top_after - top_before))" -v hz="$hz" -v idle="$idle" -v hwm="$hwm_kb" \
    -v own_ns="$((app_ns_after - app_ns_before))" -v top_ns="$((top_ns_after - top_ns_before))" \
    -v rss="$rss_kb" -v items="$items" -v tool="$tool_notes" -v host="$host" \
    -v top_default_ns="$((top_default_ns_after - top_default_ns_before))" \
    -v host_ns="$((host_ns_after - host_ns_before))" 'BEGIN {
  share = 100 / hz / idle
  ns_share = 100 / 1e9 / idle
  # Threads that ended within the minute leave the run-time sums; the clock-tick figures below
  # keep them, and the child processes (a ping tool) are counted in clock ticks only.
  tray = own_ns * ns_share + children * share
  printf "host: %s; status items registered: %d; pings through %s\n", host, items,
         (tool > 0 ? "the ping tool (echo sockets refused)" : "an echo socket")
  printf "share of one core over the same %d idle seconds (run time of every thread):\n", idle
  printf "  morvanex      %6.3f %%  (itself %.3f %%, its child processes %.3f %%)\n",
         tray, own_ns * ns_share, children * share
  printf "  top -b -d 2   %6.3f %%\n", top_ns * ns_share
  printf "  top -b        %6.3f %%  (its default refresh, 3 s)\n", top_default_ns * ns_share
  printf "  the host      %6.3f %%\n", host_ns * ns_share
  printf "the same in %d Hz clock ticks: morvanex %d ticks (%.3f %%), top %d ticks (%.3f %%)\n",
         hz, own + children, (own + children) * share, top, top * share
  printf "goal, morvanex at most top: %s; at most 0.3 %%: %s\n",
         (tray <= top_ns * ns_share ? "met" : "MISSED"), (tray <= 0.3 ? "met" : "MISSED")
  printf "VmHWM: %.1f MB, VmRSS: %.1f MB (goal at most 60 MB: %s)\n",
         hwm / 1024, rss / 1024, (hwm / 1024 <= 60 ? "met" : "MISSED")
}'
