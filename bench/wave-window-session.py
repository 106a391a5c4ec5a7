#!/usr/bin/env python3
"""The wave window as a user meets it, measured: keys only (xdotool), under a
virtual display with a window manager (Xvfb + openbox), the sound going to a
device that plays in real time while ALSA's file plugin records what the
program hands it: JACK's dummy driver through ALSA's jack plugin (--sink
jack, the default), or a PulseAudio null sink through ALSA's pulse plugin
(--sink pulse).

Measures, each from /proc or from the recording:
  - key to first block: from the key that starts a playback to the first
    sound reaching the device, for the first playback and the ones after it;
  - processor use while idle, with a folder the save dialog has shown
    changing a hundred times a second;
  - processor use while playing, at the default settings and at the most
    demanding ones (10 ms blocks, Arasa 1);
  - live 除去再生 from a click to the end of the file compared frame for frame
    with the removal run's output from the same frame, and checked for gaps
    (silence the program let in because a block came late).

    bench/wave-window-session.py [--build DIR] [--sink jack|pulse]
    # installs what it needs (PACKAGES) when missing

Builds DIR (default build-bench, Release) first. Prints a report; the work
files stay in bench/out/session/. Exits non-zero when a step fails or the
live playback differs from the removal run.
"""

import argparse
import array
import os
import random
import shutil
import signal
import subprocess
import sys
import time
import wave

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(TOP, "bench", "out", "session")
DISPLAY = ":47"
TICK = os.sysconf("SC_CLK_TCK")
LEAD = 22050  # 除去再生 and 再生 start half a second before the click

started = []  # processes to end, last first


def fail(message):
    print("FAILED: " + message, file=sys.stderr)
    sys.exit(1)


def start(args, env=None, cwd=None, log=None):
    out = open(log, "wb") if log else subprocess.DEVNULL
    p = subprocess.Popen(args, env=env, cwd=cwd, stdout=out, stderr=subprocess.STDOUT
                         if log else subprocess.DEVNULL)
    started.append(p)
    return p


def stop_all():
    for p in reversed(started):
        if p.poll() is None:
            p.send_signal(signal.SIGTERM)
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
    started.clear()


# What this session needs beyond the test command's packages: real-time sinks.
PACKAGES = ["sox", "xvfb", "openbox", "xdotool", "libasound2-plugins", "jackd2", "pulseaudio"]


def install_missing():
    missing = [p for p in PACKAGES
               if subprocess.run(["dpkg-query", "-W", "-f=${Status}", p], capture_output=True,
                                 text=True).stdout.find("ok installed") < 0]
    if missing:
        print("Installing: " + " ".join(missing), file=sys.stderr)
        subprocess.run(["apt-get", "update", "-qq"], check=True)
        subprocess.run(["apt-get", "install", "-y", "-qq", "--no-install-recommends"] + missing,
                       check=True, env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"))


def build(folder):
    """Builds both programs in folder and returns their paths in its bin/, so
    the session never measures a program left over from an older build."""
    subprocess.run(["cmake", "-S", TOP, "-B", folder, "-G", "Ninja",
                    "-DCMAKE_BUILD_TYPE=Release", "-DNORVATEL_TESTS=OFF",
                    "-DNORVATEL_BENCH=OFF"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", folder, "-j2", "--target", "norvatel",
                    "norvatel-batch"], check=True, stdout=subprocess.DEVNULL)
    return os.path.join(folder, "bin", "norvatel"), os.path.join(folder, "bin", "norvatel-batch")


def make_music(path, seconds=40):
    """Music-like stereo (two tones, pink noise, a slow tremolo) with single
    clicks every one to one and a half seconds, in either channel."""
    plain = os.path.join(OUT, "plain.wav")
    subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", "-b", "16", plain, "synth",
                    str(seconds), "sine", "220", "sine", "330", "pinknoise", "tremolo", "0.5",
                    "40", "vol", "0.25", "remix", "1,3", "2,3"], check=True)
    with wave.open(plain) as w:
        params, values = w.getparams(), array.array("h", w.readframes(w.getnframes()))
    rnd = random.Random(7)
    frame = 30000
    while frame < len(values) // 2 - 100:
        i = 2 * frame + rnd.randint(0, 1)
        values[i] = max(-32768, min(32767, values[i] + rnd.choice([-1, 1]) *
                                    rnd.randint(9000, 16000)))
        frame += rnd.randint(40000, 70000)
    with wave.open(path, "wb") as w:
        w.setparams(params)
        w.writeframes(values.tobytes())


def write_settings(folder, data, win_time, arasa, buff_dipth):
    with open(os.path.join(folder, "RizivozeR.ini"), "w") as f:
        f.write("[Path]\nDrive=/\nFolder=%s\n[Settei]\nWinTime=%d\nArasa=%d\nBuffDipth=%d\n"
                "CheckPlayTime=0\n" % (data, win_time, arasa, buff_dipth))


