#!/usr/bin/env bash
# Copyright (C) 2026 Tarnwell
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the same fixed input through the Linux module and through the Windows
# module (under Wine) and requires equal samples.
# Usage: compare_platforms.sh <native renderer> <Linux bundle> <wine> <Windows renderer> <Windows bundle>
set -euo pipefail
native=$1 linux_bundle=$2 wine=$3 windows=$4 windows_bundle=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$native" "$linux_bundle" "$work/linux.f32" || fail "the Linux module did not render"
"$wine" "$windows" "$windows_bundle" "$work/windows.f32" || fail "the Windows module did not render"
size=$(stat -c %s "$work/linux.f32")
[ "$size" -gt 0 ] || fail "no samples rendered"
# Silence on both sides would compare equal and prove nothing.
[ -n "$(tr -d '\000' <"$work/linux.f32" | head -c 1)" ] || fail "the rendered output is silent"
cmp "$work/linux.f32" "$work/windows.f32" || fail "the modules' outputs differ"
echo "equal: $((size / 4)) samples"
