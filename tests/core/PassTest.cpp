// The per-file passes over generated files: clicks found where they were put,
// the removal output, the failure statuses and the stop.

#include "batch/BatchRunner.h"
#include "batch/FileMessages.h"
#include "support/RunnerFixture.h"
#include "support/TestWav.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// A quiet two-tone signal, frames long, with a spike of +20000 at each value
// index listed: the kind of click every sensitivity finds.
std::vector<int16_t> Signal(int32_t frames, const std::vector<int32_t> &spikes = {}) {
    std::vector<int16_t> values(size_t(frames) * 2);
    for (int32_t f = 0; f < frames; ++f) {
        values[size_t(f) * 2] = int16_t(std::lround(400 * std::sin(f * 0.031)));
        values[size_t(f) * 2 + 1] = int16_t(std::lround(300 * std::sin(f * 0.017)));
    }
    for (int32_t index : spikes)
        values[size_t(index)] = 20000;
    return values;
}

// The value indices of the detail log's records (frame * 2, +1 for "R").
std::vector<int32_t> LoggedIndices(const QStringList &detail) {
    std::vector<int32_t> out;
    for (qsizetype i = 0; i + 7 <= detail.size(); i += 7)
        out.push_back(detail[i + 3].toInt() * 2 + (detail[i + 2] == "R" ? 1 : 0));
    return out;
}

int32_t DataSizeField(const std::string &bytes) {
    return int32_t(uint8_t(bytes[40]) | uint8_t(bytes[41]) << 8 | uint8_t(bytes[42]) << 16 |
                   uint8_t(bytes[43]) << 24);
}

class PassTest : public PassFixture {};

TEST_F(PassTest, DetectionFindsClicksAcrossBlockBoundaries) {
    const std::vector<int32_t> spikes{1000, 131070, 131075, 200001};
    UseInput("a.wav", testwav::MakeWav(Signal(120000, spikes)));
    EXPECT_EQ(run.DetectPass(), Status::OK);
    EXPECT_EQ(run.clickCounter(), 4);
    EXPECT_EQ(LoggedIndices(run.detailLog().lines()), spikes);
    EXPECT_EQ(port.passLabels, std::vector<bool>{false});
    EXPECT_EQ(port.clickCountTexts.front(), "0");
    EXPECT_EQ(port.progressMax, 240000);
    EXPECT_EQ(port.rateTexts.back(), "100.0%");
    EXPECT_EQ(port.pumps, 2);
    EXPECT_FALSE(QFile::exists(run.file().outputPath));
}

TEST_F(PassTest, DetectionAndRemovalWithEqualThresholdsFindTheSameClicks) {
    settings.rdWL = settings.rdCL;
    settings.rdWLV = settings.rdCLV;
    settings.rdWT = settings.rdCT;
    settings.rdWTV = settings.rdCTV;
    const std::vector<int16_t> input = Signal(150000, {10, 99999, 131071, 262150, 299999});
    UseInput("a.wav", testwav::MakeWav(input));
    ASSERT_EQ(run.DetectPass(), Status::OK);
    const QStringList detected = run.detailLog().lines();
    run.detailLog().clear();
    ASSERT_EQ(run.RemovePass(), Status::OK);
    EXPECT_EQ(run.detailLog().lines(), detected);
    EXPECT_EQ(run.clickCounter(), 5);
    EXPECT_EQ(port.passLabels, (std::vector<bool>{false, true}));

    const std::vector<int16_t> output = testwav::SamplesAfter44(Output());
    ASSERT_EQ(output.size(), input.size());
    for (int32_t index : {10, 99999, 131071, 262150, 299999})
        EXPECT_LT(std::abs(output[size_t(index)]), 1000) << index;
}

TEST_F(PassTest, RemovalThatRepairsNothingCopiesTheSamples) {
    // 131,073 values: a full block and a block of one value; the odd data
    // byte and the chunk after the data are not part of the copy.
    std::vector<int16_t> input = Signal(65537);
    input.pop_back();
    testwav::Layout layout;
    layout.declaredDataSize = int32_t(input.size() * 2 + 1);
    layout.trailing = std::string("\x7f", 1) + "LIST" + std::string(4, '\0');
    std::string bytes = testwav::MakeWav(input, layout);
    UseInput("a.wav", bytes);
    ASSERT_EQ(run.RemovePass(), Status::OK);
    EXPECT_EQ(run.clickCounter(), 0);
    const std::string output = Output();
    const std::string samples = testwav::SampleBytes(input);
    ASSERT_EQ(output.size(), 44 + samples.size());
    EXPECT_TRUE(output.substr(44) == samples);
    EXPECT_EQ(DataSizeField(output), int32_t(samples.size()));
}

