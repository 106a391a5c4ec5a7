"""The one WAV maker of the test scripts: 16-bit stereo PCM at 44.1 kHz."""

import struct


def pcm16_stereo(values):
    """A whole WAV file (44-byte header) holding values, both channels interleaved."""
    data = struct.pack("<%dh" % len(values), *values)
    fmt = struct.pack("<HHIIHH", 1, 2, 44100, 44100 * 4, 4, 16)
    return (b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " +
            struct.pack("<I", 16) + fmt + b"data" + struct.pack("<I", len(data)) + data)
