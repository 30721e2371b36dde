#!/usr/bin/env bash
# Installs what is missing, builds, and starts the desktop program kestrova.
# Without a display it starts the program on a private Xvfb display, saves a screenshot of
# the main window to build/kestrova-main-window.png, says so, and closes the program again.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
scripts/build.sh
program="$PWD/build/bin/kestrova"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$program"
fi

shot="$PWD/build/kestrova-main-window.png"
echo "No display: starting kestrova under Xvfb for a screenshot."
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash -s "$program" "$shot" <<'INNER'
set -euo pipefail
program=$1
shot=$2
"$program" &
pid=$!
window=""
for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --class Kestrova1024K715 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && break
    kill -0 "$pid" 2>/dev/null || { echo "kestrova ended before showing its window" >&2; exit 1; }
    sleep 0.1
done
if [ -z "$window" ]; then
    kill "$pid"
    echo "kestrova showed no window within 10 seconds" >&2
    exit 1
fi
sleep 1.5 # the month page's editors appear half a second after the window
import -window "$window" "$shot"
# Close it with its own close button, as a user would (this keeps the window settings).
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + WIDTH - 20)) $((Y + 10))
sleep 0.2
xdotool click 1
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
INNER
echo "Screenshot of the main window saved to $shot"
