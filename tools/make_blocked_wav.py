#!/usr/bin/env python3
"""Writes conf/blocked.wav, the sound played when a pop-up window is blocked.

A 0.25 s two-tone chirp: a short rising note followed by a higher one, each with a soft attack
and release so that it does not click. 16-bit mono PCM at 22050 Hz. Deterministic: the same
bytes on every run.

Usage: python3 tools/make_blocked_wav.py [output path]
"""
import math
import os
import struct
import sys
import wave

RATE = 22050
AMPLITUDE = 0.45 * 32767

# (start s, length s, start Hz, end Hz): two notes that each glide upwards a little.
NOTES = [
    (0.000, 0.105, 1200.0, 1500.0),
    (0.125, 0.125, 1800.0, 2250.0),
]
LENGTH = 0.25
FADE = 0.012  # seconds of attack and of release


def sample(t):
    value = 0.0
    for start, length, f0, f1 in NOTES:
        u = t - start
        if u < 0.0 or u >= length:
            continue
        # Phase of a linear glide from f0 to f1 over the note.
        phase = 2.0 * math.pi * (f0 * u + (f1 - f0) * u * u / (2.0 * length))
        envelope = min(1.0, u / FADE, (length - u) / FADE)
        value += envelope * math.sin(phase)
    return int(round(AMPLITUDE * value))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "conf", "blocked.wav")
    frames = b"".join(struct.pack("<h", sample(i / RATE)) for i in range(int(LENGTH * RATE)))
    with wave.open(out, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(frames)


if __name__ == "__main__":
    main()
