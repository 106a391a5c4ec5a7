#!/usr/bin/env bash
# Measures Norvatel's speed and memory side by side with plain file operations
# and with ffmpeg's adeclick, so that the figures are ratios that a busy machine
# does not distort much. Writes a Markdown table to standard output.
#
#   bench/run-bench.sh [--size-mib N]     (default 1024; the 1 GiB file of the targets)
#
# Needs: sox, ffmpeg, bc, GNU time (/usr/bin/time). Builds a Release tree in
# build-bench/ and times its bin/norvatel-batch. Stops at the first command
# that fails.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
size_mib=1024
[ "${1:-}" = "--size-mib" ] && size_mib=$2
work=${BENCH_DIR:-$top/bench/out}
mkdir -p "$work"
runs=5

source "$top/bench/lib.sh"
build_batch "$top/build-bench"


big=$work/big.wav
if [ ! -f "$big" ] || [ "$(stat -c %s "$big")" -lt $(( size_mib * 1048576 )) ]; then
    make_music "$(seconds_for_mib "$size_mib")" "$big"
fi
music60=$work/music60.wav
[ -f "$music60" ] || make_music 60 "$music60"
mid=$work/mid.wav
[ -f "$mid" ] || make_music "$(seconds_for_mib 100)" "$mid"
cat "$big" "$mid" "$music60" >/dev/null # into the page cache

out=$work/outputs; mkdir -p "$out"
t_cp=$(time_median cp "$big" "$out/copy.wav")
t_remove=$(time_median "$batch" remove --no-detail --overwrite --out-dir "$out" "$big")
t_cat=$(time_median sh -c "cat '$big' > /dev/null")
t_detect=$(time_median "$batch" detect --no-detail "$big")
t_adeclick=$(time_median ffmpeg -y -loglevel error -i "$music60" -af adeclick "$out/adeclick.wav")
t_remove60=$(time_median "$batch" remove --no-detail --overwrite --out-dir "$out" "$music60")

m_remove_mid=$(peak_mib "$batch" remove --no-detail --overwrite --out-dir "$out" "$mid")
m_remove_big=$(peak_mib "$batch" remove --no-detail --overwrite --out-dir "$out" "$big")
m_detect_mid=$(peak_mib "$batch" detect --no-detail "$mid")
m_detect_big=$(peak_mib "$batch" detect --no-detail "$big")

cat <<TXT
| measure | seconds | ratio |
|---|---|---|
| cp of the ${size_mib} MiB file | $t_cp | 1 |
| removal run (norvatel-batch remove) | $t_remove | $(ratio "$t_remove" "$t_cp") x cp |
| cat > /dev/null | $t_cat | 1 |
| detection run (norvatel-batch detect) | $t_detect | $(ratio "$t_detect" "$t_cat") x cat |
| ffmpeg adeclick, 60 s of music | $t_adeclick | 1 |
| removal run, same 60 s | $t_remove60 | $(ratio "$t_adeclick" "$t_remove60") x faster than adeclick |

| peak memory (MiB) | 100 MiB file | ${size_mib} MiB file |
|---|---|---|
| removal run | $m_remove_mid | $m_remove_big |
| detection run | $m_detect_mid | $m_detect_big |
TXT
