#!/usr/bin/env bash
# How long the tray application takes to end: starts the real binary on a private X server
# (Xvfb) with a private session bus and a status notifier host, every module enabled, lets it
# run a few seconds (so samples wait to be written), then ends it, alternately by SIGTERM and by
# "Quit Morvanex" from an item's exported menu, the way a panel clicks it. Prints, per way, the
# time from the request to the process being gone (median, slowest) and whether every run left
# more history rows than before (the flush on the way out).
# Goal: under 0.5 s, history flushed.
#
# Usage: bench/tray_shutdown.sh [BUILD_DIR]   (default: build-rel, a Release build holding the
#        targets morvanex, morvanex_test_sni_watcher and morvanex_test_logind)
# Environment:
#   RUNS            runs per way (default 5)
#   SETTLE_SECONDS  how long the application runs before it is ended (default 6)
#   HOST            standin: the tests' stand-in watcher (default);
#                   sni-tray: a desktop as a user has it: the openbox window manager, the dunst
#                   notification daemon and the standalone StatusNotifierItem host
#                   gtk-sni-tray-standalone with the watcher it brings (--watcher)
#   SYSTEM_BUS      none: no system bus (default); private: a system bus of its own at a path
#                   (DBUS_SYSTEM_BUS_ADDRESS) with the tests' stand-in login manager on it
#   KEEP_AWAKE=1    keep-awake is turned on ("Until turned off", from the item's menu) before
#                   the end; with SYSTEM_BUS=private the bench also checks that the login
#                   manager's lock was released by the time the process was gone
#   NOTIFY=1        a rule that holds at once (memory used above 0 %) posts a notification
#                   during the settling time
#   PANELS=1        every item's dropdown is opened in turn before the end; the last stays open
#   WRITE_LOAD=1    a writer keeps the disk that holds the history busy the whole time (1 GiB
#                   written over and over), as builds running beside the application do: what
#                   waits for the disk on the way out then shows
#
# Nothing leaves the machine: the application runs in a network namespace of its own where
# unshare allows it, the buses have configurations of their own whose service folders are
# empty (nothing installed is ever started on them), and every process this script starts is
# ended by its pid.
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:-build-rel}"
runs="${RUNS:-5}"
settle="${SETTLE_SECONDS:-6}"
host="${HOST:-standin}"
system_bus="${SYSTEM_BUS:-none}"
keep_awake="${KEEP_AWAKE:-0}"
notify="${NOTIFY:-0}"
panels="${PANELS:-0}"
write_load="${WRITE_LOAD:-0}"
binary="$build/morvanex"
watcher="$build/tests/morvanex_test_sni_watcher"
logind="$build/tests/morvanex_test_logind"
. bench/session.sh
needed=("$binary")
case "$host" in
  standin) needed+=("$watcher") ;;
  sni-tray)
    require_programs openbox dunst gtk-sni-tray-standalone ;;
  *) echo "HOST is standin or sni-tray, not $host" >&2; exit 2 ;;
esac
case "$system_bus" in
  none) ;;
  private) needed+=("$logind") ;;
  *) echo "SYSTEM_BUS is none or private, not $system_bus" >&2; exit 2 ;;
esac
require_built "${needed[@]}"
require_programs Xvfb dbus-daemon gdbus sqlite3
start_xvfb
start_bus session
bus="unix:path=$scratch/session/socket"
desktop=(env DISPLAY="$display" DBUS_SESSION_BUS_ADDRESS="$bus")
appenv=()
if [ "$system_bus" = private ]; then
  start_bus system
  appenv+=(DBUS_SYSTEM_BUS_ADDRESS="unix:path=$scratch/system/socket")
  env DBUS_SYSTEM_BUS_ADDRESS="unix:path=$scratch/system/socket" "$logind" >"$scratch/locks" &
  pids+=($!)
fi

if [ "$write_load" = 1 ]; then
  (
    writer=""
    trap 'kill "$writer" 2>/dev/null; exit 0' TERM
    while :; do
      dd if=/dev/zero of="$scratch/load" bs=1M count=1024 status=none &
      writer=$!
      wait "$writer"
    done
  ) &
  pids+=($!)
fi

watcher_owned() {
  DBUS_SESSION_BUS_ADDRESS="$bus" gdbus call --session --dest org.freedesktop.DBus \
    --object-path /org/freedesktop/DBus --method org.freedesktop.DBus.NameHasOwner \
    org.kde.StatusNotifierWatcher 2>/dev/null | grep -q true
}
if [ "$host" = standin ]; then
  DBUS_SESSION_BUS_ADDRESS="$bus" "$watcher" >/dev/null &
  pids+=($!)
else
  "${desktop[@]}" openbox >/dev/null 2>&1 &
  pids+=($!)
  "${desktop[@]}" dunst >/dev/null 2>&1 &
  pids+=($!)
  "${desktop[@]}" gtk-sni-tray-standalone --watcher --bottom >"$scratch/host.log" 2>&1 &
  pids+=($!)
fi
for _ in $(seq 100); do watcher_owned && break; sleep 0.1; done
watcher_owned || { echo "no status notifier watcher came up ($host)" >&2; exit 1; }

