#!/usr/bin/env bash
# Makes the player tests' clips with ffmpeg (Debian package ffmpeg); run from this folder.
#   live.ts     8 s of MPEG-TS, the body a test server loops as an endless live stream
#   tracks.mkv  6 s with two audio tracks (English, French) and two subtitle tracks (English, German)
set -euo pipefail
ffmpeg -v error -y -f lavfi -i testsrc2=size=320x180:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 \
    -t 8 -c:v libx264 -preset veryfast -tune zerolatency -g 25 -b:v 150k -pix_fmt yuv420p \
    -c:a aac -b:a 32k -ac 1 -f mpegts live.ts
cat >subs-en.srt <<'SRT'
1
00:00:00,000 --> 00:00:06,000
English subtitles
SRT
cat >subs-de.srt <<'SRT'
1
00:00:00,000 --> 00:00:06,000
Deutsche Untertitel
SRT
ffmpeg -v error -y -f lavfi -i testsrc=size=320x180:rate=25 \
    -f lavfi -i sine=frequency=440:sample_rate=48000 -f lavfi -i sine=frequency=660:sample_rate=48000 \
    -i subs-en.srt -i subs-de.srt -t 6 \
    -map 0:v -map 1:a -map 2:a -map 3:s -map 4:s \
    -c:v libx264 -preset veryfast -b:v 120k -pix_fmt yuv420p -c:a aac -b:a 24k -ac 1 -c:s srt \
    -metadata:s:a:0 language=eng -metadata:s:a:0 title=English \
    -metadata:s:a:1 language=fra -metadata:s:a:1 title=Français \
    -metadata:s:s:0 language=eng -metadata:s:s:0 title=English \
    -metadata:s:s:1 language=ger -metadata:s:s:1 title=Deutsch tracks.mkv
rm subs-en.srt subs-de.srt
