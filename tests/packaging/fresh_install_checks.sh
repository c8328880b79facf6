#!/usr/bin/env bash
# Runs inside mmdebstrap's customize phase, on the host, with the new root's
# folder as $1: the checks of fresh_install_test.sh against the installed
# package, as an ordinary user of the new root.
# Usage: fresh_install_checks.sh ROOT DISPLAY WORK BUILD_DIR
set -euo pipefail
root=$1
display=$2
work=$3
build=$4
here=$(cd "$(dirname "$0")" && pwd)

fail() {
  echo "fresh install: $*" >&2
  exit 1
}
home=/tmp/home
mkdir -p "$root$home/runtime"
chmod 700 "$root$home/runtime"
chown -R 1000:1000 "$root$home"
# chroot, setpriv and env each exec the next, so a program started in the
# background through this keeps the pid the shell reports.
as_user=(chroot "$root" setpriv --reuid=1000 --regid=1000 --clear-groups
  env -i PATH=/usr/bin:/bin HOME=$home XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$home/runtime
  LANG=C.UTF-8 PIPEUSB_BACKEND=sim PIPEUSB_SIM=demo)
as_user() { "${as_user[@]}" "$@"; }

as_user korvex-cli devices | grep -q '): 1$' || fail "korvex-cli does not see the virtual recorder"
as_user korvex-cli upload -o $home/rec.can | grep -q '总帧数' || fail "korvex-cli upload"
[ -s "$root$home/rec.can" ] || fail "the upload wrote no file"
echo "fresh install: korvex-cli lists and uploads the virtual recorder"

fonts=$(chroot "$root" fc-list :lang=zh family)
[ -n "$fonts" ] || fail "no font with Chinese glyphs was installed"
echo "fresh install: Chinese font $(head -n 1 <<<"$fonts")"

"${as_user[@]}" DISPLAY="127.0.0.1:$display" KorvexPro >"$work/korvexpro.log" 2>&1 &
pid=$!
# A program left running would keep the new root busy.
trap 'kill -KILL "$pid" 2>/dev/null || true' EXIT
# The main window opens at the screen's top left (no window manager); its
# menu bar and toolbar fill the first 100 rows.
screen=$work/fb/Xvfb_screen0
coloured=0
for _ in $(seq 150); do
  sleep 0.2
  kill -0 "$pid" 2>/dev/null || fail "KorvexPro ended at start-up: $(cat "$work/korvexpro.log")"
  coloured=$(python3 "$here/screen_check.py" "$screen" 0 100)
  [ "$coloured" -ge 1000 ] && break
done
python3 "$here/screen_check.py" "$screen" 0 100 "$build/fresh-install.png" >/dev/null
[ "$coloured" -ge 1000 ] ||
  fail "the toolbar's icons are not drawn ($coloured coloured pixels; see $build/fresh-install.png): $(cat "$work/korvexpro.log")"
echo "fresh install: KorvexPro draws its toolbar icons ($coloured coloured pixels)"

kill -TERM "$pid"
status=0
wait "$pid" || status=$?
[ "$status" -eq 0 ] || fail "KorvexPro ended with status $status on SIGTERM: $(cat "$work/korvexpro.log")"
[ -f "$root$home/.config/Korvex/DevCfg.ini" ] || fail "KorvexPro wrote no settings on SIGTERM"
echo "fresh install: KorvexPro ends with status 0 on SIGTERM and writes its settings"
