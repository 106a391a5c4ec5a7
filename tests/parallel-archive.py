#!/usr/bin/env python3
"""GNU parallel over a folder of recordings, as docs/archives.md tells it:
two jobs at a time, two files a job, each job with its own log folder and
results file, one job log. The first attempt meets a damaged file and is then
stopped by a signal to parallel while two jobs are running; the second attempt
(--resume-failed, --skip-existing) finishes it. Every output is then checked
byte for byte against one sequential norvatel-batch run over the same files,
and each job's logs against the files that job was given.

    tests/parallel-archive.py BUILD/bin/norvatel-batch

The stop lands while jobs 4 and 5 run whatever the machine's speed: the test
holds their log folders' locks, so they wait for them (as a run waits for
another one sharing its log folder) until the signal comes. Exits 77 (skipped)
when GNU parallel or sox is not installed, 1 at the first thing found wrong.
"""
import fcntl
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "bench"))
archive_material = __import__("archive-material")
take = archive_material.take

FILES = 20
PER_JOB = 2
BROKEN = 1  # the second file, in job 1: damaged in the first attempt
HELD_JOBS = (4, 5)  # their log folders are locked until the stop
SECONDS = 0.3  # a file: short, the test is about the jobs


def fail(why):
    print("FAILED: " + why)
    sys.exit(1)


def output(i):
    """Automatic naming: take01.wav gives take01_won.wav, whichever job writes it."""
    return take(i)[:-len(".wav")] + "_won.wav"


def job_of(i):
    return i // PER_JOB + 1


def wait_until(what, condition, tries=600):
    """Bounded: 600 looks 50 ms apart; a hang is reported, not waited out."""
    for _ in range(tries):
        if condition():
            return
        time.sleep(0.05)
    fail("gave up waiting: " + what)


def joblog_rows(path):
    """{job number: [exit values in the order the attempts wrote them]}."""
    rows = {}
    if not os.path.exists(path):
        return rows
    with open(path) as f:
        lines = f.read().splitlines()
    for line in lines[1:]:
        fields = line.split("\t")
        if len(fields) >= 9:
            rows.setdefault(int(fields[0]), []).append((int(fields[6]), int(fields[7])))
    return rows


def summary_names(path):
    """The file names of a summary log's rows (four CR LF lines a row)."""
    with open(path, "rb") as f:
        lines = f.read().split(b"\r\n")[:-1]
    if len(lines) % 4:
        fail("%s is not whole" % path)
    return [lines[k + 1].decode() for k in range(0, len(lines), 4)]


def results(path):
    rows = {}
    with open(path) as f:
        for line in f:
            record = json.loads(line)
            if "summary" not in record:
                rows[os.path.basename(record["input"])] = record
    return rows


def main():
    batch = os.path.abspath(sys.argv[1])
    for tool in ("parallel", "sox"):
        if not shutil.which(tool):
            print("%s is not installed (apt-get install %s): skipped" % (tool, tool))
            sys.exit(77)
    top = tempfile.mkdtemp(prefix="norvatel-parallel-")
    try:
        run(batch, top)
    finally:
        shutil.rmtree(top, ignore_errors=True)
    print("OK: GNU parallel, stopped and resumed, gave the sequential run's outputs")


