# Sourced by the archive bench scripts (archive-ssh.sh, archive-slurm.sh):
# the material, the sequential reference run and the checks they share.
archive_bench=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# Installs the Debian packages a script needs and are not there yet.
#   install_packages PACKAGE...
install_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
    done
    if ((${#missing[@]})); then
        echo "Installing: ${missing[*]}" >&2
        apt-get update -qq
        # No service starts on its own: the scripts start what they use, on
        # the loopback address, and stop it again.
        DEBIAN_FRONTEND=noninteractive RUNLEVEL=1 apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
    fi
}

# The same recordings every time: COUNT files of SECONDS in FOLDER.
#   make_archive FOLDER COUNT [SECONDS]
make_archive() {
    python3 "$archive_bench/archive-material.py" "$@"
    echo "Archive: $2 files, $(du -sh "$1" | cut -f1) in all"
}

# The reference the distributed runs are compared with: one norvatel-batch
# over every file, outputs in DIR/out, logs in DIR.
#   sequential_run BATCH ARCHIVE DIR
sequential_run() {
    mkdir -p "$3/out"
    must "$1" remove --out-dir "$3/out" --log-dir "$3" "$2"/*.wav
}

# The last of a script's clean-up: its work folder (KEEP_WORK=1 keeps it to
# look at) and the error file.
remove_work() {
    if [ -n "${KEEP_WORK:-}" ]; then echo "kept $work" >&2; else rm -rf "$work"; fi
    rm -f "$bench_errors"
}

# The material of a run, in the work folder: the archive and the sequential
# reference run of BATCH over it.
#   prepare_archive BATCH
prepare_archive() {
    cd "$work"
    make_archive archive 12
    sequential_run "$1" archive seq
}

# A free TCP port on 127.0.0.1 (the kernel's choice, above 1024).
free_loopback_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Every output byte for byte against the reference's; ends the script otherwise.
#   compare_outputs DIR REFERENCE_DIR
compare_outputs() {
    local a b
    a=$(cd "$1" && ls | sort); b=$(cd "$2" && ls | sort)
    if [ "$a" != "$b" ]; then
        echo "FAILED: $1 holds other files than $2" >&2; diff <(echo "$a") <(echo "$b") >&2; exit 1
    fi
    for f in $a; do
        cmp -s "$1/$f" "$2/$f" || { echo "FAILED: $1/$f differs from $2/$f" >&2; exit 1; }
    done
    echo "Outputs: all $(echo "$a" | wc -l) identical to the sequential run's"
}

print_joblog() {
    echo "Job log $1:"
    column -t -s $'\t' "$1" | sed 's/^/  /'
}

# The results of every job (--format jsonl lines, each job's last line its
# summary): one row a file, and the statuses counted.
summarise_results() {
    python3 - "$@" <<'PY'
import collections, json, sys
rows = [json.loads(line) for path in sys.argv[1:] for line in open(path) if line.strip()]
files = [r for r in rows if "summary" not in r]
print("Results: %d files, %d clicks, %s" % (
    len(files), sum(r["clicks"] for r in files),
    dict(sorted(collections.Counter(r["status"] for r in files).items()))))
PY
}
