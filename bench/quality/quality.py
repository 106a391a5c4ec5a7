"""Measures how well each sensitivity setting finds and repairs clicks.

Injects clicks into clean recordings, runs norvatel-batch over the clicked
copies at every preset and along the level track bar, scores every run against
the manifest of injected clicks, and writes the tables and plots of
docs/quality.md. Started by run-quality.sh, which makes the material first.

    quality.py --batch PATH --clean DIR --work DIR --docs DIR
"""

import argparse
import collections
import hashlib
import math
import os
import shutil
import subprocess
import sys
import wave
from dataclasses import dataclass

import numpy as np

import clicks
import report
import scoring

LEVEL_VALUES = range(20)  # the level track bar's positions
TIME_VALUES = range(16)  # the time track bar's positions
# The track values the presets hold in a new settings file (and after "Default Set").
LEVEL_PRESETS = {1: ("LOW", 8), 2: ("MID", 13), 3: ("HIGH", 16)}
TIME_PRESETS = {1: ("狭", 0), 2: ("中", 5), 3: ("広", 10)}
SWEEP_TIME_VALUES = (0, 5, 10)  # the level sweep is made at each time preset's value
TIME_SWEEP_LEVEL = 13  # the time sweep is made at MID's level
SNR_MARGIN = 16  # frames before and after a click counted as "around" it
# Limits of one click's SNR, so that a click repaired exactly (no error left)
# gives a number and no single click decides an average.
SNR_LIMITS_DB = (-30.0, 60.0)


@dataclass
class Material:
    name: str
    rate: int
    clean: np.ndarray  # (frames, 2) int16
    clicks: list  # Injected, in this file
    regions: tuple = ()  # per click: first frame, end frame, channel index (numpy arrays)

    @property
    def minutes(self):
        return len(self.clean) / self.rate / 60


@dataclass
class Energies:
    """Signal and error energy, summed in whole sample units (exact, so repeatable)."""
    signal: int = 0
    error: int = 0

    def add(self, signal, error):
        self.signal += int(signal)
        self.error += int(error)

    @property
    def snr_db(self):
        return math.inf if self.error == 0 else 10 * math.log10(self.signal / self.error)


@dataclass
class Run:
    mode: str  # "detect" or "remove"
    level: int  # level track value in force
    time: int  # time track value in force
    log_digest: str  # of the detail log, to compare runs without keeping every click
    score: scoring.Score
    by_file: dict  # file name -> scoring.Score of that file alone
    whole: Energies = None  # removal only: repaired against clean
    around: dict = None  # removal only: size class, clicks.SHORT or clicks.STEP -> mean SNR, dB


def read_wav(path):
    with wave.open(path, "rb") as w:
        if w.getnchannels() != 2 or w.getsampwidth() != 2:
            raise ValueError("%s: not 16-bit stereo" % path)
        data = np.frombuffer(w.readframes(w.getnframes()), dtype="<i2")
        return w.getframerate(), data.reshape(-1, 2)


def write_wav(path, rate, samples):
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(samples.astype("<i2").tobytes())


def scores_by_file(material, found):
    per_file = collections.defaultdict(list)
    for f in found:
        per_file[f.file].append(f)
    return {m.name: scoring.score(m.clicks, per_file[m.name]) for m in material}


def click_regions(m):
    """Where each click's SNR is measured: the click, a step's tail, and
    SNR_MARGIN frames either side, in the click's channel."""
    lo = [max(0, c.frame - SNR_MARGIN) for c in m.clicks]
    hi = [min(len(m.clean), c.frame + c.frames + c.tail + SNR_MARGIN) for c in m.clicks]
    ch = [0 if c.channel == "L" else 1 for c in m.clicks]
    return np.array(lo), np.array(hi), np.array(ch)


