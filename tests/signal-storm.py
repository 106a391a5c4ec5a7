#!/usr/bin/env python3
"""Starts removals of a long file to one output name, each with its own logs,
and stops them at random moments with SIGINT, SIGTERM or SIGKILL, many
times; then checks what they leave: the output under its final name is one
run's complete output (a stopped run removes its part); every run that got a
signal died by it; every log is whole; nothing but a killed run's temporary
file is left over.

    tests/signal-storm.py BUILD/bin/norvatel-batch [ROUNDS]   (default 100)
"""
import os
import random
import signal
import struct
import subprocess
import sys
import tempfile
import time

from wavbytes import pcm16_stereo

FRAMES = 1500000  # about 6 MB of samples: a pass long enough to be hit


def wav_bytes():
    rnd = random.Random(7)
    values = [(f * 37 % 200) - 100 for f in range(FRAMES * 2)]
    for _ in range(2000):
        values[rnd.randrange(100, len(values) - 100)] = 25000
    return pcm16_stereo(values)


def fail(why):
    print("FAILED: " + why)
    sys.exit(1)


def check_output(path, full):
    with open(path, "rb") as f:
        out = f.read()
    if out != full:
        declared = struct.unpack("<I", out[40:44])[0] if len(out) >= 44 else -1
        fail("%s is not a complete output (%d bytes, header says %d)"
             % (path, len(out), declared))


def check_log(path, record):
    if not os.path.exists(path):
        return
    with open(path, "rb") as f:
        data = f.read()
    lines = data.split(b"\r\n")
    if data and (not data.endswith(b"\r\n") or (len(lines) - 1) % record):
        fail("%s is not whole" % path)


def main():
    batch = os.path.abspath(sys.argv[1])
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 100
    rnd = random.Random(3)
    completes = 0
    with tempfile.TemporaryDirectory() as folder:
        src = os.path.join(folder, "long.wav")
        with open(src, "wb") as f:
            f.write(wav_bytes())
        subprocess.run([batch, "remove", "--name", "full", src], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with open(os.path.join(folder, "full.wav"), "rb") as f:
            full = f.read()
        for i in range(4):
            os.mkdir(os.path.join(folder, "logs%d" % i))
        out = os.path.join(folder, "same.wav")
        for round_ in range(rounds):
            jobs = []
            for i in range(rnd.randint(2, 4)):
                jobs.append(subprocess.Popen(
                    [batch, "remove", "--overwrite", "--name", "same", "--log-dir",
                     os.path.join(folder, "logs%d" % i), src],
                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
            time.sleep(rnd.random() * 0.3)
            sent = {}
            for job in jobs:
                if rnd.random() < 0.7:
                    sent[job] = rnd.choice([signal.SIGINT, signal.SIGTERM, signal.SIGKILL])
                    job.send_signal(sent[job])
            for job in jobs:
                code = job.wait()
                # A stopped run dies by its signal, whenever it lands; one that
                # lands after the run's last check of it too.
                if code != (-sent[job] if job in sent else 0):
                    fail("round %d: exit status %d" % (round_, code))
            if os.path.exists(out):
                check_output(out, full)
                completes += 1
            for i in range(4):
                logs = os.path.join(folder, "logs%d" % i)
                check_log(os.path.join(logs, "NoiseLog0.dat"), 4)
                check_log(os.path.join(logs, "NoiseLog1.dat"), 7)
            for name in os.listdir(folder):
                if ".unfinished-" in name:
                    os.remove(os.path.join(folder, name))  # a killed run's, by design
        print("%d rounds: the output was there and complete after %d; every log whole"
              % (rounds, completes))


if __name__ == "__main__":
    main()
