#!/usr/bin/env bash
# Checks that a detection's memory does not grow with the clicks it logs: one
# minute of white noise at the highest sensitivity with LogMax at its top gives
# about a million detail records (a 60 MB log), and the run must stay under
# 64 MB of resident memory. Prints the figures; exits 1 when the limit is passed.
#
#   bench/memory-logmax.sh
#
# Needs: python3, GNU time (/usr/bin/time). Builds a Release tree in
# build-bench/ and measures its bin/norvatel-batch.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/bench/lib.sh"
build_batch "$top/build-bench"
work=$(mktemp -d)
trap 'rm -rf "$work" "$bench_errors"' EXIT
cd "$work"
python3 - <<'PY'
import os, struct
data = os.urandom(44100 * 60 * 4)
open("noise.wav", "wb").write(
    b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " +
    struct.pack("<IHHIIHH", 16, 1, 2, 44100, 176400, 4, 16) + b"data" +
    struct.pack("<I", len(data)) + data)
PY
printf '[Settei]\r\nLogMax=2147483647\r\nrdCL=3\r\nrdCLV3=19\r\nrdCT=3\r\nrdCTV3=15\r\n' > top.ini
must /usr/bin/time -f '%M' -o rss.txt "$batch" detect --settings top.ini noise.wav
rss_kb=$(tail -1 rss.txt)
records=$(( $(wc -l < NoiseLog1.dat) / 7 ))
echo "detail records: $records, log bytes: $(stat -c %s NoiseLog1.dat), peak memory: $((rss_kb / 1024)) MB"
[ "$rss_kb" -lt 65536 ]
