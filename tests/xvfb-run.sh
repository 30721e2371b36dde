#!/usr/bin/env bash
# Runs one test program on a virtual X display of its own. Xvfb picks a free display number
# itself (-displayfd), so runs in parallel, also from other build folders, never share a display
# (xvfb-run -a can hand two of them the same number).
set -euo pipefail
unset QT_QPA_PLATFORM
dir=$(mktemp -d)
xvfb=
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$dir"
}
trap cleanup EXIT
mkfifo "$dir/display"
# -noreset: without it Xvfb resets when its last client leaves and refuses connections for a moment.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -noreset -nolisten tcp 3>"$dir/display" 2>"$dir/log" &
xvfb=$!
if ! read -r -t 20 number <"$dir/display"; then
    echo "xvfb-run.sh: Xvfb did not start:" >&2
    cat "$dir/log" >&2
    exit 1
fi
export DISPLAY=":$number"
"$@"
