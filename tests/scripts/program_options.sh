#!/usr/bin/env bash
# gaugeloft --version and --help print and exit 0 without a display, and without waiting for
# the single-instance lock that another copy holds.
set -u
program="$1"
work=$(mktemp -d)
holder=
cleanup() { [ -n "$holder" ] && { pkill -P "$holder" 2>/dev/null; kill "$holder" 2>/dev/null; }; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $1"; exit 1; }

export XDG_RUNTIME_DIR="$work"
# its output away from the test's: ctest waits for every holder of that pipe
flock "$work/TALLYVANE_MUTEX.lock" sleep 60 >/dev/null 2>&1 &
holder=$!
for _ in $(seq 50); do [ -e "$work/TALLYVANE_MUTEX.lock" ] && break; sleep 0.1; done

plain=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 5 "$program")
out=$("${plain[@]}" --version) || fail "--version: exit status $?"
[[ "$out" =~ ^Gaugeloft\ [0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version printed: $out"
out=$("${plain[@]}" --help) || fail "--help: exit status $?"
grep -q "^Usage: gaugeloft" <<<"$out" || fail "--help has no usage line"
for word in --version --help GAUGELOFT_SENSOR_FILE; do
  grep -q -- "$word" <<<"$out" || fail "--help does not name $word"
done
out=$("${plain[@]}" /cleanu\;x --version) || fail "--version after another argument: exit status $?"
echo "PASS"
