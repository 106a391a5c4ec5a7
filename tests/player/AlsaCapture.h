#pragma once
// Plays through the real output path, PortAudio over ALSA, on a machine with
// no sound card: ALSA gets a configuration of its own whose default device
// writes whatever it is given to a file and plays nothing. The device is not
// paced by a clock, so silence comes before, between and after the blocks;
// the blocks themselves must come out whole and in order.
//
// Each playback runs in a child process: ALSA reads ALSA_CONFIG_PATH when
// PortAudio first starts it, so the variable must be set in a process where
// that has not happened yet. The parent waits a bounded time for the child.

#include "support/TestWav.h"

#include <QString>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace alsacapture {

// Long enough for a slow CI machine, short enough that a hang fails the test.
inline constexpr auto kChildLimit = std::chrono::seconds(60);

// Runs play in a child with ALSA_CONFIG_PATH set to config, JACK kept out, and stderr sent to
// logPath (ALSA and JACK talk a lot while they look for devices). Returns the
// child's exit code, or -1 when it had to be killed.
inline int RunInChild(const QString &config, const QString &logPath,
                      const std::function<int()> &play) {
    using Clock = std::chrono::steady_clock;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int log =
            ::open(logPath.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (log >= 0)
            dup2(log, STDERR_FILENO);
        setenv("ALSA_CONFIG_PATH", config.toLocal8Bit().constData(), 1);
        // PortAudio also offers a running JACK server's ports as devices; point
        // JACK at a server that does not exist, so the test's ALSA device is
        // the only one whether or not the machine runs JACK.
        setenv("JACK_DEFAULT_SERVER", "norvatel-test-no-server", 1);
        setenv("JACK_NO_START_SERVER", "1", 1);
        _exit(play());
    }
    if (pid < 0)
        return -2;
    const auto deadline = Clock::now() + kChildLimit;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -3;
}

// Writes to configPath an ALSA configuration whose default device records
// into capture.
inline void WriteCaptureConfig(const QString &configPath, const QString &capture) {
    testwav::WriteFile(configPath.toStdString(),
                       "pcm.!default {\n  type file\n  slave.pcm \"null\"\n  file \"" +
                           capture.toStdString() +
                           "\"\n  format \"raw\"\n}\npcm.null {\n  type null\n}\n");
}

// Removes every frame that is all silence (silence byte everywhere).
inline std::string WithoutSilentFrames(const std::string &raw, size_t frameBytes, char silence) {
    std::string out;
    for (size_t i = 0; i + frameBytes <= raw.size(); i += frameBytes) {
        const std::string frame = raw.substr(i, frameBytes);
        if (frame.find_first_not_of(silence) != std::string::npos)
            out += frame;
    }
    return out;
}

// The sound of 16-bit stereo values as captured: their bytes without the
// silent frames.
inline std::string Heard(const std::vector<int16_t> &values) {
    return WithoutSilentFrames(testwav::SampleBytes(values), 4, '\0');
}

// 16-bit stereo with no all-zero frame, and no two neighbours alike. The
// products are 64-bit: i * 104729 leaves int for i above 20505.
inline std::vector<int16_t> TestSignal(int frames) {
    std::vector<int16_t> v;
    for (int64_t i = 0; i < frames; ++i) {
        v.push_back(int16_t(1 + (i * 7919) % 32000));
        v.push_back(int16_t(-1 - (i * 104729) % 32000));
    }
    return v;
}

} // namespace alsacapture
