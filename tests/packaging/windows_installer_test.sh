#!/usr/bin/env bash
# Copyright (C) 2026 Tarnwell
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows installer under Wine, in a fresh prefix: an older version and then
# this one install silently; one copy of each file and one Add/Remove Programs
# entry remain, where the documentation says. The installed module loads through
# the hosting library's loader and renders what the built one renders. The
# silent uninstaller removes all of it but a user's preset beside the factory ones.
# The zip beside the installer holds the same files.
# Usage: windows_installer_test.sh <source dir> <Windows build> <native build> <wine> <renderer .exe>
set -euo pipefail
source_dir=$1 win_build=$2 native_build=$3 wine=$4 renderer=$5
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Our own prefix's server goes with us.
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# Wine's programs end before the helpers they start (an uninstaller runs from a copy).
settle() { wineserver -w; }

version=$(cat "$win_build/version.txt")
bash "$source_dir/scripts/make-windows-installer" "$win_build" "$native_build" "$work/new" >/dev/null
# The older version shipped a preset that this one no longer has.
mkdir -p "$work/old-build"
cp -r "$native_build/presets" "$work/old-build/"
some_preset=$(find "$work/old-build/presets" -name '*.vstpreset' -print -quit)
cp "$some_preset" "$(dirname "$some_preset")/Retired.vstpreset"
bash "$source_dir/scripts/make-windows-installer" "$win_build" "$work/old-build" "$work/old" 0.9 >/dev/null
setup="$work/new/VOSK-$version-win64-setup.exe"
[ -f "$setup" ] || fail "no installer named after version $version"
# The zip holds what the installer installs, under the names of the places it goes.
zipped=$(cmake -E tar tf "$work/new/VOSK-$version-win64.zip" | grep -v '/$' | sort)
wanted=$({
  echo LICENSE.txt
  (cd "$win_build" && find VOSK.vst3 -type f)
  (cd "$native_build/presets" && find . -type f -name '*.vstpreset' | sed 's|^\./|VST3 Presets/|')
} | sort)
[ "$zipped" = "$wanted" ] || fail "the zip holds: $zipped"

"$wine" wineboot -i </dev/null >/dev/null 2>&1
settle
c="$WINEPREFIX/drive_c"
bundle="$c/Program Files/Common Files/VST3/VOSK.vst3"
presets_root="$c/ProgramData/VST3 Presets"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VOSK'
regvalue() { "$wine" reg query "$key" /v "$1" /reg:64 2>/dev/null | tr -d '\r' | awk -v n="$1" '$1 == n {print $3}'; }

"$wine" "$work/old/VOSK-0.9-win64-setup.exe" /S </dev/null >/dev/null 2>&1 || fail "the older installer failed"
settle
[ "$(regvalue DisplayVersion)" = 0.9 ] || fail "the older version is not registered"
[ -n "$(find "$presets_root" -name Retired.vstpreset)" ] || fail "the older version's presets are not installed"
"$wine" "$setup" /S </dev/null >/dev/null 2>&1 || fail "the installer failed"
settle

[ -f "$bundle/Contents/x86_64-win/VOSK.vst3" ] || fail "no module in Common Files\\VST3"
diff -r "$win_build/VOSK.vst3" "$bundle" >/dev/null || fail "the installed bundle differs from the built one"
expected=$(cd "$native_build/presets" && find . -type f -name '*.vstpreset' | sort)
installed=$(cd "$presets_root" && find . -type f | sort)
[ "$installed" = "$expected" ] || fail "presets installed: $installed"
[ "$(regvalue DisplayVersion)" = "$version" ] || fail "DisplayVersion is not $version"
cmp -s "$source_dir/LICENSE" "$c/Program Files/VOSK/LICENSE.txt" || fail "the licence is not installed beside the uninstaller"
[ -n "$(regvalue Publisher)" ] || fail "no publisher"
[ "$(($(regvalue EstimatedSize)))" -gt 1000 ] || fail "no size"
entries=$("$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /reg:64 2>/dev/null |
  tr -d '\r' | grep -c '\\VOSK$' || true)
[ "$entries" -eq 1 ] || fail "$entries Add/Remove Programs entries"

"$wine" "$renderer" 'C:\Program Files\Common Files\VST3\VOSK.vst3' "$work/installed.f32" </dev/null >/dev/null 2>&1 ||
  fail "the installed module did not render"
"$wine" "$renderer" "$win_build/VOSK.vst3" "$work/built.f32" </dev/null >/dev/null 2>&1 || fail "the built module did not render"
[ -s "$work/built.f32" ] && cmp -s "$work/installed.f32" "$work/built.f32" || fail "the installed module renders differently"

factory_dir=$(dirname "$(find "$presets_root" -type f -print -quit)")
echo mine >"$factory_dir/My Own.vstpreset"
"$wine" "$c/Program Files/VOSK/uninstall.exe" /S </dev/null >/dev/null 2>&1 || fail "the uninstaller failed"
settle
[ ! -e "$bundle" ] || fail "the bundle is still there"
[ ! -e "$c/Program Files/VOSK" ] || fail "the uninstaller's folder is still there"
[ -z "$(regvalue DisplayVersion)" ] || fail "still registered"
left=$(cd "$presets_root" && find . -type f)
[ "$left" = "./${factory_dir#"$presets_root/"}/My Own.vstpreset" ] || fail "presets left: $left"
echo "installed $(basename "$setup") over 0.9 and uninstalled it"
