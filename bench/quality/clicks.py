"""Plans and injects clicks of known kind, size and place into clean recordings.

Every choice comes from a random generator seeded by the fixed seed and the
file's name, so the same clean file always gets the same clicks.
"""

import math
import random

import numpy as np

from scoring import Injected

SEED = 20261208
# Size classes: the click's peak in dB below full scale (0 = full scale), each
# click within 3 dB of its class.
SIZES_DB = (-48, -36, -24, -12, 0)
CRACKLE_SIZES_DB = (-48, -36, -24)  # crackle is many small clicks
KINDS = ("impulse", "burst 2-5", "burst 6-20", "step", "crackle")
# A step's repair only softens the jump (its slow return to the signal stays),
# so the measures keep steps (STEP) apart from the short clicks (SHORT: every
# other kind), whose repair replaces the whole click.
STEP = "step"
SHORT = "short"
SLOT_SECONDS = 0.4  # one click (or one crackle patch) per slot
EDGE_SECONDS = 1.0  # no clicks this near a file's start or end
FULL_SCALE = 32767


def _peak(rng, size_db):
    return min(FULL_SCALE, round(FULL_SCALE * 10 ** ((size_db + rng.uniform(-3, 3)) / 20)))


def _bump(n, bipolar):
    """A smooth pulse of n frames: one lobe, or a positive and a negative lobe."""
    k = np.arange(1, n + 1)
    return np.sin((2 if bipolar else 1) * math.pi * k / (n + 1))


def _short_click(rng, kind, peak):
    """(shape, frames, tail) of one click; shapes peak at 1 before scaling."""
    if kind == "impulse":
        shape = np.ones(1)
    elif kind == "step":
        # A jump that dies away: the thump of a deep scratch.
        tau = rng.uniform(100, 800)
        tail = int(5 * tau)
        return peak * np.exp(-np.arange(tail + 1) / tau), 1, tail
    else:
        lo, hi = (2, 5) if kind == "burst 2-5" else (6, 20)
        n = rng.randint(lo, hi)
        shape = _bump(n, bipolar=rng.random() < 0.5)
        shape /= np.abs(shape).max()
    return peak * shape, len(shape), 0


def _crackle(rng, size_db, start):
    """Eight to sixteen small clicks 40 to 400 frames apart: (frame, shape, frames)."""
    clicks, frame = [], start
    for _ in range(rng.randint(8, 16)):
        frames = rng.randint(1, 3)
        shape = _bump(frames, bipolar=False) if frames > 1 else np.ones(1)
        shape *= _peak(rng, size_db) / np.abs(shape).max()
        clicks.append((frame, shape * rng.choice((-1, 1)), frames))
        frame += rng.randint(40, 400)
    return clicks


def _cells(rng, slot_count):
    """(kind, size) for every slot, each pair about equally often, in random order."""
    cells = [(k, s) for k in KINDS[:-1] for s in SIZES_DB] + [("crackle", s) for s in CRACKLE_SIZES_DB]
    cells = cells * math.ceil(slot_count / len(cells))
    rng.shuffle(cells)
    return cells[:slot_count]


def _channels(rng):
    r = rng.random()
    return ("L",) if r < 0.4 else ("R",) if r < 0.8 else ("L", "R")


def plan(name, frame_count, rate):
    """The clicks for one file: a list of (Injected, shape) with shape in sample units."""
    rng = random.Random("%d:%s" % (SEED, name))
    slot = int(SLOT_SECONDS * rate)
    first = int(EDGE_SECONDS * rate)
    slot_count = (frame_count - 2 * first) // slot
    out = []
    for i, (kind, size_db) in enumerate(_cells(rng, slot_count)):
        start = first + i * slot + rng.randrange(slot // 4, slot // 2)
        channels = _channels(rng)
        if kind == "crackle":
            parts = [(f, s, n, 0) for f, s, n in _crackle(rng, size_db, start)]
        else:
            shape, frames, tail = _short_click(rng, kind, _peak(rng, size_db))
            parts = [(start, shape * rng.choice((-1, 1)), frames, tail)]
        for frame, shape, frames, tail in parts:
            peak = int(round(np.abs(shape).max()))
            for ch in channels:
                out.append((Injected(name, ch, frame, frames, tail, kind, size_db, peak), shape))
    return out


def inject(clean, clicks):
    """The clicked copy of clean ((frames, 2) int16) with the planned clicks added."""
    noisy = clean.astype(np.float64)
    for click, shape in clicks:
        ch = 0 if click.channel == "L" else 1
        noisy[click.frame:click.frame + len(shape), ch] += shape
    return np.clip(np.rint(noisy), -32768, 32767).astype(np.int16)