def xdo(*args):
    subprocess.run(["xdotool"] + list(args), check=True, env=dict(os.environ, DISPLAY=DISPLAY))


def window_named(name, timeout=20):
    deadline = time.time() + timeout
    while time.time() < deadline:
        r = subprocess.run(["xdotool", "search", "--name", name], capture_output=True,
                           text=True, env=dict(os.environ, DISPLAY=DISPLAY))
        if r.stdout.strip():
            return r.stdout.split()[0]
        time.sleep(0.05)
    fail("no window named %r" % name)


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK  # utime + stime, every thread


def cpu_share(pid, seconds):
    c0, t0 = cpu_seconds(pid), time.time()
    time.sleep(seconds)
    return 100.0 * (cpu_seconds(pid) - c0) / (time.time() - t0)


def first_sound(path, since, timeout=5):
    """Seconds from since until path holds a frame that is not silence."""
    deadline = since + timeout
    while time.time() < deadline:
        try:
            with open(path, "rb") as f:
                data = f.read()
            if data.strip(b"\0"):
                return time.time() - since
        except FileNotFoundError:
            pass
        time.sleep(0.001)
    return None


def wait_until_still(path, quiet=1.5, timeout=120):
    deadline, last, since = time.time() + timeout, -1, time.time()
    while time.time() < deadline:
        size = os.path.getsize(path) if os.path.exists(path) else 0
        if size != last:
            last, since = size, time.time()
        elif time.time() - since > quiet:
            return
        time.sleep(0.1)
    fail("the playback did not end")


def frames_of(raw):
    return [raw[i:i + 4] for i in range(0, len(raw) - 3, 4)]


