#!/bin/sh
# Makes ding.wav, the reminder sound used where the system has none: a short
# bell, 880 Hz with a softer octave and a faint twelfth above it, struck and
# dying away (three linear fades make a near-exponential decay).
# 22050 Hz, mono, 16-bit, 0.6 s. Needs sox; -R makes the file the same on
# every run.
set -e
cd "$(dirname "$0")"
sox -R -n -r 22050 -c 1 -b 16 ding.wav \
    synth 0.6 sine 880 sine 1760 sine 2640 remix 1v0.6,2v0.25,3v0.1 \
    fade t 0.004 0.6 0.596 fade t 0 0.6 0.6 fade t 0 0.6 0.6 gain -n -3
