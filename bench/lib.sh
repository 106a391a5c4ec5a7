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
