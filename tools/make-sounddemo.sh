#!/bin/sh
# make-sounddemo.sh - rebuilds the sounds of the sample mod "sounddemo"
# (data/sounddemo). The output is the same, byte for byte, on every run.
set -eu
cd "$(dirname "$0")/../data/sounddemo"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# A hum that loops seamlessly (a whole number of periods), a chime, a theme.
sox -D -q -n -r 22050 -c 1 -b 16 -e signed-integer Sounds/hum.wav synth 0.5 sine 330 vol 0.5
sox -D -q -n -r 22050 -c 1 -b 16 -e signed-integer Sounds/chime.wav synth 0.25 sine 880 fade 0 0.25 0.2 vol 0.5
sox -D -q -n -r 44100 -c 2 -b 16 -e signed-integer "$tmp/theme.wav" synth 2 sine 220 vol 0.3
oggenc -Q -s 11 -c "TITLE=Sound demo theme" -o Music/theme.ogg "$tmp/theme.wav"
