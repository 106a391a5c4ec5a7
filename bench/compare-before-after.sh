#!/usr/bin/env bash
# Runs two builds of norvatel-batch over the same real WAV files (made with sox,
# clicks written in with python3) at the three sensitivity presets, detection
# and removal, with and without --log-dir, --name/--out-dir, --use-detection,
# --no-detail and the export to a file and to standard output, and compares
# every log, export, repaired file, result line, message and exit status
# byte for byte. Exits nonzero on any difference.
#
# usage: bench/compare-before-after.sh OLD-norvatel-batch NEW-norvatel-batch
set -u
old=$(realpath "$1")
new=$(realpath "$2")
root=$(mktemp -d /tmp/norvatel-compare.XXXXXX)
trap 'rm -rf "$root"' EXIT
src="$root/src"
mkdir -p "$src"

# Three stereo files: clicks in a tone, a clean tone, a longer file with
# clicks across block boundaries; and a non-wave file.
sox -n -r 44100 -c 2 -b 16 "$src/tone.wav" synth 3 sine 440 gain -3
sox -n -r 44100 -c 2 -b 16 "$src/clean.wav" synth 2 sine 220 gain -12
sox -n -r 48000 -c 2 -b 16 "$src/long.wav" synth 9 sine 330 sine 550 gain -6
cp "$src/tone.wav" "$src/clicks.wav"
python3 - "$src/clicks.wav" "$src/long.wav" <<'PY'
import struct, sys, random
random.seed(21)
for path in sys.argv[1:]:
    data = bytearray(open(path, 'rb').read())
    pos = data.find(b'data') + 8
    values = (len(data) - pos) // 2
    for k in range(60):
        i = random.randrange(values)
        width = random.choice([1, 1, 2, 3, 5])
        level = random.choice([9000, -12000, 20000, -30000, 4000, 1500, -900, 600, 300])
        for w in range(width):
            j = pos + 2 * min(i + 2 * w, values - 1)
            data[j:j + 2] = struct.pack('<h', level)
    open(path, 'wb').write(data)
PY
echo "not a wave" > "$src/notes.wav"

work="$root/work"
fails=0

# run NAME BINARY: one scenario set in a fresh copy of the files at $work.
scenarios() {
    local bin=$1 preset=$2
    local ini="$work/preset.ini"
    printf '[Settei]\r\nrdCL=%s\r\nrdCT=%s\r\nrdWL=%s\r\nrdWT=%s\r\nckAuto=true\r\nckSameDir=true\r\nckOverW=true\r\n' \
        "$preset" "$preset" "$preset" "$preset" > "$ini"
    mkdir -p "$work/logs" "$work/out" "$work/logs2"
    local files=(in/clicks.wav in/clean.wav in/notes.wav in/long.wav)
    local n=0
    step() {
        n=$((n + 1))
        (cd "$work" && "$bin" "$@" >"$work/stdout.$n" 2>"$work/stderr.$n"; echo $? >"$work/exit.$n")
    }
    step detect --settings "$ini" --export "$work/export1.txt" "${files[@]}"
    step detect --settings "$ini" --export - "${files[@]}"
    step detect --settings "$ini" --log-dir logs --export - "${files[@]}"
    step remove --settings "$ini" --overwrite --export "$work/export2.txt" "${files[@]}"
    step remove --settings "$ini" "${files[@]}"
    step remove --settings "$ini" --name mix --out-dir out --log-dir logs --use-detection --overwrite \
        --export - "${files[@]}"
    step remove --settings "$ini" --name single.wav --out-dir out --log-dir logs2 --no-detail \
        --export "$work/export3.txt" in/clicks.wav
    step detect --settings "$ini" --no-detail --log-dir logs2 --export - in/long.wav in/clean.wav
    # A removal whose output cannot be written, and an export to a log it reads.
    step remove --settings "$ini" --out-dir missing --name x --export - in/clicks.wav
    step detect --settings "$ini" --export in/NoiseLog0.dat in/clicks.wav
}

for preset in 1 2 3; do
    for side in old new; do
        rm -rf "$work"
        mkdir -p "$work/in"
        cp "$src"/* "$work/in/"
        if [ "$side" = old ]; then scenarios "$old" "$preset"; else scenarios "$new" "$preset"; fi
        rm -rf "$root/$side"
        mv "$work" "$root/$side"
    done
    # Every file either side left, compared byte for byte.
    list=$( (cd "$root/old" && find . -type f; cd "$root/new" && find . -type f) | sort -u)
    count=0
    while IFS= read -r f; do
        count=$((count + 1))
        if ! cmp -s "$root/old/$f" "$root/new/$f"; then
            echo "preset $preset: DIFFERENT $f"
            fails=$((fails + 1))
        fi
    done <<<"$list"
    exports=$(ls "$root/old" | grep -c 'export')
    outputs=$(find "$root/old" -name '*_won.wav' -o -name 'mix_*.wav' -o -name 'single.wav' | wc -l)
    echo "preset $preset: $count files compared ($outputs repaired files, $exports exports," \
         "$(find "$root/old" -name 'NoiseLog*.dat' | wc -l) logs;" \
         "detection counts $(cut -f3 "$root/old/stdout.1" | paste -sd,))"
done

if [ "$fails" -ne 0 ]; then
    echo "FAILED: $fails differences"
    exit 1
fi
echo "identical"
