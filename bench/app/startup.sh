#!/usr/bin/env bash
# Start-up time (median of several starts) and resident memory of kestrova.
# Runs on the current X display, or on a private Xvfb display when there is none.
# Usage: bench/app/startup.sh [build folder, default build]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
cmake --build "$build" --target bench_startup >/dev/null
bench=("$build/bin/bench_startup")
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "${bench[@]}"
fi
exec "${bench[@]}"
