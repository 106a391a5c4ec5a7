#!/usr/bin/env bash
# How much faster norvatel-batch --jobs 2 runs a folder of music files than
# --jobs 1, next to one cat and one cp of the whole folder, and how much memory
# the two-job runs take. A removal syncs each output before naming it, so it
# also meets the disk: the durable copy of the folder (dd conv=fsync, one file
# at a time and two at a time) shows what the disk allows, and a removal into
# a folder in memory (/dev/shm) shows the program's own speed-up. The commands
# take turns in each round; the speed-ups are the medians of each round's own.
# Writes a Markdown table to standard output.
#
#   bench/run-jobs.sh [--files N] [--size-mib M] [--rounds R]
#                     (default 10 files of 100 MiB, 7 rounds)
#
# Needs: sox, bc, GNU time (/usr/bin/time). Builds a Release tree in
# build-bench/ and times its bin/norvatel-batch. Stops at the first command
# that fails.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
files=10
size_mib=100
rounds=7
while [ $# -ge 2 ]; do
    case $1 in
    --files) files=$2 ;;
    --size-mib) size_mib=$2 ;;
    --rounds) rounds=$2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
    esac
    shift 2
done
work=${BENCH_DIR:-$top/bench/out}/jobs
mkdir -p "$work/in" "$work/out" "$work/copy"
shm=$(mktemp -d /dev/shm/norvatel-jobs.XXXXXX)

source "$top/bench/lib.sh"
trap 'rm -rf "$shm" "$bench_errors"' EXIT
build_batch "$top/build-bench"

# Each file its own noise (sox draws it anew each time), so no two are alike.
for i in $(seq -w 1 "$files"); do
    f=$work/in/music$i.wav
    [ -f "$f" ] && [ "$(stat -c %s "$f")" -ge $(( size_mib * 1048576 )) ] || make_music "$(seconds_for_mib "$size_mib")" "$f"
done
inputs=("$work"/in/music*.wav)
cat "${inputs[@]}" >/dev/null # into the page cache

# The detail log stays on (the default): its spool files are part of the cost.
detect=("$batch" detect --log-dir "$work/out")
remove=("$batch" remove --overwrite --log-dir "$work/out")
# The folder copied so that it reaches the disk, by N streams at once.
printf '%s\n' "${inputs[@]}" > "$work/inputs.txt"
durable_copy=(sh -c 'xargs -P "$1" -I{} sh -c '"'"'dd if="$1" of="$2/$(basename "$1")" bs=1M conv=fsync status=none'"'"' _ {} "$2" < "$3"' _)
# A write is timed from an empty output folder with nothing else dirty.
before_write() { rm -f "$work"/out/*.wav "$work"/copy/*.wav "$shm"/*.wav; sync; }

rm -f "$work"/{cat,cp,dd1,dd2,detect1,detect2,remove1,remove2,shm1,shm2}
for _ in $(seq "$rounds"); do
    timed cat sh -c "cat $work/in/*.wav > /dev/null"
    timed detect1 "${detect[@]}" --jobs 1 "${inputs[@]}"
    timed detect2 "${detect[@]}" --jobs 2 "${inputs[@]}"
    before_write; timed cp cp "${inputs[@]}" "$work/copy/"
    before_write; timed dd1 "${durable_copy[@]}" 1 "$work/copy" "$work/inputs.txt"
    before_write; timed dd2 "${durable_copy[@]}" 2 "$work/copy" "$work/inputs.txt"
    before_write; timed remove1 "${remove[@]}" --jobs 1 --out-dir "$work/out" "${inputs[@]}"
    before_write; timed remove2 "${remove[@]}" --jobs 2 --out-dir "$work/out" "${inputs[@]}"
    before_write; timed shm1 "${remove[@]}" --jobs 1 --out-dir "$shm" "${inputs[@]}"
    before_write; timed shm2 "${remove[@]}" --jobs 2 --out-dir "$shm" "${inputs[@]}"
done
before_write
m_detect1=$(peak_mib "${detect[@]}" --jobs 1 "${inputs[@]}")
m_detect2=$(peak_mib "${detect[@]}" --jobs 2 "${inputs[@]}")
m_remove1=$(peak_mib "${remove[@]}" --jobs 1 --out-dir "$shm" "${inputs[@]}")
m_remove2=$(peak_mib "${remove[@]}" --jobs 2 --out-dir "$shm" "${inputs[@]}")
before_write

# row LABEL NAME [ONE-JOB-NAME BASE-NAME BASE-LABEL MEMORY]
row() {
    local faster="" against="" memory=${6:-}
    [ -n "${3:-}" ] && faster="**$(ratio_median "$3" "$2" 1)x faster**"
    [ -n "${4:-}" ] && against="$(ratio_median "$2" "$4" 1)x $5"
    echo "| $1 | $(median "$2" 1) | $(median "$2" 2) | $faster | $against | ${memory:+$memory MiB} |"
}
cat <<TXT
$files files of $size_mib MiB, $(nproc) cores; medians of $rounds rounds, load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)

| measure | wall s | cpu s | against --jobs 1 | against the folder's cat / cp | peak memory |
|---|---|---|---|---|---|
$(row "cat of the folder" cat)
$(row "detection, --jobs 1" detect1 "" cat cat "$m_detect1")
$(row "detection, --jobs 2" detect2 detect1 cat cat "$m_detect2")
$(row "cp of the folder" cp)
$(row "durable copy (dd conv=fsync), one file at a time" dd1)
$(row "durable copy, two files at a time" dd2 dd1)
$(row "removal, --jobs 1" remove1 "" cp cp)
$(row "removal, --jobs 2" remove2 remove1 cp cp)
$(row "removal into memory, --jobs 1" shm1 "" cp cp "$m_remove1")
$(row "removal into memory, --jobs 2" shm2 shm1 cp cp "$m_remove2")
TXT
