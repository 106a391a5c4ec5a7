// The runs with several files at once, driven as the batch command drives
// them: the same rows, messages, answers asked for, logs and outputs as one
// file at a time (and, under the sanitizers, no race between the passes).

#include "batch/BatchRunner.h"
#include "support/RecordingPort.h"
#include "support/TestWav.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

namespace {

std::vector<int16_t> ClickedTone(int frames, int clicks, int period) {
    std::vector<int16_t> v(size_t(frames) * 2);
    for (int f = 0; f < frames; ++f) {
        const auto s = int16_t(std::lround(9000.0 * std::sin(f * 2.0 * M_PI / period)));
        v[size_t(f) * 2] = s;
        v[size_t(f) * 2 + 1] = int16_t(s / 2);
    }
    for (int k = 1; k <= clicks; ++k)
        v[size_t(k * (frames / (clicks + 1))) * 2 + size_t(k % 2)] = int16_t(k % 3 ? 30000 : -30000);
    return v;
}

struct RunLeft {
    QStringList rows, messages, questions;
    // Each file's progress as shown: its range, and the last position in it.
    std::vector<std::pair<int32_t, int32_t>> progress;
    QMap<QString, QByteArray> files;
};

class BatchJobsRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        folder_ = dir_.path() + "/";
        // b.WAV's output is b.wav's: the second waits for the first. The
        // first file is the longest, so later files end before it.
        names_ = {"a.wav", "b.wav", "b.WAV", "c.wav", "junk.wav", "d.wav", "e.wav"};
        for (int i = 0; i < names_.size(); ++i)
            if (names_[i] != "junk.wav")
                testwav::WriteFile((folder_ + names_[i]).toStdString(),
                                   testwav::MakeWav(ClickedTone(i == 0 ? 600000 : 60000 + 7000 * i,
                                                                8 * (i + 1), 90 + i)));
        testwav::WriteFile((folder_ + "junk.wav").toStdString(), "RIFF....WAVEjunk");
        settings_.LogMax = 50; // cut inside c.wav: 8 + 16 + 24 clicks before it
    }

    // One run in a fresh runner, then the outputs and logs it left, removed.
    RunLeft RunWith(RunRequest::Kind kind, int32_t jobs, std::deque<MsgAnswer> answers = {}) {
        // An output there from before: the overwrite question, answered No once.
        testwav::WriteFile((folder_ + "b_won.wav").toStdString(), "old");
        RecordingPort port;
        port.selectedNames = names_;
        port.questionAnswers = std::move(answers);
        StopRequest stop;
        BatchRunner runner(settings_, port, stop);
        RunRequest request = port.RequestFor(kind, folder_);
        request.jobs = jobs;
        runner.Run(request);
        RunLeft left;
        for (const RecordingPort::Row &row : port.rows)
            left.rows << row.ordinalText + ' ' + row.name + ' ' + row.count + ' ' + row.status;
        left.messages = port.messages;
        left.questions = port.questions;
        left.progress = port.progressRanges;
        QDir d(folder_);
        for (const QString &name : d.entryList(QDir::Files | QDir::Hidden)) {
            if (names_.contains(name))
                continue;
            QFile f(folder_ + name);
            EXPECT_TRUE(f.open(QIODevice::ReadOnly));
            left.files[name] = f.readAll();
            d.remove(name);
        }
        return left;
    }

    QTemporaryDir dir_;
    QString folder_;
    QStringList names_;
    Settings settings_ = Settings::Defaults();
};

TEST_F(BatchJobsRunTest, SeveralFilesAtOnceLeaveWhatOneAtATimeLeaves) {
    for (const RunRequest::Kind kind : {RunRequest::Kind::Detect, RunRequest::Kind::Remove}) {
        for (const MsgAnswer answer : {MsgAnswer::Yes, MsgAnswer::No}) {
            const RunLeft inTurn = RunWith(kind, 1, {answer});
            ASSERT_EQ(inTurn.rows.size(), names_.size());
            EXPECT_EQ(inTurn.files.value("NoiseLog1.dat").count("\r\n"), 51 * 7);
            for (const int32_t jobs : {2, 3, 8}) {
                const RunLeft together = RunWith(kind, jobs, {answer});
                EXPECT_EQ(together.rows, inTurn.rows) << jobs;
                EXPECT_EQ(together.messages, inTurn.messages) << jobs;
                EXPECT_EQ(together.questions, inTurn.questions) << jobs;
                // The file the run waits for shows its progress, to its end.
                EXPECT_EQ(together.progress, inTurn.progress) << jobs;
                EXPECT_EQ(together.files.keys(), inTurn.files.keys()) << jobs;
                for (const QString &name : inTurn.files.keys())
                    EXPECT_EQ(together.files[name], inTurn.files[name])
                        << jobs << " " << name.toStdString();
            }
        }
    }
}

} // namespace