def session(program, batch, data, music, heard, asound, settings, report):
    name, win_time, arasa, depth = settings
    start_folder = os.path.join(OUT, "start-" + name)
    shutil.rmtree(start_folder, ignore_errors=True)
    os.makedirs(start_folder)
    write_settings(start_folder, data, win_time, arasa, depth)
    env = dict(os.environ, DISPLAY=DISPLAY, ALSA_CONFIG_PATH=asound,
               PULSE_SERVER="unix:" + os.path.join(OUT, "pulse", "native"))
    prog = start([program], env=env, cwd=start_folder, log=os.path.join(OUT, name + ".log"))
    main = window_named("^RizivozeR$")
    xdo("windowactivate", "--sync", main)
    xdo("key", "space")  # selects the listed file
    xdo("key", "alt+c")  # 検出
    window_named("^ $", 60)  # the end message
    time.sleep(0.3)
    xdo("key", "Return")
    xdo("key", "alt+k")  # 確認: the wave window on the first click
    window_named("^Wave Window   After Check$")
    time.sleep(0.5)

    # Key to first block, 再生 played for a second and stopped, six times.
    latencies = []
    for _ in range(6):
        if os.path.exists(heard):
            os.remove(heard)
        t0 = time.time()
        xdo("key", "alt+p")
        latency = first_sound(heard, t0)
        if latency is None:
            fail("no sound after 再生 (%s)" % name)
        latencies.append(latency * 1000)
        time.sleep(1.0)
        xdo("key", "alt+s")
        time.sleep(0.5)
    report.append((name, "key to first block, first playback", "%.0f ms" % latencies[0]))
    later = sorted(latencies[1:])
    report.append((name, "key to first block, playbacks 2 to 6",
                   "median %.0f ms, most %.0f ms" % (later[len(later) // 2], later[-1])))

    # Processor use while 再生 plays and while 除去再生 plays live.
    for key, what in (("alt+p", "再生"), ("alt+d", "除去再生 live")):
        xdo("key", key)
        time.sleep(2)
        report.append((name, "processor while %s plays (10 s)" % what,
                       "%.1f%% of a core" % cpu_share(prog.pid, 10)))
        xdo("key", "alt+s")
        time.sleep(0.5)

    # Live 除去再生 from the tenth click to the end, against the removal run.
    for _ in range(9):
        xdo("key", "alt+f")
    time.sleep(0.3)
    if os.path.exists(heard):
        os.remove(heard)
    xdo("key", "alt+d")
    first_sound(heard, time.time())
    wait_until_still(heard)
    with open(os.path.join(data, "NoiseLog1.dat"), "rb") as f:
        click = int(f.read().decode("cp932").split("\r\n")[9 * 7 + 3])
    outdir = os.path.join(OUT, "removed-" + name)
    shutil.rmtree(outdir, ignore_errors=True)
    os.makedirs(outdir)
    subprocess.run([batch, "remove", "--settings", os.path.join(start_folder, "RizivozeR.ini"),
                    "--out-dir", outdir, "--log-dir", outdir, "--no-detail", music],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with wave.open(os.path.join(outdir, "music_won.wav")) as w:
        removed = w.readframes(w.getnframes())
    expected = removed[4 * (click - LEAD):]
    with open(heard, "rb") as f:
        played = frames_of(f.read())
    silent = b"\0\0\0\0"
    sound = [i for i, fr in enumerate(played) if fr != silent]
    got = b"".join(played[sound[0]:sound[-1] + 1]) if sound else b""
    same = got == expected
    gaps = sum(1 for fr in played[sound[0]:sound[-1] + 1] if fr == silent) if sound else 0
    expected_silent = sum(1 for fr in frames_of(expected) if fr == silent)
    report.append((name, "live 除去再生 from frame %d to the end" % (click - LEAD),
                   "%d frames, %s the removal run's output, %d silent frames inside "
                   "(the output holds %d)" % (len(got) // 4, "equal to" if same else
                                              "DIFFERENT FROM", gaps, expected_silent)))

    # Idle with the dump's save dialog shown once, its folder then busy.
    xdo("key", "alt+o")
    time.sleep(0.3)
    xdo("key", "d")  # DataDump: the save dialog on the data folder
    time.sleep(1.0)
    xdo("key", "Escape")
    time.sleep(1.0)
    report.append((name, "processor while idle (10 s)",
                   "%.1f%% of a core" % cpu_share(prog.pid, 10)))
    busy = subprocess.Popen(["sh", "-c", "i=0; while [ $i -lt 2000 ]; do : > %s/busy$((i %% 50)).tmp;"
                             " rm -f %s/busy$(((i + 25) %% 50)).tmp; i=$((i+1)); sleep 0.01; done"
                             % (data, data)])
    time.sleep(1)
    share = cpu_share(prog.pid, 10)
    busy.kill()
    busy.wait()
    for f in os.listdir(data):
        if f.startswith("busy"):
            os.remove(os.path.join(data, f))
    report.append((name, "processor while idle, the dialog's folder changing 100 times a second"
                   " (10 s)", "%.1f%% of a core" % share))

    xdo("key", "alt+x")  # closes the wave window
    time.sleep(0.5)
    xdo("windowactivate", "--sync", main)
    xdo("key", "alt+x")  # ends the program
    try:
        prog.wait(10)
    except subprocess.TimeoutExpired:
        fail("the program did not end")
    return same and gaps == expected_silent


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(TOP, "build-bench"))
    parser.add_argument("--sink", choices=("jack", "pulse"), default="jack")
    args = parser.parse_args()
    install_missing()
    program, batch = build(os.path.abspath(args.build))
    shutil.rmtree(OUT, ignore_errors=True)
    data = os.path.join(OUT, "data")
    os.makedirs(data)
    music = os.path.join(data, "music.wav")
    make_music(music)
    heard = os.path.join(OUT, "heard.raw")
    asound = os.path.join(OUT, "asound.conf")
    sinks = {
        "pulse": 'pcm.real { type pulse }\n',
        "jack": 'pcm.real { type plug slave.pcm "jk" }\n'
                'pcm.jk { type jack playback_ports { 0 system:playback_1 1 system:playback_2 } }\n',
    }
    with open(asound, "w") as f:
        f.write('pcm.!default { type file slave.pcm "real" file "%s" format "raw" }\n' % heard +
                sinks[args.sink])
    try:
        if args.sink == "jack":
            start(["jackd", "--no-realtime", "-d", "dummy", "-r", "44100", "-p", "256"],
                  env=dict(os.environ, JACK_NO_AUDIO_RESERVATION="1"),
                  log=os.path.join(OUT, "jackd.log"))
        else:
            pulse = os.path.join(OUT, "pulse")
            os.makedirs(pulse)
            start(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
                   "--use-pid-file=no", "-L", "module-null-sink sink_name=null rate=44100",
                   "-L", "module-native-protocol-unix auth-anonymous=1 socket=%s/native" % pulse],
                  env=dict(os.environ, HOME=pulse, PULSE_RUNTIME_PATH=pulse),
                  log=os.path.join(OUT, "pulseaudio.log"))
        start(["Xvfb", DISPLAY, "-screen", "0", "1280x900x24"])
        time.sleep(1)
        start(["openbox"], env=dict(os.environ, DISPLAY=DISPLAY))
        time.sleep(1)
        report, fine = [], True
        for settings in (("default", 3, 16, 8), ("demanding", 0, 1, 10)):
            fine = session(program, batch, data, music, heard, asound, settings, report) and fine
            for f in os.listdir(data):
                if f != "music.wav":
                    os.remove(os.path.join(data, f))
        with open("/proc/cpuinfo") as f:
            model = next((l.split(":", 1)[1].strip() for l in f if l.startswith("model name")),
                         "?")
        print("machine: %s, %d cores, load %.1f; sink: %s" % (model, os.cpu_count(),
                                                              os.getloadavg()[0], args.sink))
        for name, what, figure in report:
            print("%-9s  %-70s %s" % (name, what, figure))
        sys.exit(0 if fine else 1)
    finally:
        stop_all()


if __name__ == "__main__":
    main()
