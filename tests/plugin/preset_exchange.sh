#!/usr/bin/env bash
# Copyright (C) 2026 Tarnwell
# SPDX-License-Identifier: GPL-3.0-or-later
# A preset written on Linux plays in the Windows module (under Wine), and the
# preset the Windows module writes plays on Linux: the same samples, the
# settings' and not the defaults'. Both modules write the same file, naming the
# class by its one text.
# Usage: preset_exchange.sh <native tool> <Linux bundle> <wine> <Windows tool> <Windows bundle> <Linux preset>
set -euo pipefail
native=$1 linux_bundle=$2 wine=$3 windows=$4 windows_bundle=$5 preset=$6
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$wine" "$windows" "$windows_bundle" "$preset" "$work/windows.f32" "$work/windows.vstpreset" ||
  fail "the Windows module did not play the Linux preset"
"$native" "$linux_bundle" "$work/windows.vstpreset" "$work/linux.f32" "$work/linux.vstpreset" ||
  fail "the Linux module did not play the Windows preset"
"$native" "$linux_bundle" - "$work/defaults.f32" "$work/defaults.vstpreset" || fail "no render of the defaults"
cmp "$work/windows.f32" "$work/linux.f32" || fail "the two modules play the preset differently"
! cmp -s "$work/linux.f32" "$work/defaults.f32" || fail "the preset plays as the defaults"
cmp "$work/windows.vstpreset" "$work/linux.vstpreset" || fail "the modules write different presets"
text=$(head -c 40 "$work/windows.vstpreset" | tail -c 32)
[ "$text" = 2720948CF76149689E4C52435E111CA4 ] || fail "the preset names the class $text"
echo "exchanged: $(stat -c %s "$work/linux.f32") bytes of samples alike"
