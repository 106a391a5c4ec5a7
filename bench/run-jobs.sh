#!/usr/bin/env bash
# How much faster norvatel-batch --jobs 2 runs a folder of music files than
# --jobs 1, next to one cat and one cp of the whole folder, and how much memory
# the two-job runs take. Writes a Markdown table to standard output.
#
#   bench/run-jobs.sh [--files N] [--size-mib M]   (default 10 files of 100 MiB)
#
# Needs: sox, bc, GNU time (/usr/bin/time). Builds a Release tree in
# build-bench/ and times its bin/norvatel-batch. Stops at the first command
# that fails.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
files=10
size_mib=100
while [ $# -ge 2 ]; do
    case $1 in
    --files) files=$2 ;;
    --size-mib) size_mib=$2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
    esac
    shift 2
done
work=${BENCH_DIR:-$top/bench/out}/jobs
mkdir -p "$work/in" "$work/out" "$work/copy"
runs=3

source "$top/bench/lib.sh"
build_batch "$top/build-bench"

# Each file its own noise (sox draws it anew each time), so no two are alike.
for i in $(seq -w 1 "$files"); do
    f=$work/in/music$i.wav
    [ -f "$f" ] && [ "$(stat -c %s "$f")" -ge $(( size_mib * 1048576 )) ] || make_music "$(seconds_for_mib "$size_mib")" "$f"
done
inputs=("$work"/in/music*.wav)
cat "${inputs[@]}" >/dev/null # into the page cache

# The detail log stays on (the default): its spool files are part of the cost.
detect() { must "$batch" detect --jobs "$1" --log-dir "$work/out" "${inputs[@]}"; }
remove() { must "$batch" remove --jobs "$1" --overwrite --out-dir "$work/out" --log-dir "$work/out" "${inputs[@]}"; }

t_cat=$(time_median sh -c "cat $work/in/*.wav > /dev/null")
t_cp=$(time_median cp "${inputs[@]}" "$work/copy/")
t_detect1=$(time_median detect 1)
t_detect2=$(time_median detect 2)
t_remove1=$(time_median remove 1)
t_remove2=$(time_median remove 2)
m_detect1=$(peak_mib "$batch" detect --jobs 1 --log-dir "$work/out" "${inputs[@]}")
m_detect2=$(peak_mib "$batch" detect --jobs 2 --log-dir "$work/out" "${inputs[@]}")
m_remove1=$(peak_mib "$batch" remove --jobs 1 --overwrite --out-dir "$work/out" --log-dir "$work/out" "${inputs[@]}")
m_remove2=$(peak_mib "$batch" remove --jobs 2 --overwrite --out-dir "$work/out" --log-dir "$work/out" "${inputs[@]}")

cat <<TXT
$files files of $size_mib MiB, $(nproc) cores; medians of $runs runs.

| measure | seconds | against --jobs 1 | against the folder's cat / cp | peak memory |
|---|---|---|---|---|
| cat of the folder | $(printf %.2f "$t_cat") | | 1 | |
| detection, --jobs 1 | $(printf %.2f "$t_detect1") | 1 | $(ratio "$t_detect1" "$t_cat") x cat | $m_detect1 MiB |
| detection, --jobs 2 | $(printf %.2f "$t_detect2") | **$(ratio "$t_detect1" "$t_detect2") x faster** | $(ratio "$t_detect2" "$t_cat") x cat | $m_detect2 MiB |
| cp of the folder | $(printf %.2f "$t_cp") | | 1 | |
| removal, --jobs 1 | $(printf %.2f "$t_remove1") | 1 | $(ratio "$t_remove1" "$t_cp") x cp | $m_remove1 MiB |
| removal, --jobs 2 | $(printf %.2f "$t_remove2") | **$(ratio "$t_remove1" "$t_remove2") x faster** | $(ratio "$t_remove2" "$t_cp") x cp | $m_remove2 MiB |
TXT
