#!/usr/bin/env bash
# Builds the Debian package from a finished build tree, unpacks it into a
# scratch root (dpkg -x) and checks what a user gets: the files in their
# places, dependencies from dpkg-shlibdeps, libraries found through RPATH, the
# installed korvex-cli working against the virtual recorder, and valid desktop,
# metainfo, MIME, man and completion files.
# Usage: package_test.sh BUILD_DIR CPACK
set -euo pipefail
build=$1
cpack=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "package test: $*" >&2
  exit 1
}

(cd "$work" && "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
debs=("$work"/out/korvexpro_*_amd64.deb)
[ -f "${debs[0]}" ] || fail "no korvexpro_<version>_amd64.deb in $(ls "$work/out")"
deb=${debs[0]}

[ "$(dpkg-deb -f "$deb" Package)" = korvexpro ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Architecture)" = amd64 ] || fail "architecture"
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libc6* && $depends == *libstdc++6* ]] || fail "dependencies not from dpkg-shlibdeps: '$depends'"
# What Qt loads at run time, which dpkg-shlibdeps cannot see.
[[ $depends == *libqt6svg6* && $depends == *"fonts-wqy-microhei | fonts-noto-cjk"* ]] ||
  fail "no dependency on the SVG plug-in and a Chinese font: '$depends'"
# No maintainer script: the private library folder needs no ldconfig.
if dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -qE 'post(inst|rm)$'; then fail "maintainer scripts"; fi
if command -v lintian >/dev/null; then
  lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 || { cat "$work/lintian.log" >&2; fail "lintian"; }
fi

root=$work/root
dpkg -x "$deb" "$root"
libdir=usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/korvexpro
for f in usr/bin/korvex-cli \
  $libdir/libLogport.so $libdir/libProtoLens.so $libdir/libPipeUsb.so \
  usr/share/korvex/language/config.ini usr/share/korvex/language/English.xml \
  usr/lib/udev/rules.d/70-korvex-recorder.rules \
  usr/share/applications/org.korvex.KorvexPro.desktop \
  usr/share/metainfo/org.korvex.KorvexPro.metainfo.xml \
  usr/share/icons/hicolor/scalable/apps/org.korvex.KorvexPro.svg \
  usr/share/mime/packages/korvexpro.xml \
  usr/share/man/man1/korvex-cli.1.gz usr/share/man/man1/KorvexPro.1.gz \
  usr/share/doc/korvexpro/copyright usr/share/doc/korvexpro/changelog.gz \
  usr/share/bash-completion/completions/korvex-cli; do
  [ -e "$root/$f" ] || fail "missing /$f"
done
programs=(usr/bin/korvex-cli)
if [ -x "$build/bin/KorvexPro" ]; then
  [ -x "$root/usr/bin/KorvexPro" ] || fail "missing /usr/bin/KorvexPro"
  programs+=(usr/bin/KorvexPro)
fi
if compgen -G "$root/usr/lib/*.so*" >/dev/null || compgen -G "$root/usr/lib/*/*.so*" >/dev/null; then
  fail "libraries outside the private folder"
fi

# The project's libraries resolve inside the package through RPATH alone.
for p in "${programs[@]}"; do
  readelf -d "$root/$p" | grep -qF "path: [\$ORIGIN/../${libdir#usr/}]" || fail "$p: no RPATH"
  resolved=$(env -u LD_LIBRARY_PATH ldd "$root/$p")
  if grep -q 'not found' <<<"$resolved"; then fail "$p: $(grep 'not found' <<<"$resolved")"; fi
  for lib in libLogport libProtoLens; do
    grep -q "$lib.so => $root/usr/bin/../${libdir#usr/}/" <<<"$resolved" || fail "$p: $lib not from the package"
  done
done

cli=$root/usr/bin/korvex-cli
export PIPEUSB_BACKEND=sim PIPEUSB_SIM=demo HOME=$work/home XDG_CONFIG_HOME=$work/config
"$cli" --help | grep -q '^  convert ' || fail "korvex-cli --help does not list convert"
"$cli" devices | grep -q '): 1$' || fail "korvex-cli devices does not see the virtual recorder"
"$cli" upload -o "$work/rec.can" | grep -q '总帧数' || fail "upload"
"$cli" convert "$work/rec.can" "$work/rec.log" >/dev/null || fail "convert"
grep -qE '^\([0-9]+\.[0-9]{6}\) can0 [0-9A-F]{3}(#|[0-9A-F]{5}#)' "$work/rec.log" || fail "candump output"
"$cli" dump "$work/rec.log" >"$work/rec.txt" || fail "dump of the candump log"
[ "$(wc -l <"$work/rec.txt")" -gt 1000 ] || fail "dump of the candump log is short"

apps=$root/usr/share/applications/org.korvex.KorvexPro.desktop
desktop-file-validate "$apps" || fail "desktop file"
grep -q '^Exec=KorvexPro %f$' "$apps" || fail "desktop file does not pass the file"
grep -q '^MimeType=application/x-korvex-can;$' "$apps" || fail "desktop file MIME type"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.korvex.KorvexPro.metainfo.xml" >/dev/null ||
  fail "metainfo: $(appstreamcli validate --no-net "$root/usr/share/metainfo/org.korvex.KorvexPro.metainfo.xml")"
grep -q 'type="application/x-korvex-can"' "$root/usr/share/mime/packages/korvexpro.xml" || fail "MIME type"
if command -v xmllint >/dev/null; then xmllint --noout "$root/usr/share/mime/packages/korvexpro.xml"; fi
bash -n "$root/usr/share/bash-completion/completions/korvex-cli" || fail "bash completion"
if command -v man >/dev/null; then
  for page in korvex-cli KorvexPro; do
    warnings=$(LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man page $page: $warnings"
  done
fi
echo "package test: $(basename "$deb") passed"
