#!/usr/bin/env bash
# Installs the Debian package with apt into a fresh minimal Debian 12 root
# (mmdebstrap, without recommended packages, from the mirror this machine's apt
# uses) and checks there what a user of a new desktop gets: korvex-cli works
# against the virtual recorder, a font with Chinese glyphs is present, and
# KorvexPro shows its main window on an X display with the toolbar's icons
# drawn, then ends with status 0 on SIGTERM and leaves its settings written.
# Usage: fresh_install_test.sh BUILD_DIR CPACK
# Exits 77 (skipped) where no root filesystem can be built: neither root nor
# unprivileged user namespaces.
set -euo pipefail
build=$1
cpack=$2
here=$(cd "$(dirname "$0")" && pwd)

fail() {
  echo "fresh install test: $*" >&2
  exit 1
}
for tool in mmdebstrap Xvfb python3; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/bootstrap installs it)"
done
mode=root
if [ "$(id -u)" -ne 0 ]; then
  mode=unshare
  unshare --user --map-root-user true 2>/dev/null || {
    echo "fresh install test: skipped, needs root or user namespaces" >&2
    exit 77
  }
fi

work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

(cd "$work" && "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
debs=("$work"/out/korvexpro_*_amd64.deb)
[ -f "${debs[0]}" ] || fail "no package built"

# The display listens on TCP as well, so that the root's programs reach it
# without a socket mounted in.
mkdir "$work/fb"
exec 3<> <(:)
Xvfb -displayfd 3 -screen 0 1280x800x24 -fbdir "$work/fb" -ac -listen tcp -nolisten unix \
  >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
display=""
for _ in $(seq 100); do
  read -r -t 0.1 display <&3 || true
  [ -n "$display" ] && break
done
[ -n "$display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"

mirror=()
if [ -f /etc/apt/sources.list.d/debian.sources ]; then
  mirror=(/etc/apt/sources.list.d/debian.sources)
elif [ -s /etc/apt/sources.list ]; then
  mirror=(/etc/apt/sources.list)
fi

deb=$(basename "${debs[0]}")
mmdebstrap --mode="$mode" --variant=apt \
  --customize-hook="copy-in \"${debs[0]}\" /tmp" \
  --customize-hook="chroot \"\$1\" apt-get install -y -q --no-install-recommends /tmp/$deb" \
  --customize-hook="\"$here/fresh_install_checks.sh\" \"\$1\" $display \"$work\" \"$build\"" \
  bookworm /dev/null "${mirror[@]}" >"$work/mmdebstrap.log" 2>&1 ||
  { tail -n 40 "$work/mmdebstrap.log" >&2; fail "installing into a fresh root failed"; }
grep '^fresh install:' "$work/mmdebstrap.log"
echo "fresh install test: $(basename "${debs[0]}") installs and runs on a fresh Debian 12"
