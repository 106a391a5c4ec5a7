#!/usr/bin/env python3
"""Runs two to four batch commands at once over one folder, many times, and
checks what they leave: every log whole and from one run, and every output
under its final name one complete run's output.

    tests/stress-parallel.py build/bin/norvatel-batch [ROUNDS]   (default 300)

Each round starts a random mix of detections over different file sets and
removals of different inputs to one --name with --overwrite, all sharing the
folder and its logs. Exits 1 and says why at the first thing found wrong.
"""
import os
import random
import subprocess
import sys
import tempfile

from wavbytes import pcm16_stereo

FRAMES = 30000
FILES = ["a.wav", "b.wav", "c.wav", "d.wav"]


def wav_bytes(seed):
    """A quiet tone with a seed-dependent number of clicks, so runs differ."""
    rnd = random.Random(seed)
    values = []
    for f in range(FRAMES):
        s = (f * 37 % 200) - 100
        values += [s, -s]
    for _ in range(200 * (seed + 1)):
        values[rnd.randrange(100, len(values) - 100)] = 25000
    return pcm16_stereo(values)


def read_lines(path):
    with open(path, "rb") as f:
        data = f.read()
    if data and not data.endswith(b"\r\n"):
        return None  # cut short
    return data.split(b"\r\n")[:-1] if data else []


def fail(why):
    print("FAILED: " + why)
    sys.exit(1)


def check_logs(folder, runs):
    """The summary is one run's rows; the detail holds that run's clicks."""
    summary = read_lines(os.path.join(folder, "NoiseLog0.dat"))
    detail = read_lines(os.path.join(folder, "NoiseLog1.dat"))
    if summary is None or detail is None or len(summary) % 4 or len(detail) % 7:
        fail("a log is not whole")
    names = [summary[i + 1].decode() for i in range(0, len(summary), 4)]
    counts = {summary[i + 1].decode(): int(summary[i + 2]) for i in range(0, len(summary), 4)}
    if not any(names == files for files in runs):
        fail("summary %s is no run's (runs: %s)" % (names, runs))
    logged = {}
    for i in range(0, len(detail), 7):
        logged[detail[i].decode()] = logged.get(detail[i].decode(), 0) + 1
    if any(logged.get(n, 0) != counts[n] for n in names) or set(logged) - set(names):
        fail("detail %s does not belong to summary %s" % (logged, counts))


def main():
    batch = os.path.abspath(sys.argv[1])
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 300
    with tempfile.TemporaryDirectory() as folder:
        for i, name in enumerate(FILES):
            with open(os.path.join(folder, name), "wb") as f:
                f.write(wav_bytes(i))
        # What a removal of each input alone gives.
        expected = {}
        for i, name in enumerate(FILES):
            with tempfile.TemporaryDirectory() as alone:
                with open(os.path.join(alone, name), "wb") as f:
                    f.write(wav_bytes(i))
                subprocess.run([batch, "remove", "--name", "fixed", os.path.join(alone, name)],
                               check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                with open(os.path.join(alone, "fixed.wav"), "rb") as f:
                    expected[name] = f.read()
        rnd = random.Random(1)
        for round_ in range(rounds):
            jobs, runs = [], []
            for _ in range(rnd.randint(2, 4)):
                files = rnd.sample(FILES, rnd.randint(1, 3))
                if rnd.random() < 0.5:
                    files = files[:1]
                    args = ["remove", "--overwrite", "--name", "fixed"]
                else:
                    args = ["detect"]
                runs.append(files)
                jobs.append(subprocess.Popen([batch] + args + [os.path.join(folder, f) for f in files],
                                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
            codes = [job.wait() for job in jobs]
            if any(c not in (0, 1) for c in codes):
                fail("round %d: exit statuses %s" % (round_, codes))
            check_logs(folder, runs)
            out = os.path.join(folder, "fixed.wav")
            if os.path.exists(out):
                with open(out, "rb") as f:
                    if f.read() not in expected.values():
                        fail("round %d: fixed.wav is no complete run's output" % round_)
            left = [n for n in os.listdir(folder) if ".unfinished-" in n]
            if left:
                fail("round %d: temporary files left: %s" % (round_, left))
        print("%d rounds of 2 to 4 runs at once: every log whole and one run's, "
              "every output one complete run's" % rounds)


if __name__ == "__main__":
    main()
