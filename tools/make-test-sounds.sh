#!/bin/sh
# make-test-sounds.sh OUTDIR - builds the sounds the sound tests and the sound
# benchmark play. The output is the same, byte for byte, on every run: sox
# synthesises plain tones (no dither, no noise) and oggenc gets a fixed serial.
set -eu
out=${1:?usage: make-test-sounds.sh OUTDIR}
mkdir -p "$out"
cd "$out"
tone() { # name rate channels seconds [synth args...]
  name=$1 rate=$2 channels=$3 seconds=$4
  shift 4
  sox -D -q -n -r "$rate" -c "$channels" -b 16 -e signed-integer "$name" synth "$seconds" "$@"
}
ogg() { # name.wav serial [oggenc options] -> name.ogg
  name=$1 serial=$2
  shift 2
  oggenc -Q -s "$serial" "$@" -o "${name%.wav}.ogg" "$name"
}

tone tone440.wav 44100 1 0.3 sine 440 vol 0.5
# A header that promises more data than the file holds.
head -c 2000 tone440.wav > truncated.wav
printf 'This is a text file, not an Ogg Vorbis stream.\n' > notogg.ogg
cp tone440.wav upper.WAV

tone mono.wav 44100 1 0.5 sine 440 vol 0.5 && ogg mono.wav 1 -c "TITLE=Test tone"
tone stereo.wav 44100 2 1.0 sine 440 vol 0.5 && ogg stereo.wav 2
tone short.wav 22050 1 0.1 sine 440 vol 0.5 && ogg short.wav 3
tone surround51.wav 44100 6 0.5 sine 300 sine 400 sine 500 sine 60 sine 600 sine 700 vol 0.5 \
  && ogg surround51.wav 4
tone three.wav 44100 3 0.2 sine 440 vol 0.5 && ogg three.wav 5
# Shorter than the worker's period: looped, its source runs dry between refills.
tone tick.wav 22050 1 0.01 sine 440 vol 0.5 && ogg tick.wav 7
cp mono.ogg MONO.OGG
tone theme30.wav 44100 2 30 sine 220 sine 330 vol 0.5 && ogg theme30.wav 6
rm -f mono.wav stereo.wav short.wav surround51.wav three.wav tick.wav theme30.wav

# The long theme again inside a package archive, with a fixed date.
mkdir -p pak && cp theme30.ogg pak/theme30.ogg && touch -d 2020-01-01T00:00:00Z pak/theme30.ogg
(cd pak && rm -f ../theme.pak && python3 -m zipfile -c ../theme.pak theme30.ogg)
rm -rf pak
touch stamp
