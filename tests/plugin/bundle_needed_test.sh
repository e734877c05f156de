#!/usr/bin/env bash
# Copyright (C) 2026 Tarnwell
# SPDX-License-Identifier: GPL-3.0-or-later
# The Linux module needs only what a desktop Linux system has: the C and C++
# runtimes, X11, cairo and the font libraries. Everything else is linked in.
# Usage: bundle_needed_test.sh <module>
set -euo pipefail
module=$1
needed=$(readelf -d "$module" | sed -n -E 's/.*\(NEEDED\).*\[(.+)\]$/\1/p')
[ -n "$needed" ] || { echo "FAIL: no NEEDED entries read from $module" >&2; exit 1; }
allowed='^(libc|libm|libdl|libpthread|librt|libgcc_s|libstdc\+\+|ld-linux-x86-64|libX11|libxcb|libcairo|libfontconfig|libfreetype)\.so(\.[0-9]+)*$'
status=0
for lib in $needed; do
    if ! [[ $lib =~ $allowed ]]; then
        echo "FAIL: $module needs $lib, which many systems lack" >&2
        status=1
    fi
done
echo "needs:" $needed
exit $status
