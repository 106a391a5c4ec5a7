"""Writes a click-dense music file for the speed bench: a clean 16-bit stereo
piece repeated up to the asked size, each repeat with its own clicks from the
quality bench's injector, placed far more densely than the quality bench places
them (one click or crackle patch every SLOT seconds instead of every 0.4 s).

    /usr/bin/python3 bench/make-click-dense.py CLEAN.wav OUT.wav MIB [SLOT]
"""

import os
import sys
import wave

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "quality"))
import clicks  # noqa: E402


def main():
    clean_path, out_path, mib = sys.argv[1], sys.argv[2], int(sys.argv[3])
    clicks.SLOT_SECONDS = float(sys.argv[4]) if len(sys.argv) > 4 else 0.05
    with wave.open(clean_path, "rb") as w:
        rate = w.getframerate()
        assert w.getnchannels() == 2 and w.getsampwidth() == 2
        clean = np.frombuffer(w.readframes(w.getnframes()), dtype="<i2").reshape(-1, 2)
    frames_wanted = mib * 1048576 // 4
    with wave.open(out_path, "wb") as out:
        out.setnchannels(2)
        out.setsampwidth(2)
        out.setframerate(rate)
        written, part = 0, 0
        while written < frames_wanted:
            noisy = clicks.inject(clean, clicks.plan("part%d" % part, len(clean), rate))
            noisy = noisy[: frames_wanted - written]
            out.writeframes(noisy.astype("<i2").tobytes())
            written += len(noisy)
            part += 1


main()
