#!/usr/bin/env bash
# Installs a Gaugeloft package on this machine with apt-get and checks it: the program, menu
# entry, icons, metainfo, man page and copyright are in place, `gaugeloft --version` works, the
# installed program runs under Xvfb (a second copy exits with 1) and keeps the user's files
# under ~/.config of a temporary home; then `apt-get remove` and `purge` leave none of the
# package's files behind. Run by scripts/package --check; needs root or sudo without a password.
#   scripts/lib/installcheck.sh PACKAGE.deb
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
deb="$(realpath "$1")"
id=example.marrowind.gaugeloft
as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo -n)
apt_get() { "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -y -q -o Dpkg::Use-Pty=0 "$@"; }
fail() {
  echo "installcheck: FAILED: $*" >&2
  exit 1
}
"${as_root[@]}" true || fail "installing needs root or sudo without a password"
if dpkg-query -W -f='${Status}' gaugeloft 2>/dev/null | grep -qv 'not-installed'; then
  fail "a gaugeloft package is installed already; remove it first"
fi
# a file the package would overwrite would go when the package is removed
while IFS= read -r path; do
  [ -e "$path" ] && [ ! -d "$path" ] && fail "$path exists already"
done < <(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed -e 's|^\.||' -e 's|/$||')

work="$(mktemp -d "${TMPDIR:-/tmp}/gaugeloft-installcheck.XXXXXX")"
installed=""
cleanup() {
  if [ -n "$installed" ]; then apt_get purge gaugeloft >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"  # apt's download user reads the package from here
cp "$deb" "$work/"

echo "== apt-get install"
installed=1
apt_get install "$work/$(basename "$deb")"
mapfile -t listed < <(dpkg -L gaugeloft)
want=(/usr/bin/gaugeloft "/usr/share/applications/$id.desktop" "/usr/share/metainfo/$id.metainfo.xml"
      /usr/share/man/man1/gaugeloft.1.gz /usr/share/doc/gaugeloft/copyright
      /usr/share/icons/hicolor/scalable/apps/gaugeloft.svg)
for size in 16 22 24 32 48 64 128 256; do
  want+=("/usr/share/icons/hicolor/${size}x${size}/apps/gaugeloft.png")
done
for path in "${want[@]}"; do
  [ -f "$path" ] && printf '%s\n' "${listed[@]}" | grep -qxF "$path" || fail "$path is not installed"
done
echo "installed: ${#want[@]} files checked"
[ "$(command -v gaugeloft)" = /usr/bin/gaugeloft ] || fail "gaugeloft on the PATH is $(command -v gaugeloft)"
kind="$(file -b /usr/bin/gaugeloft)"
echo "/usr/bin/gaugeloft: $kind"
[[ "$kind" == *", stripped"* ]] || fail "the installed program is not stripped"
[ "$(man -w gaugeloft)" = /usr/share/man/man1/gaugeloft.1.gz ] || fail "man does not find the page"
appstreamcli validate --no-net "/usr/share/metainfo/$id.metainfo.xml" || fail "the installed metainfo"
upstream="$(dpkg-deb --field "$deb" Version)"
upstream="${upstream%-*}"
version="$(gaugeloft --version)"
echo "gaugeloft --version: $version"
[ "$version" = "Gaugeloft $upstream" ] || fail "the version is not $upstream"

echo "== the installed program under Xvfb"
home="$work/home"
mkdir -p "$home" "$work/runtime"
chmod 700 "$work/runtime"
cp "$root/examples/desktop.json" "$work/sensors.json"
status=0
env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 XDG_RUNTIME_DIR="$work/runtime" \
  COMPUTERNAME=installcheck GAUGELOFT_SENSOR_FILE="$work/sensors.json" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x1024x24" "$root/scripts/lib/installcheck-session.sh" \
  >"$work/session.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || { cat "$work/session.log" >&2; fail "the session under Xvfb (status $status)"; }
cat "$work/session.log"
for path in .config/Marrowind/registry.reg .config/gaugeloft/gaugeloft.installcheck.ini; do
  [ -f "$home/$path" ] || fail "no ~/$path"
done
# fontconfig, a library, keeps its cache in ~/.cache; everything of the program's own is in ~/.config
outside="$(cd "$home" && find . -type f ! -path './.config/*' ! -path './.cache/fontconfig/*')"
[ -z "$outside" ] || fail "files outside ~/.config: $outside"
echo "the user's files:"
(cd "$home" && find .config -type f | sort | sed 's/^/  ~\//')

echo "== apt-get remove, purge"
apt_get remove gaugeloft
# dpkg forgets a package without configuration files on removal; one it still knows is purged
if dpkg-query -W gaugeloft >/dev/null 2>&1; then apt_get purge gaugeloft; fi
installed=""
dpkg-query -W gaugeloft >/dev/null 2>&1 && fail "dpkg still knows the package after the purge"
left=()
for path in "${listed[@]}"; do
  [ "$path" = /. ] && continue
  if [ -d "$path" ] && [ ! -L "$path" ]; then
    # a folder stays when another package owns it or it holds other files
    if [ -z "$(ls -A "$path")" ] && ! dpkg -S "$path" >/dev/null 2>&1; then left+=("$path"); fi
  elif [ -e "$path" ] || [ -L "$path" ]; then
    left+=("$path")
  fi
done
[ ${#left[@]} -eq 0 ] || fail "left behind after removal: ${left[*]}"
echo "removed: none of the package's ${#listed[@]} paths is left"
echo "installcheck: passed"
