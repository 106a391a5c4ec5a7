// The noise logs: record contents, the LogMax rule, the result rows, the log
// folder's life and the files byte for byte.

#include "batch/BatchRunner.h"
#include "batch/FileMessages.h"
#include "batch/WritePreviewFile.h"
#include "support/ScriptedMessages.h"
#include "support/RecordingPort.h"
#include "support/RunnerProbe.h"
#include "support/TestWav.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class NoiseLogTest : public ::testing::Test {
protected:
    Settings settings;
    RecordingPort port;
    StopRequest stop;
    BatchRunner runner{settings, port, stop};
    RunnerProbe run{runner};
    QTemporaryDir dir;

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        settings.LogMax = 1000;
        run.request().inputFolder = dir.path() + "/";
    }
    std::string Bytes(const QString &name) const {
        return testwav::ReadFile((runner.lastRun().logFolder + name).toStdString());
    }
    void Touch(const QString &path) const { testwav::WriteFile(path.toStdString(), "x"); }
};

TEST(LogTextTest, FormatClickTime) {
    const std::pair<int64_t, const char *> cases[] = {
        {0, "00H 00M 00S 000mS"},
        {441, "00H 00M 00S 010mS"},
        {44100, "00H 00M 01S 000mS"},
        {2000000, "00H 00M 45S 351mS"},
        {158760000, "01H 00M 00S 000mS"},
        // Past the 32-bit product: the time must keep counting, not wrap.
        {214748365, "01H 21M 09S 577mS"},
        {int64_t{100} * 3600 * 44100, "100H 00M 00S 000mS"},
        {int64_t{12345} * 3600 * 44100 + 44099, "12345H 00M 00S 999mS"},
        {-44100, "00H 00M -1S 000mS"},
        // Before the start (the sign counts in the field's width, as in a
        // formatted print): the logs of such clicks must read as they always have.
        {-45, "00H 00M 00S -01mS"},
        {-441, "00H 00M 00S -10mS"},
        {-44100 * 61, "00H -1M -1S 000mS"},
        {-1073741824, "-6H -45M -47S -887mS"},
        {-1587600000, "-10H 00M 00S 000mS"},
    };
    for (const auto &[frame, text] : cases)
        EXPECT_EQ(FormatClickTime(frame), QString::fromLatin1(text)) << frame;
}

// Plain ASCII takes a shortcut past the converter; every text must still come
// out as the converter itself writes and reads it, control characters (which
// CP932 does not map to themselves) and mixed text included.
TEST(LogTextTest, TextIsWrittenAndReadAsTheCodePageConverterDoes) {
    QStringList texts = {QString(), "12345", "00H 00M 45S 351mS", "take1.wav",
                         QString::fromUtf8("録音①～.wav"), QString::fromUtf8("a\x1a\x1c\x7f~\\b"),
                         QString::fromUtf8("café 3")};
    for (char16_t c = 0; c < 0x80; ++c)
        texts << QString(QChar(c)) + QStringLiteral("x");
    for (const QString &text : texts) {
        QStringEncoder encoder("CP932");
        const QByteArray bytes = encoder.encode(text);
        EXPECT_EQ(EncodeLogText(text), bytes) << text.toStdString();
        QByteArray line = "before";
        AppendLogLine(line, text);
        EXPECT_EQ(line, "before" + bytes + "\r\n") << text.toStdString();
        QStringDecoder decoder("CP932");
        const QString back = decoder.decode(bytes);
        EXPECT_EQ(DecodeLogText(bytes), back) << text.toStdString();
        EXPECT_EQ(DecodeLogText(bytes).isNull(), back.isNull()) << text.toStdString();
    }
}

TEST(LogTextTest, LoggedFileNameKeepsOnlyWhatTheLogsCanHold) {
    const std::pair<QString, QString> cases[] = {
        {"take1.wav", "take1.wav"},
        {QString::fromUtf8("録音①～.wav"), QString::fromUtf8("録音①～.wav")},
        {"a\tb\nc\rd.wav", "a?b?c?d.wav"},
        {QString::fromUtf8("café\x7f.wav"), "caf??.wav"},
        {QString::fromUtf8("😀 \\~.wav"), "? \\~.wav"},
    };
    for (const auto &[name, logged] : cases)
        EXPECT_EQ(LoggedFileName(name), logged) << name.toStdString();
}

