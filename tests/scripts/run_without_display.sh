#!/usr/bin/env bash
# scripts/run without a desktop session says what to do before installing or building anything.
set -u
root="$(cd "$(dirname "$0")/../.." && pwd)"
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM PATH="/nonexistent-no-tools:$PATH" \
  "$root/scripts/run" 2>&1)
status=$?
fail() { echo "FAIL: $1"; echo "$out"; exit 1; }
[ "$status" -eq 1 ] || fail "exit status $status, not 1"
grep -q "xvfb-run -a scripts/run" <<<"$out" || fail "no advice on running without a desktop"
grep -qi "building\|installing" <<<"$out" && fail "it built or installed before checking"
echo "PASS"
