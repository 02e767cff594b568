#!/usr/bin/env bash
# Two copies of the program (offscreen): the second waits about 10 s for the first and exits
# with code 1 while the first keeps running; a second copy whose first ends 3 s after it
# started goes on and takes the lock.
set -u
program="$1"
sensors="$2"
work=$(mktemp -d)
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $1"; exit 1; }

mkdir -m 700 "$work/run" "$work/config"
export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen
export GAUGELOFT_SENSOR_FILE="$sensors"
# the start-up update check stays on this machine (nothing listens on port 9)
export GAUGELOFT_UPDATES_ROOT=http://127.0.0.1:9/
held() { ! flock -n "$work/run/TALLYVANE_MUTEX.lock" true; }

"$program" 2>>"$work/log" & first=$!
pids+=("$first")
for _ in $(seq 200); do [ -S "$work/run/TALLYVANE_MUTEX.socket" ] && break; sleep 0.1; done
[ -S "$work/run/TALLYVANE_MUTEX.socket" ] || fail "the first copy does not listen"

start=$(date +%s%N)
"$program" 2>/dev/null
status=$?
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
[ "$status" -eq 1 ] || fail "the second copy ended with $status, not 1"
[ "$elapsed" -ge 9500 ] && [ "$elapsed" -le 15000 ] || fail "the second copy gave up after $elapsed ms"
kill -0 "$first" 2>/dev/null || fail "the first copy did not keep running"

"$program" 2>>"$work/log" & second=$!
pids+=("$second")
sleep 3
kill "$first"
wait "$first" 2>/dev/null
sleep 2
kill -0 "$second" 2>/dev/null || fail "the second copy did not go on after the first ended"
held || fail "the second copy does not hold the lock"
echo "PASS"
