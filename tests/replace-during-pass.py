#!/usr/bin/env python3
"""Replaces an input by renames, as fast as it can, while detections read it,
and checks that every detection reports one file's own result: a pass must
read the header and the samples of one and the same file.

    tests/replace-during-pass.py build/bin/norvatel-batch [TRIES]   (default 400)

Exits 1 and says so when a row matches neither file.
"""
import os
import struct
import subprocess
import sys
import tempfile
import threading


def wav_bytes(frames, clicks):
    values = []
    for f in range(frames):
        s = (f * 37 % 200) - 100
        values += [s, -s]
    for k in range(clicks):
        values[200 + k * (len(values) - 400) // clicks] = 25000
    data = struct.pack("<%dh" % len(values), *values)
    fmt = struct.pack("<HHIIHH", 1, 2, 44100, 44100 * 4, 4, 16)
    return (b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " +
            struct.pack("<I", 16) + fmt + b"data" + struct.pack("<I", len(data)) + data)


def main():
    batch = os.path.abspath(sys.argv[1])
    tries = int(sys.argv[2]) if len(sys.argv) > 2 else 400
    with tempfile.TemporaryDirectory() as folder:
        versions = {"short": wav_bytes(20000, 3), "long": wav_bytes(400000, 50)}
        expected = set()
        for name, data in versions.items():
            with open(os.path.join(folder, "x.wav"), "wb") as f:
                f.write(data)
            row = subprocess.run([batch, "detect", os.path.join(folder, "x.wav")],
                                 capture_output=True, text=True).stdout
            expected.add(row)
        done = threading.Event()

        def swap():
            i = 0
            while not done.is_set():
                data = versions["short" if i % 2 else "long"]
                tmp = os.path.join(folder, "next.tmp")
                with open(tmp, "wb") as f:
                    f.write(data)
                os.rename(tmp, os.path.join(folder, "x.wav"))
                i += 1

        swapper = threading.Thread(target=swap)
        swapper.start()
        wrong = 0
        try:
            for _ in range(tries):
                row = subprocess.run([batch, "detect", os.path.join(folder, "x.wav")],
                                     capture_output=True, text=True).stdout
                if row not in expected:
                    wrong += 1
        finally:
            done.set()
            swapper.join()
        print("%d of %d detections reported a result of neither file" % (wrong, tries))
        sys.exit(1 if wrong else 0)


if __name__ == "__main__":
    main()
