#!/usr/bin/env bash
# Start-up time (to the mapped main window) and peak resident memory of kestrova against a
# minimal Qt Widgets program, both from the optimised build (CMAKE_BUILD_TYPE=Release, in its
# own build folder so the everyday RelWithDebInfo build is left alone), measured in one run.
# Runs on the current X display, or on a private Xvfb display when there is none.
# Usage: bench/app/startup.sh [build folder, default build-release]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build-release}
if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTROVA_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target bench_startup -- -j2 >/dev/null
echo "Build: $(grep -E '^CMAKE_BUILD_TYPE:' "$build/CMakeCache.txt" | cut -d= -f2) ($build)"
bench=("$build/bin/bench_startup")
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "${bench[@]}"
fi
exec "${bench[@]}"
