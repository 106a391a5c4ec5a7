#!/usr/bin/env bash
# Times one large click-dense file through two builds of norvatel-batch, the
# detail log on, next to the plain file operations a user compares them with:
# detection against reading the file (cat) and removal against a copy that
# reaches the disk (dd conv=fsync; a removal run syncs its output before
# renaming it into place). Everything comes from the page cache. The commands
# take turns within each round, so both builds meet the same load on a shared
# machine; the figures are medians over the rounds, and the ratios are the
# medians of each round's own ratio. Also checks that both builds leave the
# same bytes (outputs and logs). Writes a Markdown table to standard output.
#
#   bench/run-click-dense.sh OLD-norvatel-batch [--size-mib N] [--rounds N]
#
# The new build is this tree's, built in build-bench/. An old build to compare
# with, from an older commit:
#   git worktree add /tmp/old COMMIT && (cd /tmp/old && source bench/lib.sh &&
#       build_batch /tmp/old/build-bench) && OLD=/tmp/old/build-bench/bin/norvatel-batch
#
# The file: music-like sound from sox (as in run-bench.sh), one minute repeated
# up to the size, each minute with its own clicks from the quality bench's
# injector placed every 10 ms (bench/make-click-dense.py). Needs sox, Debian's
# python3 with python3-numpy, GNU time, bc.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
old=$(realpath "$1"); shift
size_mib=1024
rounds=5
while [ $# -gt 0 ]; do
    case $1 in
        --size-mib) size_mib=$2; shift 2 ;;
        --rounds) rounds=$2; shift 2 ;;
        *) echo "unknown option $1" >&2; exit 2 ;;
    esac
done
work=${BENCH_DIR:-$top/bench/out}/dense
mkdir -p "$work"

source "$top/bench/lib.sh"
build_batch "$top/build-bench"
new=$batch

clean=$work/clean60.wav
[ -f "$clean" ] || sox -n -r 44100 -c 2 -b 16 "$clean" synth 60 sine 220 sine 331 sine 523 \
    pinknoise remix 1,2,4 2,3,4 tremolo 2 40 gain -n -8
file=$work/dense-${size_mib}.wav
[ -f "$file" ] || /usr/bin/python3 "$top/bench/make-click-dense.py" "$clean" "$file" "$size_mib" 0.01
# Every click in the detail log: LogMax beyond any count this file gives.
ini=$work/dense.ini
printf '[Settei]\r\nLogMax=100000000\r\n' > "$ini"
cat "$file" > /dev/null

out=$work/outputs
mkdir -p "$out/old" "$out/new" "$work/logs-old" "$work/logs-new"
# A write is timed from an empty output folder with nothing else dirty.
before_write() { rm -f "$out"/*.wav "$out"/*/*.wav; sync; }

rm -f "$work"/{cat,dd,detect-old,detect-new,remove-old,remove-new}
for _ in $(seq "$rounds"); do
    timed cat sh -c "cat '$file' > /dev/null"
    timed detect-old "$old" detect --settings "$ini" --log-dir "$work/logs-old" "$file"
    timed detect-new "$new" detect --settings "$ini" --log-dir "$work/logs-new" "$file"
    before_write; timed dd dd if="$file" of="$out/copy.wav" bs=1M conv=fsync status=none
    before_write; timed remove-old "$old" remove --settings "$ini" --log-dir "$work/logs-old" \
        --out-dir "$out/old" --name out.wav "$file"
    before_write; timed remove-new "$new" remove --settings "$ini" --log-dir "$work/logs-new" \
        --out-dir "$out/new" --name out.wav "$file"
done
# The same bytes from both builds: the logs of the last removal, and its output.
before_write
must "$old" remove --settings "$ini" --log-dir "$work/logs-old" --out-dir "$out/old" --name out.wav "$file"
must "$new" remove --settings "$ini" --log-dir "$work/logs-new" --out-dir "$out/new" --name out.wav "$file"
must cmp "$out/old/out.wav" "$out/new/out.wav"
for log in NoiseLog0.dat NoiseLog1.dat; do must cmp "$work/logs-old/$log" "$work/logs-new/$log"; done
must "$old" detect --settings "$ini" --log-dir "$work/logs-old" "$file"
must "$new" detect --settings "$ini" --log-dir "$work/logs-new" "$file"
for log in NoiseLog0.dat NoiseLog1.dat; do must cmp "$work/logs-old/$log" "$work/logs-new/$log"; done
detected=$(sed -n 3p "$work/logs-new/NoiseLog0.dat" | tr -d '\r')
before_write

row() { # label file base
    echo "| $1 | $(median "$2" 1) | $(ratio_median "$2" "$3" 1)x |" \
         "$(median "$2" 2) | $(ratio_median "$2" "$3" 2)x |"
}
cat <<TXT
${size_mib} MiB click-dense file, ${detected} clicks found by a detection run, detail log on;
medians of ${rounds} rounds, load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)

| command | wall s | wall ratio | cpu s (user+sys) | cpu ratio |
|---|---|---|---|---|
$(row "cat FILE > /dev/null" cat cat)
$(row "detection, old" detect-old cat)
$(row "detection, new" detect-new cat)
$(row "dd conv=fsync" dd dd)
$(row "removal, old" remove-old dd)
$(row "removal, new" remove-new dd)
TXT
