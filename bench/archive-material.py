#!/usr/bin/env python3
"""A folder of recordings for the archive recipes (docs/archives.md): tones
made with sox, every other file with a few clicks written in, so a run over
it both repairs and copies.

    bench/archive-material.py FOLDER COUNT [SECONDS]   (default 5 s a file)

Files are take01.wav, take02.wav, ...; the same arguments give the same bytes.
"""
import os
import subprocess
import sys


def take(i):
    return "take%02d.wav" % (i + 1)


def make_recording(path, i, seconds=5.0):
    subprocess.run(["sox", "-n", "-r", "44100", "-b", "16", "-c", "2", path,
                    "synth", str(seconds), "sine", str(220 + 37 * i), "sine", str(330 + 11 * i),
                    "vol", "0.3"], check=True)
    if i % 2:
        return
    frames = int(44100 * seconds)
    with open(path, "r+b") as f:
        data = f.read()
        at = data.index(b"data") + 8
        for k in range(3 + i % 5):
            frame = (1000 + 2711 * k + 97 * i) % (frames - 1000)
            f.seek(at + 4 * frame)
            f.write((24000).to_bytes(2, "little", signed=True) * 2)


def main():
    folder, count = sys.argv[1], int(sys.argv[2])
    seconds = float(sys.argv[3]) if len(sys.argv) > 3 else 5.0
    os.makedirs(folder, exist_ok=True)
    for i in range(count):
        make_recording(os.path.join(folder, take(i)), i, seconds)


if __name__ == "__main__":
    main()