def click_snrs(m, test):
    """Each click's SNR (dB) in test against the clean file, in manifest order."""
    clean = m.clean.astype(np.int64)
    err = test.astype(np.int64) - clean
    lo, hi, ch = m.regions
    sums = []
    for x in (clean * clean, err * err):  # exact integer sums, so repeatable
        prefix = np.zeros((len(x) + 1, 2), dtype=np.int64)
        np.cumsum(x, axis=0, out=prefix[1:])
        sums.append(prefix[hi, ch] - prefix[lo, ch])
    signal, error = sums
    with np.errstate(divide="ignore"):
        snr = 10 * np.log10(signal / np.maximum(error, 1))
    snr[error == 0] = SNR_LIMITS_DB[1]
    return np.clip(snr, *SNR_LIMITS_DB)


def mean_snrs(material, per_file):
    """Mean click SNR by size class of the short clicks, of all short clicks
    (clicks.SHORT) and of the steps (clicks.STEP)."""
    chosen = collections.defaultdict(list)
    for m, snrs in zip(material, per_file):
        for c, snr in zip(m.clicks, snrs):
            for key in ((clicks.STEP,) if c.kind == clicks.STEP else (c.size_db, clicks.SHORT)):
                chosen[key].append(snr)
    return {k: float(np.mean(v)) for k, v in chosen.items()}


def prepare(clean_dir, clicked_dir):
    """Reads the clean files, writes their clicked copies; returns the material."""
    if os.path.isdir(clicked_dir):
        shutil.rmtree(clicked_dir)
    os.makedirs(clicked_dir)
    material = []
    for name in sorted(n for n in os.listdir(clean_dir) if n.endswith(".wav")):
        rate, clean = read_wav(os.path.join(clean_dir, name))
        planned = clicks.plan(name, len(clean), rate)
        write_wav(os.path.join(clicked_dir, name), rate, clicks.inject(clean, planned))
        m = Material(name, rate, clean, [c for c, _ in planned])
        m.regions = click_regions(m)
        material.append(m)
    return material


def measure_sound(material, folder, suffix=""):
    """The files in folder (each named after its clean file, with suffix before
    .wav) against the clean ones: whole-file Energies and mean_snrs around clicks."""
    whole, per_file = Energies(), []
    for m in material:
        _, test = read_wav(os.path.join(folder, m.name[:-len(".wav")] + suffix + ".wav"))
        clean = m.clean.astype(np.int64).ravel()
        whole.add((clean * clean).sum(), ((test.astype(np.int64).ravel() - clean) ** 2).sum())
        per_file.append(click_snrs(m, test))
    return whole, mean_snrs(material, per_file)


def settings_text(mode, level_preset, time_preset, level=None, time=None):
    """A settings file choosing the presets, with the defaults' track values unless given."""
    side = "C" if mode == "detect" else "W"
    lv = {p: v for p, (_, v) in LEVEL_PRESETS.items()}
    tv = {p: v for p, (_, v) in TIME_PRESETS.items()}
    if level is not None:
        lv[level_preset] = level
    if time is not None:
        tv[time_preset] = time
    lines = ["[Settei]", "rd%sL=%d" % (side, level_preset), "rd%sT=%d" % (side, time_preset)]
    lines += ["rd%sLV%d=%d" % (side, p, lv[p]) for p in (1, 2, 3)]
    lines += ["rd%sTV%d=%d" % (side, p, tv[p]) for p in (1, 2, 3)]
    # Automatic output names, and a log long enough for every click of a run.
    lines += ["ckAuto=true", "LogMax=%d" % (2 ** 31 - 1)]
    return "\r\n".join(lines) + "\r\n"


