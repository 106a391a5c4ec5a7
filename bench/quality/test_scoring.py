"""Tests of the quality bench's scorer: if these fail, every figure in docs/quality.md is suspect."""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import scoring  # noqa: E402
from scoring import Injected, MATCH_TOLERANCE  # noqa: E402


def detail_log(*records):
    """The bytes of a detail log holding (file, channel, frame) records."""
    lines = []
    for n, (name, channel, frame) in enumerate(records, start=1):
        lines += [name, str(n), channel, str(frame), "00H 00M 00S 000mS", "1234", "1"]
    return "".join(line + "\r\n" for line in lines).encode("cp932")


class HandMadeCase(unittest.TestCase):
    def test_two_injected_one_found_one_extra_gives_half_and_half(self):
        injected = [
            Injected("曲.wav", "L", 1000, 1, 0, "impulse", -24, 2000),
            Injected("曲.wav", "R", 5000, 8, 0, "burst", -12, 8000),
        ]
        with tempfile.TemporaryDirectory() as d:
            manifest = os.path.join(d, "manifest.tsv")
            scoring.write_manifest(manifest, injected)
            log = os.path.join(d, "NoiseLog1.dat")
            with open(log, "wb") as f:
                f.write(detail_log(("曲.wav", "L", 1002), ("曲.wav", "L", 3000)))
            s = scoring.score(scoring.read_manifest(manifest), scoring.read_detail_log(log))
        self.assertEqual((s.injected, s.recalled, s.found, s.right), (2, 1, 2, 1))
        self.assertAlmostEqual(s.recall, 0.5)
        self.assertAlmostEqual(s.precision, 0.5)
        self.assertEqual(s.recalled_clicks, frozenset([injected[0]]))


class Matching(unittest.TestCase):
    burst = Injected("a.wav", "R", 5000, 8, 0, "burst", -12, 8000)  # frames 5000..5007

    def recalled(self, *found):
        return scoring.score([self.burst], [scoring.Found(*f) for f in found]).recalled

    def test_tolerance_reaches_both_ends_of_the_click_and_no_further(self):
        t = MATCH_TOLERANCE
        self.assertEqual(self.recalled(("a.wav", "R", 5000 - t)), 1)
        self.assertEqual(self.recalled(("a.wav", "R", 5007 + t)), 1)
        self.assertEqual(self.recalled(("a.wav", "R", 5000 - t - 1)), 0)
        self.assertEqual(self.recalled(("a.wav", "R", 5007 + t + 1)), 0)

    def test_other_channel_or_file_does_not_match(self):
        self.assertEqual(self.recalled(("a.wav", "L", 5003), ("b.wav", "R", 5003)), 0)

    def test_two_finds_in_one_burst_are_both_right_and_recall_it_once(self):
        s = scoring.score([self.burst], [scoring.Found("a.wav", "R", f) for f in (5000, 5005)])
        self.assertEqual((s.recalled, s.right, s.found), (1, 2, 2))

    def test_nothing_found_leaves_precision_undefined(self):
        self.assertIsNone(scoring.score([self.burst], []).precision)


class DetailLog(unittest.TestCase):
    def test_a_cut_record_is_refused(self):
        data = detail_log(("a.wav", "L", 10))
        with self.assertRaises(ValueError):
            scoring.parse_detail_log(data[: data.rfind(b"1\r\n")])


if __name__ == "__main__":
    unittest.main()
