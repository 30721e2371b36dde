#!/usr/bin/env bash
# Runs one test program on its own virtual X display.
set -e
unset QT_QPA_PLATFORM
# -noreset: without it Xvfb resets when its last client leaves and refuses connections for a moment.
exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$@"
