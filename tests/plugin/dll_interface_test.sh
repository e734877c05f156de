#!/usr/bin/env bash
# Copyright (C) 2026 Tarnwell
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows module's interface as the loader sees it: it exports exactly the
# three entry points and imports only DLLs of Windows itself (those a Windows
# installation holds in its system folder; the Wine prefix's stands in).
# Usage: dll_interface_test.sh <objdump> <module>
set -euo pipefail
objdump=$1 module=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
system="${WINEPREFIX:-$HOME/.wine}/drive_c/windows/system32"
[ -d "$system" ] || fail "no Windows system folder at $system"

headers=$("$objdump" -p "$module") || fail "cannot read $module"
exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers" | sed -n -E 's/^\s+\[ *[0-9]+\] (.+)$/\1/p' | sort | tr '\n' ' ')
[ "$exports" = "ExitDll GetPluginFactory InitDll " ] || fail "exports are: $exports"

mapfile -t imports < <(sed -n -E 's/^\s+DLL Name: (.+)$/\1/p' <<<"$headers")
[ "${#imports[@]}" -gt 0 ] || fail "no imports found"
for dll in "${imports[@]}"; do
    [ -n "$(find "$system" -maxdepth 1 -iname "$dll" -print -quit)" ] || fail "imports $dll, which is not a system DLL"
done
echo "exports: $exports; imports: ${imports[*]}"
