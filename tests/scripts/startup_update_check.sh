#!/usr/bin/env bash
# The program's start-up update check under Xvfb: 3 s after start it asks a local nginx for its
# index (GAUGELOFT_UPDATES_ROOT), finds no newer version, shows nothing, keeps running and
# records the check's time in the update catalog.
set -u
program="$1"
sensors="$2"
work=$(mktemp -d)
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $1"; cat "$work/access.log" "$work/error.log" "$work/program.log" 2>/dev/null; exit 1; }

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mkdir -p "$work/www" "$work/temp" "$work/run" "$work/config"
chmod 700 "$work/run"
printf '<update version=1.0 created=45000><setup file=setup.sh version=0.0.0.1 size=10>\n' >"$work/www/Tallyvane.xml"
cat >"$work/nginx.conf" <<CONF
daemon off; master_process off; worker_processes 1; pid $work/nginx.pid; error_log $work/error.log;
events { worker_connections 16; }
http { access_log $work/access.log; client_body_temp_path $work/temp/body; proxy_temp_path $work/temp/proxy;
  fastcgi_temp_path $work/temp/fastcgi; uwsgi_temp_path $work/temp/uwsgi; scgi_temp_path $work/temp/scgi;
  server { listen 127.0.0.1:$port; root $work/www; } }
CONF
nginx -p "$work" -c "$work/nginx.conf" & pids+=($!)
for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.1; done

# the user's options ask for the check at launch
mkdir -p "$work/config/Marrowind"
printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Marrowind\\Gaugeloft]\n"Do Web Update"=dword:00000001\n' \
  >"$work/config/Marrowind/registry.reg"
export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb
export GAUGELOFT_SENSOR_FILE="$sensors" GAUGELOFT_UPDATES_ROOT="http://127.0.0.1:$port/"
# an X server of its own, so that the program is a child of this script and ends with it
exec 3>"$work/display"
Xvfb -displayfd 3 -nolisten tcp >"$work/xvfb.log" 2>&1 & pids+=($!)
exec 3>&-
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n 1 "$work/display")"
"$program" >"$work/program.log" 2>&1 & program_pid=$!
pids=("$program_pid" "${pids[@]}")

for _ in $(seq 100); do grep -q "GET /Tallyvane.xml" "$work/access.log" 2>/dev/null && break; sleep 0.1; done
grep -q "GET /Tallyvane.xml HTTP/1.1\" 200" "$work/access.log" || fail "the index was not asked for"
registry="$work/config/Marrowind/registry.reg"
for _ in $(seq 50); do grep -q '"LastCheck"=hex:' "$registry" 2>/dev/null && break; sleep 0.1; done
entry=$(sed -n '/Ravelwick\\Apps\\{/,/^$/p' "$registry")
echo "$entry" | grep -q '"LastCheck"=hex:' || fail "no LastCheck in the catalog entry: $entry"
echo "$entry" | grep -q '"LastCheck"=hex:00,00,00,00,00,00,00,00' && fail "LastCheck stayed 0"
echo "$entry" | grep -q '"WebIndex"="Tallyvane"' || fail "the entry has no index name"
kill -0 "$program_pid" 2>/dev/null || fail "the program ended: $(cat "$work/program.log")"
echo "PASS"
