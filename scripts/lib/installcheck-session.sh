#!/usr/bin/env bash
# The X session of scripts/lib/installcheck.sh, run by xvfb-run: starts the installed
# gaugeloft, lets a second copy find the first one running (it must exit with 1), saves the
# dashboard with Ctrl+S and quits with Ctrl+Q; the program must end with 0.
set -euo pipefail

gaugeloft &
program=$!
trap 'kill "$program" 2>/dev/null || true' EXIT
window=""
for _ in $(seq 100); do
  window="$(xdotool search --onlyvisible --name '^Gaugeloft' 2>/dev/null | head -1 || true)"
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "no window of the installed program" >&2; exit 1; }
echo "window: $(xdotool getwindowname "$window")"
sleep 2  # the first polls fill the tree

second=0
gaugeloft >/dev/null 2>&1 || second=$?
echo "a second copy exited with $second"
[ "$second" -eq 1 ] || exit 1

xdotool windowfocus --sync "$window"
xdotool key ctrl+s
sleep 1
xdotool key ctrl+q
status=0
wait "$program" || status=$?
trap - EXIT
echo "the program exited with $status"
[ "$status" -eq 0 ]