class Bench:
    def __init__(self, batch, work, material):
        self.batch = batch
        self.work = work
        self.material = material
        self.clicked_dir = os.path.join(work, "clicked")
        self.out_dir = os.path.join(work, "repaired")
        self.injected = [c for m in material for c in m.clicks]
        self.runs = {}  # (mode, level, time) -> Run

    def run(self, mode, level_preset, time_preset, level=None, time=None):
        level_value = level if level is not None else LEVEL_PRESETS[level_preset][1]
        time_value = time if time is not None else TIME_PRESETS[time_preset][1]
        ini = os.path.join(self.work, "settings.ini")
        with open(ini, "w", encoding="utf-8", newline="") as f:
            f.write(settings_text(mode, level_preset, time_preset, level, time))
        files = [os.path.join(self.clicked_dir, m.name) for m in self.material]
        cmd = [self.batch, mode, "--settings", ini] + files
        if mode == "remove":
            os.makedirs(self.out_dir, exist_ok=True)
            cmd[2:2] = ["--out-dir", self.out_dir, "--overwrite"]
        done = subprocess.run(cmd, capture_output=True)
        if done.returncode != 0:
            sys.exit("norvatel-batch failed (%d): %s" % (done.returncode, done.stderr.decode(errors="replace")))
        with open(os.path.join(self.clicked_dir, "NoiseLog1.dat"), "rb") as f:
            log = f.read()
        found = scoring.parse_detail_log(log)
        r = Run(mode, level_value, time_value, hashlib.sha256(log).hexdigest(),
                scoring.score(self.injected, found), scores_by_file(self.material, found))
        if mode == "remove":
            r.whole, r.around = measure_sound(self.material, self.out_dir, "_won")
        return r

    def sweep(self, mode, level, time):
        key = (mode, level, time)
        if key not in self.runs:
            self.runs[key] = self.run(mode, 1, 1, level, time)
        return self.runs[key]


def measure(bench):
    """Every run the report needs. Returns (presets, clicked) for the report."""
    for time in SWEEP_TIME_VALUES:
        for level in LEVEL_VALUES:
            for mode in ("detect", "remove"):
                bench.sweep(mode, level, time)
    for time in TIME_VALUES:
        bench.sweep("detect", TIME_SWEEP_LEVEL, time)
    presets = {}
    for mode in ("detect", "remove"):
        for lp in LEVEL_PRESETS:
            for tp in TIME_PRESETS:
                presets[(mode, lp, tp)] = bench.run(mode, lp, tp)
    check_consistency(bench, presets)
    return presets, measure_sound(bench.material, bench.clicked_dir)


def check_consistency(bench, presets):
    """A preset finds what its track values find on the sweep, and removal finds
    exactly what detection finds at the same values; the report relies on both."""
    for r in presets.values():
        if r.log_digest != bench.runs[(r.mode, r.level, r.time)].log_digest:
            sys.exit("preset run differs from the sweep at level %d, time %d" % (r.level, r.time))
    for (mode, level, time), r in bench.runs.items():
        twin = bench.runs.get(("remove", level, time))
        if mode == "detect" and twin is not None and twin.log_digest != r.log_digest:
            sys.exit("detection and removal differ at level %d, time %d" % (level, time))


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--batch", required=True, help="the norvatel-batch executable")
    p.add_argument("--clean", required=True, help="folder of clean 16-bit stereo WAV files")
    p.add_argument("--work", required=True, help="folder for clicked and repaired copies")
    p.add_argument("--docs", required=True, help="docs folder: quality.md and quality/*.png")
    a = p.parse_args()
    os.makedirs(a.work, exist_ok=True)
    material = prepare(a.clean, os.path.join(a.work, "clicked"))
    scoring.write_manifest(os.path.join(a.work, "manifest.tsv"), [c for m in material for c in m.clicks])
    bench = Bench(os.path.abspath(a.batch), a.work, material)
    presets, clicked = measure(bench)
    tables = report.tables(material, bench, presets, clicked, LEVEL_PRESETS, TIME_PRESETS, TIME_SWEEP_LEVEL)
    with open(os.path.join(a.work, "tables.md"), "w", encoding="utf-8") as f:
        f.write(tables)
    report.update_doc(os.path.join(a.docs, "quality.md"), tables)
    report.plots(os.path.join(a.docs, "quality"), bench, clicked, LEVEL_PRESETS, TIME_PRESETS, TIME_SWEEP_LEVEL)
    print("tables: %s" % os.path.join(a.work, "tables.md"))


if __name__ == "__main__":
    main()
