// A write that fails inside the removal loop, made real with a file size limit
// in a child process: the pass must stop, leave a truthful header and end the run.

#include "batch/BatchRunner.h"
#include "support/RecordingPort.h"
#include "support/RunnerProbe.h"
#include "support/TestWav.h"

#include <QDir>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr rlim_t kFileSizeLimit = 400000; // room for one block of output, not two

// Runs body in a child whose files may not grow past limit (with
// SIGXFSZ ignored, so an oversized write fails instead of killing it), and
// returns the text the body produced, or an empty text if the child failed.
std::string RunWithFileSizeLimit(const std::function<std::string()> &body,
                                 rlim_t limitBytes = kFileSizeLimit) {
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        const rlimit limit{limitBytes, limitBytes};
        std::signal(SIGXFSZ, SIG_IGN);
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ::_exit(2);
        const std::string out = body();
        const bool sent = ::write(fds[1], out.data(), out.size()) == ssize_t(out.size());
        ::_exit(sent ? 0 : 3);
    }
    ::close(fds[1]);
    std::string out;
    char buffer[256];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        out.append(buffer, size_t(n));
    ::close(fds[0]);
    int status = 0;
    const bool ok = child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
                    WEXITSTATUS(status) == 0;
    return ok ? out : std::string();
}

std::string Wav(int32_t frames) {
    return testwav::MakeWav(std::vector<int16_t>(size_t(frames) * 2, 7));
}

int32_t DataSizeField(const std::string &bytes) {
    return int32_t(uint8_t(bytes[40]) | uint8_t(bytes[41]) << 8 | uint8_t(bytes[42]) << 16 |
                   uint8_t(bytes[43]) << 24);
}

// The messages and the grid of a run, as one text the child can hand back.
std::string Transcript(const RecordingPort &port) {
    return (port.messages.join('|') + "#" + port.Statuses().join('|')).toStdString();
}

class BatchDriveFullTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString folder;

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        folder = dir.path() + "/";
    }
    std::string Read(const QString &name) const {
        return testwav::ReadFile((folder + name).toStdString());
    }
    // A removal pass of big.wav into out.wav under a file size limit: its
    // messages and status.
    std::string RemoveBigUnderLimit(rlim_t limit = kFileSizeLimit) const {
        return RunWithFileSizeLimit(
            [this] {
                Settings settings = Settings::Defaults();
                RecordingPort port;
                StopRequest stop;
                BatchRunner runner(settings, port, stop);
                RunnerProbe run(runner);
                run.file().inputName = "big.wav";
                run.file().inputPath = folder + "big.wav";
                run.last().outputFolder = folder;
                run.file().outputPath = folder + "out.wav";
                const QString status = run.RemovePass().text();
                return (port.messages.join('|') + "#" + status).toStdString();
            },
            limit);
    }
};

TEST_F(BatchDriveFullTest, FailedWriteEndsThePassWithATruthfulHeader) {
    testwav::WriteFile((folder + "big.wav").toStdString(), Wav(200000));
    const std::string transcript = RemoveBigUnderLimit();
    EXPECT_EQ(transcript, "ドライブの空き容量が不足しています。#No Drive Space");
    const std::string output = Read("out.wav");
    ASSERT_GE(output.size(), 44u);
    EXPECT_EQ(DataSizeField(output), 131072 * 2);
    EXPECT_EQ(output.size(), 44u + 131072 * 2);
}

// An output that cannot even take its header is not left behind: a file that
// is no WAV would trouble the next program that opens it.
TEST_F(BatchDriveFullTest, HeaderThatCannotBeWrittenLeavesNoOutput) {
    testwav::WriteFile((folder + "big.wav").toStdString(), Wav(1000));
    const std::string transcript = RemoveBigUnderLimit(20);
    EXPECT_EQ(transcript, "ドライブの空き容量が不足しています。#No Drive Space");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"big.wav"});
}

TEST_F(BatchDriveFullTest, FullDriveEndsTheRunAfterThatFile) {
    testwav::WriteFile((folder + "a.wav").toStdString(), Wav(1000));
    testwav::WriteFile((folder + "b.wav").toStdString(), Wav(200000));
    testwav::WriteFile((folder + "c.wav").toStdString(), Wav(1000));
    const std::string transcript = RunWithFileSizeLimit([this] {
        Settings settings = Settings::Defaults();
        RecordingPort port;
        port.selectedNames = {"a.wav", "b.wav", "c.wav"};
        StopRequest stop;
        BatchRunner runner(settings, port, stop);
        runner.Run(port.RequestFor(RunRequest::Kind::Remove, folder));
        return Transcript(port);
    });
    EXPECT_EQ(transcript, "ドライブの空き容量が不足しています。|終了しました。#"
                          "NO Noise at a_won.wav|No Drive Space");
    EXPECT_EQ(Read("NoiseLog0.dat"),
              "1\r\na.wav\r\n0\r\nNO Noise at a_won.wav\r\n2\r\nb.wav\r\n0\r\nNo Drive Space\r\n");
}

} // namespace
