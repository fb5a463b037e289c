#!/usr/bin/env bash
# Playback benchmark under a virtual X display with openbox: Play to first picture and CPU while a
# 720p clip plays (made here with ffmpeg's testsrc2 when ffmpeg is installed, else the small demo
# clip), then the CPU of Norvale itself with nothing playing.
# usage: bench/player/run_player_bench.sh [BUILD_DIR]   (default build; targets player_bench, Norvale)
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

clip=$root/demo/clips/testsrc2.mp4
if command -v ffmpeg >/dev/null; then
    clip=$work/testsrc2-720p.mp4
    ffmpeg -loglevel error -y -f lavfi -i "testsrc2=size=1280x720:rate=30" \
        -f lavfi -i "sine=frequency=440:sample_rate=48000" -t 30 -c:v libx264 -preset veryfast -crf 23 \
        -pix_fmt yuv420p -c:a aac -b:a 96k -movflags +faststart -shortest "$clip"
else
    echo "ffmpeg not found: measuring the 320x180 demo clip instead of a 720p one"
fi

# A copy of the program in the scratch directory, so its data files are written there.
cp "$build/Norvale" "$work/Norvale"
cat >"$work/inside.sh" <<INSIDE
#!/usr/bin/env bash
set -u
export QT_QPA_PLATFORM=xcb
"$build/player_bench" "$clip"
rc=\$?
ticks() { awk '{ print \$14 + \$15 }' /proc/\$1/stat; }
"$work/Norvale" >/dev/null 2>&1 &
app=\$!
sleep 4
t0=\$(ticks \$app)
sleep 10
t1=\$(ticks \$app)
kill \$app
awk -v d=\$((t1 - t0)) -v hz=\$(getconf CLK_TCK) \
    'BEGIN { printf "%-34s %7.1f %% of one core over 10 s\n", "Norvale idle, nothing playing", d / hz / 10 * 100 }'
exit \$rc
INSIDE
chmod +x "$work/inside.sh"
"$root/tests/player/with-window-manager.sh" "$work/inside.sh"
