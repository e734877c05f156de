#!/usr/bin/env bash
# Copyright (C) 2026 Tarnwell
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: built from the build folder, depending on the libraries the
# binaries use, clean under lintian, installed with dpkg into a root of its own
# (with the machine's package list, so that its dependencies must be met), where
# `vosk info` finds the plug-in in /usr/lib/vst3 unasked, and removed again
# without a trace.
# Usage: deb_test.sh <source dir> <build dir>
set -euo pipefail
source_dir=$1 build_dir=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# dpkg into another root, and the mount namespace, need root (CI has it).
[ "$(id -u)" -eq 0 ] || { echo "SKIP: installing the package needs root"; exit 77; }

deb=$(bash "$source_dir/scripts/make-deb" "$build_dir" "$work/dist")
[ -f "$deb" ] || fail "no package built"
# Every tag counts; what a plug-in package cannot avoid is overridden, with the reason.
lintian --pedantic --fail-on error,warning,info,pedantic "$deb" >"$work/lintian" 2>&1 ||
  { cat "$work/lintian" >&2; fail "lintian complains"; }

depends=$(dpkg-deb -f "$deb" Depends)
for library in libcairo2 libx11-6 libfontconfig1 libsndfile1 libebur128-1 libnlopt0; do
  grep -q "\b$library\b" <<<"$depends" || fail "Depends lacks $library: $depends"
done

root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
cp /var/lib/dpkg/status "$root/var/lib/dpkg/status"
: >"$root/var/lib/dpkg/available"
dpkg --root="$root" --log=/dev/null --no-triggers -i "$deb" >/dev/null 2>"$work/dpkg.err" ||
  { cat "$work/dpkg.err" >&2; fail "dpkg -i failed"; }
for f in usr/bin/vosk usr/lib/vst3/VOSK.vst3/Contents/x86_64-linux/VOSK.so \
  usr/lib/vst3/VOSK.vst3/Contents/Resources/moduleinfo.json usr/share/doc/vosk/README.md usr/share/doc/vosk/copyright; do
  [ -f "$root/$f" ] || fail "/$f is not installed"
done
presets=$(find "$root/usr/share/vst3/presets" -name '*.vstpreset' | wc -l)
[ "$presets" -eq "$(find "$build_dir/presets" -name '*.vstpreset' | wc -l)" ] || fail "$presets presets installed"

# The installed command with the installed /usr, in a mount namespace of its own.
info=$(unshare -m sh -c 'mount --make-rprivate / && mount -t overlay overlay -o "lowerdir=$1/usr:/usr" /usr &&
  cd / && /usr/bin/vosk info' sh "$root") || fail "the installed vosk info failed"
grep -qx 'plug-in    /usr/lib/vst3/VOSK.vst3' <<<"$info" || fail "vosk info did not find /usr/lib/vst3: $info"

dpkg --root="$root" --log=/dev/null --no-triggers -r vosk >/dev/null 2>"$work/dpkg.err" ||
  { cat "$work/dpkg.err" >&2; fail "dpkg -r failed"; }
left=$(find "$root/usr" -mindepth 1 2>/dev/null || true)
[ -z "$left" ] || fail "left behind: $left"
status=$(dpkg-query --root="$root" -W -f='${db:Status-Status}' vosk 2>/dev/null || echo not-installed)
[ "$status" = not-installed ] || fail "dpkg still lists vosk as $status"
echo "installed and removed $(basename "$deb")"
