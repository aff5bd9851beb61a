#!/usr/bin/env bash
# Runs one preset's tests. Tests that need a real window run under a virtual X server when no display exists.
set -euo pipefail
preset=${1:-default}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
ctest --preset "$preset" --output-on-failure -j2 -LE xvfb
if [ "$preset" = default ] && ctest --preset "$preset" -N -L xvfb | grep -q 'Total Tests: [1-9]'; then
    if [ -n "${DISPLAY:-}" ]; then
        QT_QPA_PLATFORM=xcb ctest --preset "$preset" --output-on-failure -L xvfb
    else
        QT_QPA_PLATFORM=xcb /usr/bin/xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset "$preset" --output-on-failure -L xvfb
    fi
fi
