#!/usr/bin/env bash
# A whole web update under Xvfb, over HTTPS from a local nginx with a test certificate
# authority: a copy of the program in a folder of its own checks at start-up, the confirmation
# counts down and installs by itself, the program ends, and what replaces it does its work.
#   portable: the package and a cabinet archive are downloaded beside the program; the script
#             moves the package over the executable, unpacks the archive, starts the new
#             program with "/cleanu;<script>", which removes the script 2 s later
#   setup:    an installed copy (an "unins" file beside it) starts the downloaded setup program
#   updater:  a portable copy with an Updater beside it hands it the files
# usage: update_end_to_end.sh PROGRAM SENSOR-FILE [portable|setup|updater]...
set -u
program="$1"
sensors="$2"
shift 2
scenarios=("$@")
[ ${#scenarios[@]} -eq 0 ] && scenarios=(portable setup updater)
work=$(mktemp -d)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  pkill -f "$work/" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL ($scenario): $1"
  for log in "$work"/access.log "$work"/error.log "$work"/*/program.log; do
    [ -f "$log" ] && { echo "--- $log"; tail -n 20 "$log"; }
  done
  exit 1
}
wait_for() {  # wait_for <seconds> <command...>
  local tries=$(($1 * 10))
  shift
  for _ in $(seq "$tries"); do "$@" && return 0; sleep 0.1; done
  return 1
}
for tool in nginx openssl gcab cabextract Xvfb; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is installed by scripts/test"; echo "PASS"; exit 0; }
done
scenario=setup

# a certificate authority of the test and a server certificate for 127.0.0.1
tls="$work/tls"
mkdir -p "$tls"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Gaugeloft test authority" \
  -keyout "$tls/ca.key" -out "$tls/ca.pem" >/dev/null 2>&1 || fail "no test authority"
openssl req -newkey rsa:2048 -nodes -subj "/CN=127.0.0.1" -keyout "$tls/server.key" -out "$tls/server.csr" \
  >/dev/null 2>&1 || fail "no server key"
printf 'subjectAltName=IP:127.0.0.1\n' >"$tls/server.ext"
openssl x509 -req -in "$tls/server.csr" -CA "$tls/ca.pem" -CAkey "$tls/ca.key" -CAcreateserial -days 2 \
  -extfile "$tls/server.ext" -out "$tls/server.pem" >/dev/null 2>&1 || fail "no server certificate"

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mkdir -p "$work/www" "$work/temp"
cat >"$work/nginx.conf" <<CONF
daemon off; master_process off; worker_processes 1; pid $work/nginx.pid; error_log $work/error.log;
events { worker_connections 16; }
http { access_log $work/access.log; client_body_temp_path $work/temp/body; proxy_temp_path $work/temp/proxy;
  fastcgi_temp_path $work/temp/fastcgi; uwsgi_temp_path $work/temp/uwsgi; scgi_temp_path $work/temp/scgi;
  server { listen 127.0.0.1:$port ssl; ssl_certificate $tls/server.pem; ssl_certificate_key $tls/server.key;
    root $work/www; } }
CONF
nginx -p "$work" -c "$work/nginx.conf" & pids+=($!)
wait_for 5 bash -c "exec 3<>/dev/tcp/127.0.0.1/$port" 2>/dev/null || fail "nginx did not start"

exec 3>"$work/display"
Xvfb -displayfd 3 -nolisten tcp >"$work/xvfb.log" 2>&1 & pids+=($!)
exec 3>&-
wait_for 5 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(head -n 1 "$work/display")" QT_QPA_PLATFORM=xcb SSL_CERT_FILE="$tls/ca.pem"
export GAUGELOFT_SENSOR_FILE="$sensors" GAUGELOFT_UPDATES_ROOT="https://127.0.0.1:$port/"
mkdir -p "$work/tmp" && export TMPDIR="$work/tmp"  # where setup programs are downloaded

offer() {  # offer <index element>: the index the next check reads
  printf '<update version=1.0 created=45000>%s</update>\n' "$1" >"$work/www/Tallyvane.xml"
}
recorder() {  # recorder <path> <record file>: a program that writes its arguments, one a line
  printf '#!/bin/sh\nprintf "%%s\\n" "$@" > "%s"\n' "$2" >"$1"
  chmod 755 "$1"
}
start_copy() {  # start_copy <folder>: the program, copied there, with the check at start-up on
  local folder="$1"
  mkdir -p "$folder/config/Marrowind" "$folder/run"
  chmod 700 "$folder/run"
  cp "$program" "$folder/gaugeloft"
  printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Marrowind\\Gaugeloft]\n"Do Web Update"=dword:00000001\n' \
    >"$folder/config/Marrowind/registry.reg"
  XDG_CONFIG_HOME="$folder/config" XDG_RUNTIME_DIR="$folder/run" "$folder/gaugeloft" >"$folder/program.log" 2>&1 &
  copy_pid=$!
  pids+=("$copy_pid")
}
ended() { ! kill -0 "$1" 2>/dev/null; }
fetched() { grep -q "GET /$1 HTTP/1.1\" 200" "$work/access.log" 2>/dev/null; }

for scenario in "${scenarios[@]}"; do
  app="$work/$scenario"
  : >"$work/access.log"
  case "$scenario" in
    portable)
      # the new program: records how it was started, then is the real program
      cp "$program" "$work/real-new"
      printf '#!/bin/sh\nprintf "%%s\\n" "$@" > "%s"\nexec "%s" "$@"\n' "$work/new-started.txt" "$work/real-new" \
        >"$work/www/gaugeloft-new"
      mkdir -p "$work/cab" && printf 'extras\n' >"$work/cab/extras.txt"
      (cd "$work/cab" && gcab -c "$work/www/extras.cab" extras.txt) || fail "no archive"
      offer "<portable file=gaugeloft-new version=99.0.0.0 size=$(stat -c %s "$work/www/gaugeloft-new") deploy=extras.cab>"
      start_copy "$app"
      wait_for 40 fetched gaugeloft-new || fail "the package was not downloaded"
      offer "<portable file=gaugeloft-new version=0.0.0.1>"  # the restarted program finds nothing newer
      fetched extras.cab || fail "the archive was not downloaded"
      wait_for 15 ended "$copy_pid" || fail "the old program did not end"
      wait_for 15 test -s "$work/new-started.txt" || fail "the new program did not start"
      [ "$(cat "$work/new-started.txt")" = "/cleanu;$app/_webu.sh" ] || fail "started with: $(cat "$work/new-started.txt")"
      cmp -s "$app/gaugeloft" "$work/www/gaugeloft-new" || fail "the executable was not replaced"
      [ -x "$app/gaugeloft" ] || fail "the new executable is not executable"
      [ "$(cat "$app/extras.txt" 2>/dev/null)" = extras ] || fail "the archive was not unpacked beside the program"
      wait_for 10 test ! -e "$app/_webu.sh" || fail "the script was not removed"
      ls "$app"/_webu* >/dev/null 2>&1 && fail "downloads left behind: $(ls "$app"/_webu*)"
      pkill -f "$work/real-new"
      ;;
    setup)
      recorder "$work/www/setup-new.sh" "$work/setup-args.txt"
      offer "<setup file=setup-new.sh version=99.0.0.0 size=$(stat -c %s "$work/www/setup-new.sh")>"
      mkdir -p "$app" && : >"$app/unins000.dat"  # an installed copy
      start_copy "$app"
      wait_for 40 fetched setup-new.sh || fail "the setup program was not downloaded"
      wait_for 15 test -s "$work/setup-args.txt" || fail "the setup program did not start"
      [ "$(cat "$work/setup-args.txt")" = "--silent" ] || fail "setup arguments: $(cat "$work/setup-args.txt")"
      wait_for 15 ended "$copy_pid" || fail "the old program did not end"
      ;;
    updater)
      printf 'new program\n' >"$work/www/gaugeloft-next"
      offer "<portable file=gaugeloft-next version=99.0.0.0 size=12>"
      mkdir -p "$app"
      recorder "$app/Updater" "$work/updater-args.txt"
      start_copy "$app"
      wait_for 40 fetched gaugeloft-next || fail "the package was not downloaded"
      wait_for 15 test -s "$work/updater-args.txt" || fail "the updater did not start"
      expected=$(printf '/s:%s\n/d:%s\n/m:TALLYVANE_MUTEX\n/z:\n/a:7' "$(ls "$app"/_webu*)" "$app/gaugeloft")
      [ "$(cat "$work/updater-args.txt")" = "$expected" ] || fail "updater arguments: $(cat "$work/updater-args.txt")"
      wait_for 15 ended "$copy_pid" || fail "the old program did not end"
      ;;
    *) fail "no scenario $scenario" ;;
  esac
  echo "ok: $scenario"
done
echo "PASS"
