#!/bin/sh
# Runs a test under a virtual X display with openbox, which full screen needs: without a window
# manager nothing acts on a window's full-screen request.
# Usage: with-window-manager.sh PROGRAM [ARGS...]
if [ -z "$NORVALE_WM_DISPLAY_UP" ]; then
    NORVALE_WM_DISPLAY_UP=1 exec xvfb-run -a -s '-screen 0 1280x800x24' "$0" "$@"
fi
openbox >/dev/null 2>&1 &
wm=$!
# The window manager must own the screen before the first window maps.
for _ in 1 2 3 4 5 6 7 8 9 10; do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.2
done
"$@"
rc=$?
kill "$wm" 2>/dev/null
exit $rc