home="$scratch/home"
rules=""
if [ "$notify" = 1 ]; then
  rules=",\\\"rules\\\":[{\\\"id\\\":\\\"5C2C4F4E-3B7A-4D55-9C39-2E5E1F0A6B11\\\",\\\"enabled\\\":true,"
  rules+="\\\"metric\\\":\\\"memoryUsed\\\",\\\"comparison\\\":\\\"above\\\",\\\"threshold\\\":0,\\\"duration\\\":0}]"
fi
write_every_module_config "$home" "$rules"
database="$home/.local/share/Morvanex/history.sqlite"

isolate=()
if unshare --net -- true 2>/dev/null; then
  isolate=(unshare --net --)
elif unshare --net --map-current-user -- true 2>/dev/null; then
  isolate=(unshare --net --map-current-user --)
else
  echo "note: no network namespace here; the application runs on this machine's network" >&2
fi

# Read only: a connection that may write would, as the last one to close, copy the log into
# the database and remove it, which the application never meets outside this bench.
rows() {
  [ -f "$database" ] && sqlite3 -readonly "$database" 'SELECT COUNT(*) FROM raw' 2>/dev/null ||
    echo 0
}
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
session_call() { DBUS_SESSION_BUS_ADDRESS="$bus" gdbus call --session "$@"; }

# The application's items as the watcher lists them (one bus name a line), first made first.
items_of() { # PID
  session_call --dest org.kde.StatusNotifierWatcher --object-path /StatusNotifierWatcher \
    --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher \
    RegisteredStatusNotifierItems 2>/dev/null |
    grep -o "org\.kde\.StatusNotifierItem-$1-[0-9]*" | sort -t- -k3 -n || true
}

# The id of the menu entry labelled $2 in the layout $1 (a GetLayout answer).
menu_entry() {
  grep -o "([0-9]*, {[^}]*'label': <'$2'>" <<<"$1" | head -n1 | grep -o '^([0-9]*' | tr -d '('
}

# Clicks the entry labelled $2 in the menu of the item $1, as a host does: AboutToShow, the
# layout, then the click. With $3 = timed, the clock starts right before the click.
click_menu() { # SERVICE LABEL [timed]
  local layout id
  session_call --dest "$1" --object-path /MenuBar --method com.canonical.dbusmenu.AboutToShow 0 \
    >/dev/null
  layout="$(session_call --dest "$1" --object-path /MenuBar \
            --method com.canonical.dbusmenu.GetLayout 0 '@i -1' '@as []')"
  id="$(menu_entry "$layout" "$2")"
  [ -n "$id" ] || { echo "no '$2' in the menu of $1: $layout" >&2; return 1; }
  [ "${3:-}" = timed ] && start="$(now_ms)"
  session_call --dest "$1" --object-path /MenuBar --method com.canonical.dbusmenu.Event \
    "$id" clicked '<"">' 0 >/dev/null
}

declare -A times
flushed=yes
released=yes
for run in $(seq "$runs"); do
  for way in sigterm menu; do
    env -i HOME="$home" PATH="/usr/local/bin:/usr/bin:/bin" USER="${USER:-bench}" \
      DISPLAY="$display" DBUS_SESSION_BUS_ADDRESS="$bus" XDG_DATA_HOME="$home/.local/share" \
      ${appenv[@]+"${appenv[@]}"} \
      "${isolate[@]}" "$binary" >"$scratch/app.log" 2>&1 &
    app=$!
    items=""
    for _ in $(seq 300); do
      items="$(items_of "$app")"
      [ -n "$items" ] && break
      sleep 0.1
    done
    [ -n "$items" ] || { echo "morvanex registered no item:" >&2; cat "$scratch/app.log" >&2; exit 1; }
    sleep "$settle"
    items="$(items_of "$app")"
    first="$(head -n1 <<<"$items")"
    if [ "$panels" = 1 ]; then
      while read -r item; do
        session_call --dest "$item" --object-path /StatusNotifierItem \
          --method org.kde.StatusNotifierItem.Activate 700 20 >/dev/null
        sleep 0.5
      done <<<"$items"
    fi
    if [ "$keep_awake" = 1 ]; then
      locks_before="$(grep -c '^taken' "$scratch/locks" 2>/dev/null || true)"
      click_menu "$first" "Until turned off"
      sleep 0.5
    fi
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
      click_menu "$first" "Quit Morvanex" timed || { start="$(now_ms)"; kill -TERM "$app"; }
    fi
    wait "$app" || true
    end="$(now_ms)"
    times[$way]+="$(( end - start )) "
    after="$(rows)"
    [ "$after" -gt "$before" ] || flushed=no
    if [ "$keep_awake" = 1 ] && [ "$system_bus" = private ]; then
      lock=$(( ${locks_before:-0} + 1 ))
      grep -qx "taken $lock" "$scratch/locks" || { echo "no keep-awake lock was taken" >&2; released=no; }
      sleep 0.05 # the login manager looks at its locks every 10 ms
      grep -qx "released $lock" "$scratch/locks" || released=no
    fi
  done
done

echo "host $host, system bus $system_bus, keep-awake $keep_awake, notification $notify," \
     "panels $panels, write load $write_load"
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
if [ "$keep_awake" = 1 ] && [ "$system_bus" = private ]; then
  echo "keep-awake lock released by the end every run: $released"
fi