TEST_F(PassTest, EmptyDataGivesHeaderOnlyOutput) {
    UseInput("a.wav", testwav::MakeWav({}));
    EXPECT_EQ(run.DetectPass(), Status::OK);
    EXPECT_EQ(run.RemovePass(), Status::OK);
    const std::string output = Output();
    EXPECT_EQ(output.size(), 44u);
    EXPECT_EQ(DataSizeField(output), 0);
    EXPECT_EQ(port.pumps, 0);
}

TEST_F(PassTest, RejectedInputsGetTheirStatusAndMessage) {
    const std::string wav = testwav::MakeWav(Signal(100));
    testwav::Layout mono;
    mono.channels = 1;
    struct Case {
        const char *name;
        std::string bytes; // nothing written when empty
        RunStatus detectStatus, removeStatus;
        QStringList messages; // detection's, then removal's
    };
    const QString openFailed = QString::fromUtf8(kOpenFailedMessage);
    const Case cases[] = {
        {"a.txt",
         wav,
         Status::NotWaveFile,
         Status::NotWaveFile,
         {"a.txtはWaveファイルではありません。", "a.txtはWaveファイルではありません。"}},
        {"mono.wav",
         testwav::MakeWav(Signal(100), mono),
         Status::WaveFileFormatError,
         Status::WaveFileFormatError,
         {"mono.wavはこのプログラムで処理できません。"}},
        {"gone.wav",
         "",
         Status::WaveFileFormatError,
         Status::WaveFileFormatError,
         {openFailed, openFailed, "gone.wavはこのプログラムで処理できません。"}},
    };
    for (const Case &c : cases) {
        port.messages.clear();
        if (c.bytes.empty()) {
            run.file().inputName = c.name;
            run.file().inputPath = folder + c.name;
        } else {
            UseInput(c.name, c.bytes);
        }
        EXPECT_EQ(run.DetectPass(), c.detectStatus) << c.name;
        EXPECT_EQ(run.RemovePass(), c.removeStatus) << c.name;
        EXPECT_EQ(port.messages, c.messages) << c.name;
        EXPECT_FALSE(QFile::exists(run.file().outputPath)) << c.name;
    }
}

TEST_F(PassTest, OutputThatCannotBeCreatedLeavesTheInputAlone) {
    const std::string wav = testwav::MakeWav(Signal(100));
    UseInput("a.wav", wav);
    run.file().outputPath = folder + "missing/out.wav";
    EXPECT_EQ(run.RemovePass(), Status::WriteFileOpenError);
    EXPECT_EQ(port.messages, QStringList{QString::fromUtf8(kOpenFailedMessage)});

    // The output named as the input through a link: the input must survive.
    ASSERT_TRUE(QFile::link(run.file().inputPath, folder + "link.wav"));
    run.file().outputPath = folder + "link.wav";
    EXPECT_EQ(run.RemovePass(), Status::WriteFileOpenError);
    EXPECT_EQ(testwav::ReadFile(run.file().inputPath.toStdString()), wav);

    // An empty output-folder setting is not taken as the current folder.
    port.messages.clear();
    run.last().outputFolder.clear();
    run.file().outputPath = "a_won.wav";
    EXPECT_EQ(run.RemovePass(), Status::WriteFileOpenError);
    EXPECT_EQ(port.messages, QStringList{QString::fromUtf8("出力ファイルパスが設定されていません。")});
    EXPECT_FALSE(QFile::exists("a_won.wav"));
}

TEST_F(PassTest, DeclinedOverwriteKeepsTheOldOutput) {
    settings.ckOverW = true;
    UseInput("a.wav", testwav::MakeWav(Signal(100)));
    testwav::WriteFile(run.file().outputPath.toStdString(), "old");
    port.questionAnswers = {MsgAnswer::No};
    EXPECT_EQ(run.RemovePass(), Status::WriteFileOpenError);
    EXPECT_EQ(Output(), "old");
    EXPECT_EQ(port.questions.size(), 1);
}

TEST_F(PassTest, StopEndsThePassAtTheNextBlockBoundary) {
    UseInput("a.wav", testwav::MakeWav(Signal(200000, {50, 140000, 390000})));
    port.onPump = [this](int pump) {
        if (pump == 2)
            stop.raise();
    };
    EXPECT_EQ(run.DetectPass(), Status::Abort);
    EXPECT_EQ(run.clickCounter(), 2); // the clicks of the two blocks processed
    EXPECT_EQ(port.pumps, 2);

    port.pumps = 0;
    stop.clear(); // as the window does before it starts a run
    EXPECT_EQ(run.RemovePass(), Status::Abort);
    const std::string output = Output();
    EXPECT_EQ(DataSizeField(output), 2 * 131072 * 2);
    EXPECT_EQ(output.size(), 44u + 2 * 131072 * 2);
    const uint32_t riffSize = uint8_t(output[4]) | uint8_t(output[5]) << 8 |
                              uint8_t(output[6]) << 16 | uint32_t(uint8_t(output[7])) << 24;
    EXPECT_EQ(riffSize, output.size() - 8);
}

