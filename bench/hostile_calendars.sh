#!/usr/bin/env bash
# The agent server beside hostile calendar folders, end to end: for each kind of home, starts
# `morvanex --mcp`, sends a ping, and prints the time to its answer, the time from closing its
# standard input (or SIGTERM) to its exit, and the processor time it and its children (the
# calendar reader) used, over HOLD_SECONDS after the answer (long enough for one calendar
# refresh to finish).
#
# Homes: empty (the baseline, measured in the same run); a FIFO as a calendar's colour; 5000
# calendar folders; eight calendar files whose time zones libical would expand for seconds each
# (lines ending in CR alone with a rule every second, and every day of the year since year 1).
#
# Usage: bench/hostile_calendars.sh [BUILD_DIR]   (default: build-rel)
# Environment: HOLD_SECONDS (default 5), RUNS (default 3)
set -euo pipefail

build=${1:-build-rel}
binary=$(realpath "$build/morvanex")
hold=${HOLD_SECONDS:-5}
runs=${RUNS:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

make_home() { mkdir -p "$work/$1/.local/share/calendars" "$work/$1/run"; }

make_home empty

make_home fifo
mkdir -p "$work/fifo/.local/share/calendars/work"
printf 'BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n' >"$work/fifo/.local/share/calendars/work/a.ics"
mkfifo "$work/fifo/.local/share/calendars/work/color"

make_home folders
for i in $(seq -w 1 5000); do
    folder="$work/folders/.local/share/calendars/c$i"
    mkdir "$folder"
    printf 'Calendar %s\n' "$i" >"$folder/displayname"
    printf '#62a0ea\n' >"$folder/color"
    printf 'BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n' >"$folder/a.ics"
done

make_home rules
rules="$work/rules/.local/share/calendars/attack"
mkdir -p "$rules"
days=$(seq -s, 1 366)
for i in 1 2 3 4; do
    printf 'BEGIN:VCALENDAR\rBEGIN:VTIMEZONE\rTZID:Z\rBEGIN:STANDARD\rDTSTART:19700101T000000\rTZOFFSETFROM:+0100\rTZOFFSETTO:+0000\rRRULE:FREQ=SECONDLY\rEND:STANDARD\rEND:VTIMEZONE\rBEGIN:VEVENT\rUID:c%s\rDTSTART;TZID=Z:%s\rEND:VEVENT\rEND:VCALENDAR\r' \
        "$i" "$(date +%Y%m%dT120000)" >"$rules/cr$i.ics"
    printf 'BEGIN:VCALENDAR\r\nBEGIN:VTIMEZONE\r\nTZID:Z\r\nBEGIN:STANDARD\r\nDTSTART:00010101T000000\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0000\r\nRRULE:FREQ=YEARLY;BYYEARDAY=%s\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\nBEGIN:VEVENT\r\nUID:d%s\r\nDTSTART;TZID=Z:%s\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n' \
        "$days" "$i" "$(date +%Y%m%dT120000)" >"$rules/days$i.ics"
done

python3 - "$binary" "$work" "$hold" "$runs" <<'PY'
import os, resource, select, signal, statistics, subprocess, sys, time
binary, work, hold, runs = sys.argv[1], sys.argv[2], float(sys.argv[3]), int(sys.argv[4])
def run(home, ending):
    env = {k: v for k, v in os.environ.items() if k in ("PATH", "ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS")}
    env.update(HOME=home, XDG_RUNTIME_DIR=home + "/run", TZ="UTC")
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    p = subprocess.Popen([binary, "--mcp"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, env=env)
    p.stdin.write(b'{"jsonrpc":"2.0","id":1,"method":"ping"}\n'); p.stdin.flush()
    answer = None
    if select.select([p.stdout], [], [], 30)[0] and p.stdout.readline():
        answer = time.monotonic() - start
    time.sleep(hold)
    asked = time.monotonic()
    if ending == "SIGTERM":
        p.send_signal(signal.SIGTERM)
    else:
        p.stdin.close()
    try:
        p.wait(30)
        ended = time.monotonic() - asked
    except subprocess.TimeoutExpired:
        p.kill(); p.wait(); ended = None
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime + after.ru_stime) - (before.ru_utime + before.ru_stime)
    return answer, ended, cpu
def show(values):
    known = [v for v in values if v is not None]
    if len(known) < len(values):
        return "never (30 s)"
    return "%.2f s" % statistics.median(known)
for name in ("empty", "fifo", "folders", "rules"):
    for ending in ("end of input", "SIGTERM"):
        results = [run(os.path.join(work, name), ending) for _ in range(runs)]
        print("%-8s %-13s answer %-13s exit %-13s processor %s" % (
            name, ending, show([r[0] for r in results]), show([r[1] for r in results]),
            show([r[2] for r in results])))
PY
