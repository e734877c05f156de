#!/usr/bin/env bash
# Copyright (C) 2026 Tarnwell
# SPDX-License-Identifier: GPL-3.0-or-later
# The README's from-source install, word for word, in a fresh clone of the
# committed tree and a home folder of its own: the block of commands after the
# install-from-source mark runs as written, and leaves the bundle, the factory
# presets and the command where the README says, the command finding the bundle.
# Usage: readme_install_test.sh <source dir>
set -euo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

git clone -q "$source_dir" "$work/clone"
export HOME="$work/home"
mkdir -p "$HOME"
# The first sh block after the mark.
steps=$(awk '/<!-- install-from-source/ {mark = 1; next}
             mark && /^```sh/ {block = 1; next}
             block && /^```/ {exit}
             block {print}' "$work/clone/README.md")
[ -n "$steps" ] || fail "the README has no install-from-source block"
(cd "$work/clone" && bash -euo pipefail -c "$steps") >"$work/out" 2>&1 || { tail -30 "$work/out" >&2; fail "the steps failed"; }

[ -f "$HOME/.vst3/VOSK.vst3/Contents/x86_64-linux/VOSK.so" ] || fail "no bundle in ~/.vst3"
[ -x "$HOME/.local/bin/vosk" ] || fail "no vosk in ~/.local/bin"
defined=$(grep -c '^\[' "$work/clone/resource/presets/factory.presets")
installed=$(find "$HOME/.vst3/presets" -name '*.vstpreset' | wc -l)
[ "$installed" -eq "$defined" ] || fail "$installed of $defined factory presets in ~/.vst3/presets"
grep -qx "plug-in    $HOME/.vst3/VOSK.vst3" "$work/out" || fail "vosk info did not find the bundle in ~/.vst3"
echo "followed the README: $installed presets, the bundle and vosk installed"