TEST_F(PassTest, StopDuringTheLastPumpStillAborts) {
    UseInput("a.wav", testwav::MakeWav(Signal(70000)));
    port.onPump = [this](int pump) {
        if (pump == 2)
            stop.raise();
    };
    EXPECT_EQ(run.RemovePass(), Status::Abort);
    EXPECT_EQ(DataSizeField(Output()), 140000 * 2);
}

TEST_F(PassTest, StoppedOutputIsReadableByOtherTools) {
    const QString sox = QStandardPaths::findExecutable("sox");
    const QString ffprobe = QStandardPaths::findExecutable("ffprobe");
    if (sox.isEmpty() && ffprobe.isEmpty())
        GTEST_SKIP() << "neither sox nor ffprobe installed";
    UseInput("a.wav", testwav::MakeWav(Signal(300000)));
    port.onPump = [this](int) { stop.raise(); };
    ASSERT_EQ(run.RemovePass(), Status::Abort);
    const auto runs = [](const QString &program, const QStringList &args) {
        QProcess process;
        process.start(program, args);
        return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0 && process.readAllStandardError().trimmed().isEmpty();
    };
    if (!sox.isEmpty()) {
        EXPECT_TRUE(runs(sox, {"--i", "-s", run.file().outputPath}));
    }
    if (!ffprobe.isEmpty()) {
        EXPECT_TRUE(runs(ffprobe, {"-v", "error", run.file().outputPath}));
    }
}

TEST_F(PassTest, InputThatShrinksDuringThePassIsNotReportedAsDone) {
    UseInput("a.wav", testwav::MakeWav(Signal(300000)));
    port.onPump = [this](int pump) {
        if (pump == 1) {
            ASSERT_EQ(::truncate(run.file().inputPath.toLocal8Bit().constData(), 1000), 0);
        }
    };
    EXPECT_EQ(run.RemovePass(), Status::InputFileOpenError);
    EXPECT_EQ(DataSizeField(Output()), 131072 * 2);
    EXPECT_EQ(Output().size(), 44u + 131072 * 2);
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_TRUE(port.messages[0].startsWith("a.wav"));
}

TEST_F(PassTest, LookAheadPastTheFileEndReadsZeroBytes) {
    // A click on the last frame needs the look-ahead to see its return. A file
    // that ends right after its data must behave as one followed by zero bytes
    // (never as one followed by the previous block's values), and a data chunk
    // cut in half keeps its one real byte as the low byte of the next value.
    std::vector<int16_t> values = Signal(65540);
    for (size_t i = 6; i < 180; ++i)
        values[i] = 15000; // what a stale look-ahead would hold
    values[values.size() - 2] = 20000;
    const std::string samples = testwav::SampleBytes(values);
    testwav::Layout cut, zeros, halfCut, halfZeros;
    zeros.trailing = std::string(160, '\0');
    halfCut.declaredDataSize = int32_t(samples.size() + 1);
    halfZeros.trailing = std::string("\x05\x00", 2) + std::string(158, '\0');
    const std::pair<std::string, std::string> pairs[] = {
        {testwav::MakeWavBytes(samples, cut), testwav::MakeWavBytes(samples, zeros)},
        {testwav::MakeWavBytes(samples + "\x05", halfCut),
         testwav::MakeWavBytes(samples, halfZeros)},
    };
    for (const auto &[ending, reference] : pairs) {
        UseInput("ref.wav", reference);
        ASSERT_EQ(run.DetectPass(), Status::OK);
        const QStringList expected = run.detailLog().lines();
        run.detailLog().clear();
        UseInput("ref.wav", ending);
        ASSERT_EQ(run.DetectPass(), Status::OK);
        EXPECT_EQ(run.detailLog().lines(), expected);
        EXPECT_EQ(LoggedIndices(run.detailLog().lines()).back(), int32_t(values.size()) - 2);
        run.detailLog().clear();
    }
}

TEST_F(PassTest, LongDetectionRefreshesTheDisplayEveryThirdBlock) {
    // 250 blocks of silence, made sparse so the test writes almost nothing.
    const int64_t dataBytes = int64_t{250} * kBlockValues * 2;
    UseInput("long.wav", testwav::MakeWavBytes({}, [&] {
                 testwav::Layout l;
                 l.declaredDataSize = int32_t(dataBytes);
                 return l;
             }()));
    ASSERT_EQ(::truncate(run.file().inputPath.toLocal8Bit().constData(), 44 + dataBytes), 0);
    ASSERT_EQ(run.DetectPass(), Status::OK);
    std::vector<int32_t> expected;
    for (int32_t block = 3; block <= 250; block += 3)
        expected.push_back(block * kBlockValues);
    expected.push_back(250 * kBlockValues);
    EXPECT_EQ(port.progressPositions, expected);
    EXPECT_EQ(port.clickCountTexts.size(), 1 + expected.size() - 1);
    EXPECT_EQ(port.pumps, 250);
}

} // namespace
