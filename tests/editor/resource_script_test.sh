#!/usr/bin/env bash
# Copyright (C) 2026 Tarnwell
# SPDX-License-Identifier: GPL-3.0-or-later
# Compiles the Windows resource script with the cross resource compiler, decompiles
# the result and checks the resource table: types, upper-case names, language,
# version information, and that every image the editor description names is packed
# under its own name in upper case.
# Usage: resource_script_test.sh <windres> <script> <resource folder> [<folder of built images>]
# With the built images, their file names must be exactly the ones the script packs.
set -euo pipefail
windres=$1
script=$2
resources=$3
built=${4:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

images=(ABOUT.PNG ANALOGVU.PNG BIG_BUTTON.PNG DARK-METAL6RU.JPG DESIGNER_KNOB.PNG GUI_EDIT.PNG
        KNOB_66_BLACK.PNG LED.PNG LED_GREEN.PNG LED_ORANGE.PNG LED_PURPLE.PNG LED_TURK.PNG
        LED_YELLOW.PNG LRBOUTONS.PNG MSBUTTONSMALL.PNG POWERSWITCH2013.PNG SCREW.PNG SLIDER51.PNG
        SLIDER_BKG_VERT.BMP SLIDER_HANDLE.PNG SWITCHREDD.PNG SWITCHYELLOW.PNG SWITCH_TOGGLE.PNG
        TARNWELL1.PNG TB304.PNG VU_OFF.BMP VU_ON.BMP)

# Stage every file the script packs: the real one when the folder has it, else a
# stand-in whose bytes name the file (the check below reads them back).
mkdir "$work/in"
mapfile -t packed < <(sed -n -E 's/^[^/ ]+ +(PNG|DATA) +"([^"]+)".*/\2/p' "$script")
[ "${#packed[@]}" -eq 28 ] || fail "expected 28 packed files, script packs ${#packed[@]}"
for f in "${packed[@]}"; do
    if [ -f "$resources/$f" ]; then
        cp "$resources/$f" "$work/in/$f"
    elif [ -n "$built" ]; then
        [ -f "$built/$f" ] || fail "$f is packed but not among the built images"
        cp "$built/$f" "$work/in/$f"
    else
        printf 'stand-in %s' "$f" >"$work/in/$f"
    fi
done

"$windres" --preprocessor=cpp -I "$work/in" -i "$script" -O res -o "$work/out.res" || fail "script does not compile"
"$windres" -i "$work/out.res" -O rc -o "$work/dump.rc" || fail "compiled resources do not decompile"
dump="$work/dump.rc"

# Table entries as "TYPE NAME", one a line.
entries=$(sed -n -E 's/^"([^"]+)" "([^"]+)" .*/\2 \1/p' "$dump" | sort)
expected=$( { echo "DATA VOSKEDITOR.UIDESC"; for i in "${images[@]}"; do echo "PNG $i"; done; } | sort)
[ "$entries" = "$expected" ] || fail "resource table differs:"$'\n'"$(diff <(echo "$expected") <(echo "$entries"))"

# One language for everything: 1033 (primary 9, sub-language 1).
[ "$(grep -c '^LANGUAGE' "$dump")" -eq 1 ] && grep -q '^LANGUAGE 9, 1$' "$dump" || fail "not all resources in language 1033"

# Each name is its file name in upper case.
for f in "${packed[@]}"; do
    upper=${f^^}
    grep -q -E "^${upper//./\\.} +(PNG|DATA) +\"$f\"" "$script" || fail "$f is not packed as $upper"
done

# Version information.
grep -q '^1 VERSIONINFO' "$dump" || fail "no version information with number 1"
for line in ' FILEVERSION 1, 0, 0, 1' ' PRODUCTVERSION 1, 0, 0, 1' ' FILEOS 0x40004' ' FILETYPE 0x1' \
            'VALUE "FileVersion", "1.0.0.1"' 'VALUE "ProductVersion", "1.0.0.1"' \
            'VALUE "FileDescription", "TarnwellMasteringVelmor VST3-SDK"' \
            'VALUE "InternalName", "TarnwellMasteringVelmor VST3-SDK"' \
            'VALUE "ProductName", "TarnwellMasteringVelmor VST3-SDK"' 'VALUE "LegalTrademarks", "VST' \
            'VALUE "Translation", 0x409, 1200'; do
    grep -q -F -- "$line" "$dump" || fail "version information lacks: $line"
done
! grep -q '^ FILEFLAGS 0x[1-9]' "$dump" || fail "file flags set"

# The description's bitmap paths, when the description is in the folder, are all packed.
if [ -f "$resources/voskEditor.uidesc" ]; then
    mapfile -t paths < <(grep -o -E '<bitmap [^>]*path="[^"]+"' "$resources/voskEditor.uidesc" | sed -E 's/.*path="([^"]+)"/\1/')
    [ "${#paths[@]}" -eq 27 ] || fail "description names ${#paths[@]} bitmaps, expected 27"
    for p in "${paths[@]}"; do
        # A here-string, not a pipe: grep -q stops reading early, and under pipefail
        # the writer's broken pipe would fail the check at random.
        grep -q -x -F -- "$p" <<<"$(printf '%s\n' "${packed[@]}")" || fail "bitmap path $p of the description is not packed"
    done
fi
echo "resource script: 28 entries, version 1.0.0.1"
