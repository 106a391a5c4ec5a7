#!/usr/bin/env bash
# A Slurm array job over a folder of recordings, on a one-node cluster this
# script starts on this machine: munged on a socket of its own, slurmctld and
# slurmd bound to 127.0.0.1 only (unprivileged ports), every state, spool and
# log file in a temporary folder. One array task a file, each with its own log
# folder, as docs/archives.md describes; the outputs are checked byte for byte
# against one sequential norvatel-batch run and the job log (the completion
# log, jobcomp/filetxt) is printed. Run as root on Debian 12 from the repository:
#   bench/archive-slurm.sh [NORVATEL_BATCH]   (default: a Release build in build-bench)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
. "$here/archive-lib.sh"

install_packages slurm-wlm munge sox
if [ $# -ge 1 ]; then batch=$(readlink -f "$1"); else build_batch "$here/../build-bench"; batch=$(readlink -f "$batch"); fi

work=$(mktemp -d /tmp/norvatel-slurm.XXXXXX)
chmod 755 "$work"  # the munge socket must be reachable through it
stop_all() {
    local f
    for f in slurmd slurmctld munged; do
        [ -s "$work/$f.pid" ] && kill "$(cat "$work/$f.pid")" 2>/dev/null
    done
    # Bounded: the daemons end within a few seconds of SIGTERM.
    for _ in $(seq 50); do
        pgrep -F "$work/slurmctld.pid" >/dev/null 2>&1 || pgrep -F "$work/slurmd.pid" >/dev/null 2>&1 || break
        sleep 0.1
    done
    remove_work
}
trap stop_all EXIT
prepare_archive "$batch"

# munge: a key and a socket of the script's own, not the system's.
mkdir -m 700 munge
dd if=/dev/urandom of=munge/munge.key bs=128 count=1 status=none
chmod 600 munge/munge.key
munged --force --key-file="$work/munge/munge.key" --socket="$work/munge.socket" \
    --pid-file="$work/munged.pid" --log-file="$work/munge/munged.log" --seed-file="$work/munge/seed"

ctld_port=$(free_loopback_port)
slurmd_port=$(free_loopback_port)
mkdir state spool
cat >slurm.conf <<EOF
ClusterName=norvatel
SlurmctldHost=localhost
SlurmctldPort=$ctld_port
SlurmdPort=$slurmd_port
# Bind to the node's address (127.0.0.1), not to every address.
CommunicationParameters=NoInAddrAny,NoCtldInAddrAny
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$work/munge.socket
SlurmUser=root
SlurmdUser=root
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
SchedulerType=sched/backfill
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/filetxt
JobCompLoc=$work/jobcomp.txt
MpiDefault=none
ReturnToService=2
NodeName=localhost NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=bench Nodes=localhost Default=YES MaxTime=INFINITE State=UP
EOF
export SLURM_CONF=$work/slurm.conf
slurmctld -f "$SLURM_CONF"
slurmd -f "$SLURM_CONF" -N localhost
for _ in $(seq 100); do sinfo -h -o %t 2>/dev/null | grep -q idle && break; sleep 0.1; done
sinfo -h -o %t | grep -q idle || { tail slurmctld.log slurmd.log; echo "FAILED: the node did not come up" >&2; exit 1; }
echo "$(sinfo --version): node $(sinfo -h -o '%N %t, %c CPUs'); listening (loopback only):"
ss -ltn | awk -v a="$ctld_port" -v b="$slurmd_port" '$4 ~ ":"a"$" || $4 ~ ":"b"$" {print "  " $4}'

# The array job of docs/archives.md: task N takes the N-th line of the list.
ls "$work"/archive/*.wav >files.txt
mkdir -p out logs results
cat >norvatel-array.sh <<EOF
#!/bin/bash
#SBATCH --job-name=norvatel
#SBATCH --cpus-per-task=1
#SBATCH --output=$work/logs/%a.messages.txt
set -euo pipefail
file=\$(sed -n "\${SLURM_ARRAY_TASK_ID}p" $work/files.txt)
mkdir -p $work/logs/\$SLURM_ARRAY_TASK_ID
exec $batch remove --out-dir $work/out --skip-existing --format jsonl \\
    --log-dir $work/logs/\$SLURM_ARRAY_TASK_ID "\$file" >$work/results/\$SLURM_ARRAY_TASK_ID.jsonl
EOF
# The completion log has one line a task of KEY=VALUE fields; the ones that
# say which task ran when, where and how it ended.
print_slurm_joblog() {
    echo "Job log ($work/jobcomp.txt, jobcomp/filetxt), one line a task:"
    awk '{ for (i = 1; i <= NF; i++) { split($i, kv, "="); f[kv[1]] = substr($i, length(kv[1]) + 2) }
           printf "%s_%s\t%s\t%s\t%s\t%s\t%s\n", f["ArrayJobId"], f["ArrayTaskId"], f["JobState"],
                  f["ExitCode"], f["StartTime"], f["EndTime"], f["NodeList"] }' jobcomp.txt |
        sort -t_ -k1,1n -k2,2n | column -t -N "Task,State,ExitCode,Start,End,Node" | sed 's/^/  /'
}
count=$(wc -l <files.txt)
echo "== sbatch --array=1-$count --wait norvatel-array.sh"
sbatch --array=1-"$count" --wait norvatel-array.sh
compare_outputs out seq/out
summarise_results results/*.jsonl

# Resuming: the tasks that failed are submitted again by number; here tasks 3
# and 8 stand for them (their outputs removed). --skip-existing would pass any
# file a task had already finished.
echo "== Again tasks 3 and 8, as after a failure: sbatch --array=3,8 --wait norvatel-array.sh"
rm out/take03_won.wav out/take08_won.wav
sbatch --array=3,8 --wait norvatel-array.sh
compare_outputs out seq/out
print_slurm_joblog
summarise_results results/*.jsonl
