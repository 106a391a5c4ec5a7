"""Scores one run's found clicks against the injected ones.

Standard library only, so that the test of the scorer runs wherever python3 is.

A found click matches an injected one when both are in the same file and
channel and the found frame lies within the injected click's frames widened by
MATCH_TOLERANCE frames on either side. Matching is not one-to-one: an injected
click counts as found when any found click matches it (recall), and a found
click counts as right when it matches any injected click (precision). A long
burst that the engine repairs as two clicks therefore costs no precision.
"""

import bisect
import csv
from dataclasses import dataclass

# Frames a found click may lie before or after the injected click's frames.
MATCH_TOLERANCE = 4

MANIFEST_COLUMNS = ["file", "channel", "frame", "frames", "tail", "kind", "size_db", "peak"]


@dataclass(frozen=True)
class Injected:
    file: str
    channel: str  # "L" or "R"
    frame: int  # first frame of the click
    frames: int  # frames the click itself covers (1 for an impulse or a step)
    tail: int  # frames after the click that still differ from the clean signal
    kind: str
    size_db: int  # size class: nominal peak in dB below full scale
    peak: int  # actual peak added, in sample units


@dataclass(frozen=True)
class Found:
    file: str
    channel: str
    frame: int


def read_manifest(path):
    with open(path, newline="", encoding="utf-8") as f:
        rows = csv.DictReader(f, delimiter="\t")
        return [
            Injected(r["file"], r["channel"], int(r["frame"]), int(r["frames"]), int(r["tail"]),
                     r["kind"], int(r["size_db"]), int(r["peak"]))
            for r in rows
        ]


def write_manifest(path, clicks):
    with open(path, "w", newline="", encoding="utf-8") as f:
        out = csv.writer(f, delimiter="\t", lineterminator="\n")
        out.writerow(MANIFEST_COLUMNS)
        for c in clicks:
            out.writerow([c.file, c.channel, c.frame, c.frames, c.tail, c.kind, c.size_db, c.peak])


def parse_detail_log(data):
    """Found clicks from the bytes of a detail log (NoiseLog1.dat).

    Seven CR LF lines per click: file name, click number, L or R, position in
    frames, time, value, width.
    """
    lines = data.decode("cp932").split("\r\n")
    if lines and lines[-1] == "":
        lines.pop()
    if len(lines) % 7:
        raise ValueError("detail log of %d lines is not a whole number of records" % len(lines))
    return [Found(lines[i], lines[i + 2], int(lines[i + 3])) for i in range(0, len(lines), 7)]


def read_detail_log(path):
    with open(path, "rb") as f:
        return parse_detail_log(f.read())


class _Index:
    """Injected clicks by file and channel, sorted by first frame, for range look-ups."""

    def __init__(self, injected):
        self._by_track = {}
        for c in sorted(injected, key=lambda c: (c.file, c.channel, c.frame)):
            self._by_track.setdefault((c.file, c.channel), []).append(c)
        self._starts = {k: [c.frame for c in v] for k, v in self._by_track.items()}
        self._longest = max((c.frames for c in injected), default=1)

    def matches(self, found):
        """Injected clicks that the found click matches."""
        key = (found.file, found.channel)
        if key not in self._by_track:
            return []
        starts = self._starts[key]
        lo = bisect.bisect_left(starts, found.frame - MATCH_TOLERANCE - self._longest + 1)
        hi = bisect.bisect_right(starts, found.frame + MATCH_TOLERANCE)
        return [c for c in self._by_track[key][lo:hi] if _covers(c, found.frame)]


def _covers(click, frame):
    return click.frame - MATCH_TOLERANCE <= frame <= click.frame + click.frames - 1 + MATCH_TOLERANCE


@dataclass
class Score:
    injected: int
    recalled: int
    found: int
    right: int
    recalled_clicks: frozenset  # the injected clicks that were found

    @property
    def recall(self):
        return self.recalled / self.injected if self.injected else 0.0

    @property
    def precision(self):
        return self.right / self.found if self.found else None  # nothing found: undefined


def score(injected, found):
    index = _Index(injected)
    recalled = set()
    right = 0
    for f in found:
        hits = index.matches(f)
        if hits:
            right += 1
            recalled.update(hits)
    return Score(len(injected), len(recalled), len(found), right, frozenset(recalled))
