# Sourced by the bench scripts.

# Builds norvatel-batch in a Release tree and sets $batch to the program just
# built, so that a script never times or scores one left over from an older
# build. Build folders put their programs in bin/.
#   build_batch BUILD_DIR
build_batch() {
    local dir=$1 top
    top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    local options=(-DCMAKE_BUILD_TYPE=Release -DNORVATEL_TESTS=OFF -DNORVATEL_BENCH=OFF)
    if command -v ccache >/dev/null; then options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
    cmake -S "$top" -B "$dir" -G Ninja "${options[@]}" >/dev/null
    nice cmake --build "$dir" -j "$(nproc)" --target norvatel-batch >&2
    batch=$dir/bin/norvatel-batch
}

# Runs a command with its output thrown away; when it fails, says which
# command it was, shows what it wrote to standard error and ends the script:
# a figure of a failed command would be no figure at all. Adds no process of
# its own to what a script times.
bench_errors=$(mktemp)
trap 'rm -f "$bench_errors"' EXIT
must() {
    if ! "$@" >/dev/null 2>"$bench_errors"; then
        echo "FAILED: $*" >&2
        tail -n 20 "$bench_errors" >&2
        exit 1
    fi
}

# A music-like signal: several tones, a slow beat and noise at a realistic level.
make_music() { # seconds, output
    sox -n -r 44100 -c 2 -b 16 "$2" synth "$1" sine 220 sine 331 sine 523 pinknoise \
        remix 1,2,4 2,3,4 tremolo 2 40 gain -n -8
}
seconds_for_mib() { echo $(( $1 * 1048576 / 176400 )); }

# Median wall time of a command over $runs runs (5 unless the script sets runs), in seconds.
time_median() {
    local t=()
    for _ in $(seq "${runs:-5}"); do
        local s e
        s=$(date +%s.%N); must "$@"; e=$(date +%s.%N)
        t+=("$(echo "$e - $s" | bc -l)")
    done
    printf '%s\n' "${t[@]}" | sort -g | sed -n "$(( (${runs:-5} + 1) / 2 ))p"
}
# Peak resident memory of one run, in MiB; $work holds the measurement.
peak_mib() {
    must /usr/bin/time -f '%M' -o "$work/time.txt" "$@"
    echo "scale=1; $(tail -1 "$work/time.txt") / 1024" | bc -l
}
ratio() { echo "scale=2; $1 / $2" | bc -l; }

# Rounds in which several commands take turns, so that all of them meet the
# same load on a shared machine; the script sets $work and $rounds.
# timed NAME COMMAND...: appends "wall cpu" (seconds; cpu = user + system) to $work/NAME.
timed() {
    local name=$1; shift
    must /usr/bin/time -f '%e %U %S' -o "$work/time.txt" "$@"
    awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$work/time.txt" >> "$work/$name"
}
# The median over the rounds of NAME's wall times (column 1) or processor times (2).
median() { # NAME column
    cut -d' ' -f"$2" "$work/$1" | sort -g | sed -n "$(( (rounds + 1) / 2 ))p"
}
# The median over the rounds of each round's A/B: wall times (column 1) or
# processor times (column 2).
ratio_median() { # A B column
    paste -d' ' "$work/$1" "$work/$2" | awk -v c="$3" '{ printf "%.2f\n", $c / $(c + 2) }' |
        sort -g | sed -n "$(( (rounds + 1) / 2 ))p"
}
