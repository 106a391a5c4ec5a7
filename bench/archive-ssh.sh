#!/usr/bin/env bash
# GNU parallel across two "machines" over ssh, both this one: an ssh server
# started here on 127.0.0.1 only (an unprivileged port, its own host key and
# authorized_keys in a temporary folder), reached as node1 and node2. Runs the
# recipes of docs/archives.md over a folder of recordings made with sox:
#   1. shared storage: every node sees the archive at the same path;
#   2. no shared storage: --transferfile sends each file, --return brings the
#      output and the job's logs back, --cleanup removes them on the node;
#   3. and 4. a stop (SIGTERM to parallel) while a node's run is in the middle
#      of a job, with the logins' shared connection and with one of its own:
#      whether the stop reaches the node's run, and what that leaves.
# Each is checked byte for byte against one sequential norvatel-batch run, and
# its job log is printed. Run as root on Debian 12 from the repository:
#   bench/archive-ssh.sh [NORVATEL_BATCH]   (default: a Release build in build-bench)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
. "$here/archive-lib.sh"

install_packages parallel sox openssh-server openssh-client rsync
if [ $# -ge 1 ]; then batch=$(readlink -f "$1"); else build_batch "$here/../build-bench"; batch=$(readlink -f "$batch"); fi

work=$(mktemp -d /tmp/norvatel-ssh.XXXXXX)
sshd_pid=
stop_all() {
    local n
    for n in node1 node2; do
        [ -S "$work/control-$n" ] && ssh -F "$work/ssh_config" -O exit "$n" 2>/dev/null
    done
    [ -n "$sshd_pid" ] && kill "$sshd_pid" 2>/dev/null && wait "$sshd_pid" 2>/dev/null
    remove_work
}
trap stop_all EXIT
prepare_archive "$batch"

# The server: loopback only, keys only, its own files.
port=$(free_loopback_port)
ssh-keygen -q -t ed25519 -N '' -f host_key
ssh-keygen -q -t ed25519 -N '' -f client_key
cp client_key.pub authorized_keys
mkdir -p /run/sshd  # sshd's privilege-separation folder
cat >sshd_config <<EOF
ListenAddress 127.0.0.1
Port $port
HostKey $work/host_key
AuthorizedKeysFile $work/authorized_keys
PasswordAuthentication no
KbdInteractiveAuthentication no
PermitRootLogin prohibit-password
UsePAM no
StrictModes no
PidFile $work/sshd.pid
EOF
/usr/sbin/sshd -D -e -f "$work/sshd_config" 2>"$work/sshd.log" &
sshd_pid=$!
echo "[127.0.0.1]:$port $(cut -d' ' -f1,2 host_key.pub)" >known_hosts
cat >ssh_config <<EOF
Host node1 node2
    HostName 127.0.0.1
    Port $port
    User $(id -un)
    IdentityFile $work/client_key
    IdentitiesOnly yes
    UserKnownHostsFile $work/known_hosts
    StrictHostKeyChecking yes
    BatchMode yes
    # One connection a node, shared by its jobs and their transfers: each new
    # ssh login costs about a second on a busy machine.
    ControlMaster auto
    ControlPath $work/control-%n
    ControlPersist 120
EOF
for _ in $(seq 100); do ssh -F ssh_config node1 true 2>/dev/null && break; sleep 0.1; done
ssh -F ssh_config node1 true || { cat sshd.log; echo "FAILED: the ssh server did not answer" >&2; exit 1; }

export PARALLEL_HOME=$work/.parallel
nodes=(--ssh "ssh -F $work/ssh_config" -S 1/node1,1/node2)

echo "== 1. Shared storage: two files a job, each job its own log folder"
mkdir -p shared/out shared/logs
(cd shared && time parallel --will-cite "${nodes[@]}" -n 2 --joblog joblog.tsv \
    "mkdir -p $work/shared/logs/{#} && $batch remove --out-dir $work/shared/out" \
    "--skip-existing --format jsonl --log-dir $work/shared/logs/{#} {} 2>$work/shared/logs/{#}/messages.txt" \
    ::: "$work"/archive/*.wav >results.jsonl)
print_joblog shared/joblog.tsv
compare_outputs shared/out seq/out
summarise_results shared/results.jsonl

echo "== 2. No shared storage: --transferfile, --return, --cleanup"
mkdir -p transfer/out transfer/logs
ln -s ../archive transfer/archive
# On the node the job works in --workdir (on a real cluster "..." gives each
# job a folder of its own under ~/.parallel/tmp); the file arrives there under
# its relative name, and --cleanup removes it and the returned files.
mkdir -p node
(cd transfer && time parallel --will-cite "${nodes[@]}" --workdir "$work/node" \
    --transferfile '{}' --return 'out/{/.}_won.wav' --return 'logs/{#}' --cleanup \
    --joblog joblog.tsv \
    "mkdir -p out logs/{#} && $batch remove --out-dir out" \
    "--skip-existing --format jsonl --log-dir logs/{#} {} 2>logs/{#}/messages.txt" \
    ::: archive/*.wav >results.jsonl)
print_joblog transfer/joblog.tsv
compare_outputs transfer/out seq/out
summarise_results transfer/results.jsonl
echo "Each job's logs came back: $(ls transfer/logs | sort -n | tr '\n' ' ')"
# --cleanup removes each transferred file and returned file on the node; the
# files of a returned folder stay there.
echo "Left on the node after --cleanup: $(find node -name '*.wav' | wc -l) WAV files," \
    "$(find node -path '*/logs/*' -type f | wc -l) files in the returned log folders"

# A stop: SIGTERM to parallel while a node works through one job over eight
# names of half an hour of music (about 300 MiB), so that the signal finds the
# node's run in the middle of the job. With the logins' shared connection the
# node's session outlives the ssh that parallel started, and the node's run
# goes on to its end; with a connection of its own the stop reaches it.
#   stop_test FOLDER SSH_COMMAND   prints what the node's run did
stop_test() {
    local dir=$1 ssh_command=$2 i
    mkdir -p "$dir/in" "$dir/out" "$dir/logs"
    for i in 1 2 3 4 5 6 7 8; do ln -s "$work/long.wav" "$dir/in/long$i.wav"; done
    local running="$batch remove --out-dir $work/$dir/out"
    parallel --will-cite --ssh "$ssh_command" -S 1/node1 -n 8 --joblog "$dir/joblog.tsv" \
        "mkdir -p $work/$dir/logs/{#} && $running --log-dir $work/$dir/logs/{#} {} 2>$work/$dir/logs/{#}/messages.txt" \
        ::: "$work/$dir"/in/*.wav &
    local parallel_pid=$!
    # The node's norvatel-batch itself (not the shells around it, whose command
    # lines hold the same words), once it is writing its first output.
    local node_run="^$running"
    for _ in $(seq 500); do
        pgrep -f "$node_run" >/dev/null && [ -n "$(find "$dir/out" -name '*.unfinished-*')" ] && break
        sleep 0.02
    done
    [ -n "$(find "$dir/out" -name '*.unfinished-*')" ] || { echo "FAILED: the node never began an output" >&2; exit 1; }
    local stopped_at status=0
    stopped_at=$(date +%s.%N)
    kill -TERM "$parallel_pid"
    wait "$parallel_pid" || status=$?
    echo "parallel exited with $status"
    for _ in $(seq 600); do pgrep -f "$node_run" >/dev/null || break; sleep 0.05; done
    pgrep -f "$node_run" >/dev/null && { echo "FAILED: the node's run outlived 30 s" >&2; pkill -f "$node_run"; exit 1; }
    printf 'The node'"'"'s norvatel-batch ended %.1f s after the signal\n' \
        "$(echo "$(date +%s.%N) - $stopped_at" | bc -l)"
    echo "Its messages: $(tr '\n' ' ' <"$dir/logs/1/messages.txt")"
    echo "Its summary log:"; tr -d '\r' <"$dir/logs/1/NoiseLog0.dat" | paste - - - - | sed 's/^/  /'
    echo "Left in its output folder: $(cd "$dir/out" && ls | tr '\n' ' ')"
    print_joblog "$dir/joblog.tsv"
    # Whatever the stop reached, the files before it are whole and named and
    # the one it stopped leaves nothing.
    [ -z "$(find "$dir/out" -name '*.unfinished-*')" ] || { echo "FAILED: a part was left" >&2; exit 1; }
    for i in "$dir"/out/*.wav; do
        [ -e "$i" ] || continue
        cmp -s "$i" "$(ls "$dir"/out/*.wav | head -1)" || { echo "FAILED: $i is not whole" >&2; exit 1; }
    done
}
make_music 1800 long.wav

echo "== 3. A stop, the logins sharing one connection (ControlMaster, as above)"
stop_test stop-shared "ssh -F $work/ssh_config"

echo "== 4. A stop, each login its own connection (-o ControlMaster=no -o ControlPath=none)"
stop_test stop-own "ssh -F $work/ssh_config -o ControlMaster=no -o ControlPath=none"
grep -q Abort stop-own/logs/1/NoiseLog0.dat || { echo "FAILED: the stop did not reach the node's run" >&2; exit 1; }