TEST(LogTextTest, ReadLogLinesSplitsAtEveryLineEnd) {
    QTemporaryDir dir;
    const QString path = dir.filePath("log.dat");
    const std::pair<std::string, QStringList> cases[] = {
        {"", {}},
        {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
        {"a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"\x98\x5e\r\n", {QString::fromUtf8("録")}},
    };
    for (const auto &[bytes, lines] : cases) {
        testwav::WriteFile(path.toStdString(), bytes);
        bool ok = false;
        EXPECT_EQ(ReadLogLines(path, &ok), lines);
        EXPECT_TRUE(ok);
        // Lines in memory (a detail log being written) split by the same rule.
        EXPECT_EQ(SplitLogLines(QByteArray::fromStdString(bytes)), lines);
    }
    bool ok = true;
    EXPECT_TRUE(ReadLogLines(dir.filePath("missing.dat"), &ok).isEmpty());
    EXPECT_FALSE(ok);
}

TEST_F(NoiseLogTest, ClickRecordHoldsSevenFields) {
    run.file().inputName = "song.wav";
    runner.AddClickRecord(1, 0, 1200, 2);
    runner.AddClickRecord(2, 5, 0x18000, 0); // value taken as signed 16-bit
    const QStringList expected{"song.wav", "1", "L", "0", "00H 00M 00S 000mS", "1200",   "2",
                               "song.wav", "2", "R", "2", "00H 00M 00S 000mS", "-32768", "0"};
    EXPECT_EQ(run.detailLog().lines(), expected);
}

// The detail record is written straight as bytes; every line must be what the
// code page's converter writes for its text, a CR LF after it, whatever the
// file's name (one byte, two bytes, held only as "?") and however large or
// negative the numbers. The files alternate, so a name kept from the file
// before would show.
TEST_F(NoiseLogTest, ClickRecordBytesAreTheConvertersForEveryLine) {
    struct Case {
        QString name;
        int32_t id, index, value, width;
        QStringList lines; // the name in its logged form, then the other six
    };
    const QString japanese = QString::fromUtf8("録音①～.wav");
    const QString katakana = QString::fromUtf8("ｶﾀｶﾅ 1.wav");
    const Case cases[] = {
        {"take1.wav", 1, 0, 0, 0, {"take1.wav", "1", "L", "0", "00H 00M 00S 000mS", "0", "0"}},
        {japanese, INT32_MAX, INT32_MAX, -1, INT32_MAX,
         {japanese, "2147483647", "R", "1073741823", "06H 45M 47S 887mS", "-1", "2147483647"}},
        {"take1.wav", 7, -3, 0x18000, -1,
         {"take1.wav", "7", "R", "-1", "00H 00M 00S 000mS", "-32768", "-1"}},
        {"a\tb.wav", 100, INT32_MIN, 32767, 1,
         {"a?b.wav", "100", "L", "-1073741824", "-6H -45M -47S -887mS", "32767", "1"}},
        {katakana, 99999, 176401, -0x18001, 10,
         {katakana, "99999", "R", "88200", "00H 00M 02S 000mS", "32767", "10"}},
        {japanese, 2, 4, 1200, 3, {japanese, "2", "L", "2", "00H 00M 00S 000mS", "1200", "3"}},
    };
    run.request().files = {"x.wav"};
    run.PrepareLogFolder();
    QByteArray expected;
    for (const Case &c : cases) {
        run.file().inputName = c.name;
        runner.AddClickRecord(c.id, c.index, c.value, c.width);
        for (const QString &line : c.lines)
            expected += QStringEncoder("CP932").encode(line) + "\r\n";
    }
    run.SaveLogs();
    EXPECT_EQ(QByteArray::fromStdString(Bytes("NoiseLog1.dat")), expected);
}

// The record's numbers against QString::number at every change in their
// count of digits, as the id, frame and width lines hold them.
TEST(LogTextTest, DetailRecordNumbersAreDecimalAtEveryLength) {
    QList<int32_t> numbers{INT32_MIN, INT32_MAX, INT32_MIN + 1};
    for (int64_t power = 1; power <= 1000000000; power *= 10)
        for (const int64_t n : {power - 1, power, power + 1})
            numbers << int32_t(n) << int32_t(-n);
    for (const int32_t n : numbers) {
        QByteArray bytes;
        AppendDetailRecord(bytes, "f", n, n, 0, n);
        const QStringList lines = SplitLogLines(bytes);
        ASSERT_EQ(lines.size(), kDetailRecordLines) << n;
        EXPECT_EQ(lines[kDetailIdLine], QString::number(n));
        EXPECT_EQ(lines[kDetailFrameLine], QString::number(n / 2));
        EXPECT_EQ(lines[kDetailWidthLine], QString::number(n));
    }
}

TEST_F(NoiseLogTest, ClickRecordSkippedForIdZeroOrUncheckedBox) {
    runner.AddClickRecord(0, 4, 100, 1);
    run.request().makeDetail = false;
    runner.AddClickRecord(1, 4, 100, 1);
    EXPECT_TRUE(run.detailLog().isEmpty());
}

TEST_F(NoiseLogTest, LogMaxTakesOneRecordBeyondTheLimit) {
    run.file().inputName = "f";
    for (int32_t id = 1; id <= 1005; ++id)
        runner.AddClickRecord(id, id * 2, 5, 1);
    ASSERT_EQ(run.detailLog().size(), 7007);
    EXPECT_EQ(run.detailLog().lines()[7000], "f");
    EXPECT_EQ(run.detailLog().lines()[7001], "1001");
}

TEST_F(NoiseLogTest, LogMaxLimitDoesNotOverflow) {
    settings.LogMax = 400000000; // 7 x LogMax is past 32 bits
    runner.AddClickRecord(1, 2, 5, 1);
    EXPECT_EQ(run.detailLog().size(), 7);
}

TEST_F(NoiseLogTest, FileRowsFillGridSummaryAndProblemCount) {
    run.AddFileRow(0, 0, {}, {});
    run.AddFileRow(1, 0, Status::OK, "a.wav");
    run.AddFileRow(2, 3, Status::NoiseDetect, "b\tc.wav");
    run.AddFileRow(3, 0, Status::NotWaveFile, "d.wav");
    EXPECT_EQ(runner.lastRun().problemFileCount, 2);
    ASSERT_EQ(port.rows.size(), 3u);
    EXPECT_EQ(port.rows[1].name, "b\tc.wav"); // the grid shows the name itself
    EXPECT_EQ(port.rows[1].count, "3");
    EXPECT_EQ(run.summaryLog(), (QStringList{"1", "a.wav", "0", "OK", "2", "b?c.wav", "3",
                                              "Noise Detect", "3", "d.wav", "0", "Not Wave File"}));

    run.AddFileRow(0, 0, {}, {});
    EXPECT_EQ(runner.lastRun().problemFileCount, 0);
    EXPECT_TRUE(port.rows.empty());
    EXPECT_EQ(run.summaryLog().size(), 12); // a reset leaves the summary alone
}

TEST_F(NoiseLogTest, SaveLogsWritesCp932WithCrLfAfterEveryLine) {
    run.request().files = {"x.wav", "y.wav"};
    run.PrepareLogFolder();
    EXPECT_EQ(runner.lastRun().selectedAtStart, 2);
    run.file().inputName = QString::fromUtf8("録音.wav");
    runner.AddClickRecord(1, 3, -7, 4);
    run.AddFileRow(1, 1, Status::NoiseDetect, run.file().inputName);
    run.SaveLogs();

    EXPECT_EQ(Bytes("NoiseLog1.dat"), "\x98\x5e\x89\xb9.wav\r\n1\r\nR\r\n1\r\n"
                                      "00H 00M 00S 000mS\r\n-7\r\n4\r\n");
    EXPECT_EQ(Bytes("NoiseLog0.dat"), "1\r\n\x98\x5e\x89\xb9.wav\r\n1\r\nNoise Detect\r\n");
    EXPECT_TRUE(run.detailLog().isEmpty());
    EXPECT_TRUE(run.summaryLog().isEmpty());
    EXPECT_TRUE(port.messages.isEmpty());

    run.SaveLogs(); // empty lists give empty files, replacing the old ones
    EXPECT_EQ(Bytes("NoiseLog1.dat"), "");
    EXPECT_EQ(Bytes("NoiseLog0.dat"), "");
}

TEST_F(NoiseLogTest, SaveLogsReportsEachFileItCannotWrite) {
    run.request().inputFolder = dir.path() + "/gone/";
    run.PrepareLogFolder();
    run.summaryLog() << "1";
    run.SaveLogs();
    ASSERT_EQ(port.messages.size(), 2);
    EXPECT_TRUE(port.messages[0].startsWith(runner.lastRun().logFolder + "NoiseLog1.dat"));
    EXPECT_TRUE(port.messages[1].startsWith(runner.lastRun().logFolder + "NoiseLog0.dat"));
}

// The logs follow the run from folder to folder, and so does the preview's
// work file, but only the very one the program wrote: a user's file of that
// name stays.
TEST_F(NoiseLogTest, LogsLiveInOneFolderAtATime) {
    const QString folderA = dir.path() + "/A/";
    const QString folderB = dir.path() + "/B/";
    const QString folderC = dir.path() + "/C/";
    ASSERT_TRUE(QDir().mkpath(folderA) && QDir().mkpath(folderB) && QDir().mkpath(folderC));
    const QStringList logs{"NoiseLog0.dat", "NoiseLog1.dat"};
    for (const QString &name : logs)
        Touch(folderA + name);
    WaveFile wave;
    ScriptedMessages messages;
    const QString input = folderA + "a.wav";
    testwav::WriteFile(input.toStdString(), testwav::MakeWav({1, 2}));
    ASSERT_TRUE(ReadWaveHeaderOrTell(wave, input, messages));
    const int16_t block[] = {3, 4};
    ASSERT_TRUE(WritePreviewFile(block, 1, folderA + kPlaybackFileName, wave,
                                 runner.keptFiles(), messages));
    Touch(folderB + kPlaybackFileName); // the user's own

    run.request().inputFolder = folderA;
    run.PrepareLogFolder(); // first run after start-up: nothing to remove
    run.PrepareLogFolder(); // same folder again: the files stay for overwriting
    for (const QString &name : logs + QStringList{kPlaybackFileName})
        EXPECT_TRUE(QFile::exists(folderA + name)) << name.toStdString();

    run.request().inputFolder = folderB;
    run.PrepareLogFolder();
    EXPECT_EQ(runner.lastRun().logFolder, folderB);
    for (const QString &name : logs + QStringList{kPlaybackFileName})
        EXPECT_FALSE(QFile::exists(folderA + name)) << name.toStdString();
    run.request().inputFolder = folderC;
    run.PrepareLogFolder();
    EXPECT_TRUE(QFile::exists(folderB + kPlaybackFileName));
}

} // namespace