def run(batch, top):
    archive, out, seq = (os.path.join(top, d) for d in ("archive", "out", "seq"))
    for d in (archive, out, seq, os.path.join(top, "logs"), os.path.join(top, "results")):
        os.mkdir(d)
    inputs = [os.path.join(archive, take(i)) for i in range(FILES)]
    for i, path in enumerate(inputs):
        archive_material.make_recording(path, i, SECONDS)
    broken = inputs[BROKEN]
    good_copy = os.path.join(top, "good-" + take(BROKEN))
    os.rename(broken, good_copy)
    with open(broken, "wb") as f:
        f.write(b"RIFF still being copied in")

    # GNU parallel asks once for a citation and keeps its state in the home
    # folder: a home of the test's own, and --will-cite.
    env = dict(os.environ, HOME=top, PARALLEL_HOME=os.path.join(top, ".parallel"),
               TMPDIR=top, LC_ALL="C.UTF-8")
    env.pop("LANGUAGE", None)

    # Both attempts run this one command; only --resume-failed is added.
    joblog = os.path.join(top, "joblog.tsv")
    job = ("mkdir -p logs/{#} && " + batch + " remove --out-dir out"
           " --skip-existing --format jsonl --log-dir logs/{#} {} > results/{#}.jsonl")
    command = ["parallel", "--will-cite", "-j", "2", "-n", str(PER_JOB),
               "--joblog", joblog, job, ":::"] + [os.path.relpath(p, top) for p in inputs]

    held = []
    for number in HELD_JOBS:
        folder = os.path.join(top, "logs", str(number))
        os.mkdir(folder)
        lock = open(os.path.join(folder, "NoiseLog.lock"), "w")
        fcntl.lockf(lock, fcntl.LOCK_EX)
        held.append(lock)

    first = subprocess.Popen(command, cwd=top, env=env, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE)

    def held_jobs_waiting():
        rows = joblog_rows(joblog)
        return all(n in rows for n in (1, 2, 3)) and all(
            os.path.isfile(os.path.join(top, "results", "%d.jsonl" % n)) for n in HELD_JOBS)

    # The held jobs have started once their results files are there (the
    # shell makes them before the command starts); they cannot get further.
    wait_until("jobs 1-3 done and jobs %s started" % (HELD_JOBS,), held_jobs_waiting)
    first.send_signal(signal.SIGTERM)
    stdout, stderr = first.communicate(timeout=60)
    for lock in held:
        lock.close()
    if first.returncode == 0:
        fail("parallel stopped by SIGTERM ended with 0")

    rows = joblog_rows(joblog)
    # A job parallel stops gets no line: that is what --resume-failed reruns.
    if sorted(rows) != [1, 2, 3]:
        fail("after the stop the job log holds jobs %s, not 1-3" % sorted(rows))
    if rows.get(1) != [(1, 0)]:
        fail("job 1 (a damaged file) should have failed with 1: %s" % rows.get(1))
    if rows.get(2) != [(0, 0)] or rows.get(3) != [(0, 0)]:
        fail("jobs 2 and 3 should have ended with 0: %s" % rows)
    produced = sorted(os.listdir(out))
    wanted = sorted(output(i) for i in range(FILES)
                    if job_of(i) in (1, 2, 3) and i != BROKEN)
    if produced != wanted:
        fail("after the stop the output folder holds %s, not %s" % (produced, wanted))

    # The second attempt: the damaged file was copied in again, the rest as it was.
    os.replace(good_copy, broken)
    second = subprocess.run(command[:1] + ["--resume-failed"] + command[1:], cwd=top, env=env,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if second.returncode != 0:
        fail("the resumed parallel run ended with %d: %s" %
             (second.returncode, second.stderr.decode()))

    rows = joblog_rows(joblog)
    jobs = (FILES + PER_JOB - 1) // PER_JOB
    for number in range(1, jobs + 1):
        expected = {1: [(1, 0), (0, 0)], 2: [(0, 0)], 3: [(0, 0)]}.get(number, [(0, 0)])
        if rows.get(number) != expected:
            fail("job %d in the job log: %s, not %s" % (number, rows.get(number), expected))

    # The reference: one sequential run over the same files, as they are now.
    seq_out = os.path.join(seq, "out")
    os.mkdir(seq_out)
    with open(os.path.join(seq, "results.jsonl"), "w") as f:
        done = subprocess.run([batch, "remove", "--out-dir", seq_out,
                               "--format", "jsonl", "--log-dir", seq] + inputs,
                              stdout=f, stderr=subprocess.PIPE, env=env, cwd=top)
    if done.returncode != 0:
        fail("the sequential run ended with %d: %s" % (done.returncode, done.stderr.decode()))
    reference = results(os.path.join(seq, "results.jsonl"))

    produced = sorted(os.listdir(out))
    if produced != sorted(os.listdir(seq_out)):
        fail("outputs %s, not the sequential run's %s" % (produced, sorted(os.listdir(seq_out))))
    for name in produced:
        with open(os.path.join(out, name), "rb") as a, open(os.path.join(seq_out, name), "rb") as b:
            if a.read() != b.read():
                fail("%s differs from the sequential run's" % name)

    for number in range(1, jobs + 1):
        given = [take(i) for i in range(FILES) if job_of(i) == number]
        logged = summary_names(os.path.join(top, "logs", str(number), "NoiseLog0.dat"))
        if logged != given:
            fail("job %d's summary log holds %s, not its files %s" % (number, logged, given))
        for name, row in results(os.path.join(top, "results", "%d.jsonl" % number)).items():
            want = reference[name]
            if number == 1 and name == take(0):
                # Done in the first attempt; the rerun of its job passes it.
                if row["status"] != "skipped_existing":
                    fail("%s on resume: %s, not skipped_existing" % (name, row["status"]))
            elif (row["status"], row["clicks"]) != (want["status"], want["clicks"]):
                fail("%s: %s with %d clicks, the sequential run %s with %d" %
                     (name, row["status"], row["clicks"], want["status"], want["clicks"]))
    clicked = sum(1 for r in reference.values() if r["status"] == "repaired")
    if not 0 < clicked < FILES:
        fail("the material should mix repaired and clean files: %d repaired" % clicked)


if __name__ == "__main__":
    main()
