// The log export: the exact text, the cases with no log, and incomplete logs.

#include "batch/BatchRunner.h"
#include "batch/FileMessages.h"
#include "support/RunnerFixture.h"
#include "support/TestWav.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

const std::string kSummaryHead = "Summary of Noise Check\r\nID\tFileName\tNoise Count\tStatus\r\n";
const std::string kDetailHead = "\r\nDetail of Noise Check\r\nFileName\tID\tL/R\tNoisePostion\t"
                                "Time\tNoiseValue\tNoiseWidth\r\n";
const QString kNoLog = QString::fromUtf8("ログがありません。");
const QString kIncomplete =
    QString::fromUtf8("ログが不完全です。完全なレコードのみをエクスポートしました。");

class LogExportTest : public RunnerFixture {
protected:
    void SetUp() override {
        RunnerFixture::SetUp();
        runner.logFolder = folder;
        port.saveFileAnswer = folder + "export.txt";
    }
    void PutLogs(const QStringList &summary, const QStringList &detail) const {
        ASSERT_TRUE(WriteLogLines(folder + "NoiseLog0.dat", summary));
        ASSERT_TRUE(WriteLogLines(folder + "NoiseLog1.dat", detail));
    }
    std::string Exported() const { return testwav::ReadFile(port.saveFileAnswer.toStdString()); }
};

TEST_F(LogExportTest, ExportsSummaryThenDetailTabSeparated) {
    PutLogs({"1", "clean.wav", "0", "OK", "2", QString::fromUtf8("録音.wav"), "2", "Noise Detect"},
            {QString::fromUtf8("録音.wav"), "1", "L", "50", "00H 00M 00S 001mS", "-20000", "1",
             QString::fromUtf8("録音.wav"), "2", "R", "15000", "00H 00M 00S 340mS", "20000", "0"});
    runner.mExportClick();
    EXPECT_EQ(Exported(), kSummaryHead +
                              "1\tclean.wav\t0\tOK\r\n"
                              "2\t\x98\x5e\x89\xb9.wav\t2\tNoise Detect\r\n" +
                              kDetailHead +
                              "\x98\x5e\x89\xb9.wav\t1\tL\t50\t00H 00M 00S 001mS\t-20000\t1\r\n"
                              "\x98\x5e\x89\xb9.wav\t2\tR\t15000\t00H 00M 00S 340mS\t20000\t0\r\n");
    EXPECT_TRUE(port.messages.isEmpty());
    ASSERT_EQ(port.saveDialogs.size(), 1u);
    EXPECT_EQ(port.saveDialogs[0].title,
              QString::fromUtf8("ログをエクスポートするファイル名を指定ください。"));
    EXPECT_EQ(port.saveDialogs[0].filter, "Text File(.txt)|*.txt");
    EXPECT_EQ(port.saveDialogs[0].suffix, "txt");
}

TEST_F(LogExportTest, EmptyDetailGivesItsHeadersOnlyAndASecondExportReplaces) {
    testwav::WriteFile(port.saveFileAnswer.toStdString(), std::string(5000, 'x'));
    PutLogs({"1", "a.wav", "0", "OK"}, {});
    runner.mExportClick();
    runner.mExportClick();
    EXPECT_EQ(Exported(), kSummaryHead + "1\ta.wav\t0\tOK\r\n" + kDetailHead);
    EXPECT_TRUE(port.messages.isEmpty());
}

TEST_F(LogExportTest, NothingIsWrittenWithoutALogOrAChoice) {
    runner.logFolder.clear();
    runner.mExportClick(); // no run since start-up
    runner.logFolder = folder;
    runner.mExportClick(); // no summary file
    EXPECT_EQ(port.messages, (QStringList{kNoLog, kNoLog}));
    EXPECT_TRUE(port.saveDialogs.empty());

    PutLogs({"1", "a.wav", "0", "OK"}, {});
    port.saveFileAnswer.clear(); // the dialog cancelled
    runner.mExportClick();
    EXPECT_EQ(port.messages.size(), 2);
    EXPECT_EQ(port.saveDialogs.size(), 1u);

    port.saveFileAnswer = folder + "missing/export.txt";
    runner.mExportClick();
    EXPECT_EQ(port.messages.back(), QString::fromUtf8(kOpenFailedMessage));
}

TEST_F(LogExportTest, IncompleteLogsExportWholeRecordsAndSaySo) {
    struct Case {
        QStringList summary, detail;
        bool detailFile;
        std::string body; // what follows the summary header
    };
    const QStringList record{"a.wav", "1", "L", "5", "00H 00M 00S 000mS", "9", "1"};
    const Case cases[] = {
        {{"1", "a.wav", "1", "Noise Detect"},
         {},
         false,
         "1\ta.wav\t1\tNoise Detect\r\n" + kDetailHead},
        {{"1", "a.wav", "1", "Noise Detect", "2", "b.wav"},
         record,
         true,
         "1\ta.wav\t1\tNoise Detect\r\n" + kDetailHead +
             "a.wav\t1\tL\t5\t00H 00M 00S 000mS\t9\t1\r\n"},
        {{"1", "a.wav", "1", "Noise Detect"},
         record + QStringList{"a.wav", "2"},
         true,
         "1\ta.wav\t1\tNoise Detect\r\n" + kDetailHead +
             "a.wav\t1\tL\t5\t00H 00M 00S 000mS\t9\t1\r\n"},
    };
    for (const Case &c : cases) {
        port.messages.clear();
        PutLogs(c.summary, c.detail);
        if (!c.detailFile)
            QFile::remove(folder + "NoiseLog1.dat");
        runner.mExportClick();
        EXPECT_EQ(Exported(), kSummaryHead + c.body);
        EXPECT_EQ(port.messages, QStringList{kIncomplete});
    }
}

// The export never replaces a file of the run, whatever name leads to it; a
// link to another file is followed, as the user meant its target.
TEST_F(LogExportTest, ExportRefusesTheRunsFilesAndFollowsALinkToAnother) {
    PutLogs({"1", "a.wav", "0", "OK"}, {});
    testwav::WriteFile((folder + "a.wav").toStdString(), "input");
    runner.protectedFiles.Add(folder + "a.wav");
    ASSERT_TRUE(QFile::link(folder + "a.wav", folder + "to-input.txt"));
    ASSERT_EQ(::link((folder + "a.wav").toLocal8Bit(), (folder + "hard.txt").toLocal8Bit()), 0);
    ASSERT_TRUE(QDir(folder).mkdir("sub"));
    for (const QString name : {"NoiseLog0.dat", "NoiseLog1.dat", "a.wav", "to-input.txt",
                               "hard.txt", "sub", "missing/x.txt"}) {
        SCOPED_TRACE(name.toStdString());
        port.saveFileAnswer = folder + name;
        runner.writeFailed = false;
        runner.mExportClick();
        EXPECT_TRUE(runner.writeFailed);
    }
    EXPECT_EQ(testwav::ReadFile((folder + "a.wav").toStdString()), "input");
    EXPECT_EQ(ReadLogLines(folder + "NoiseLog0.dat"), (QStringList{"1", "a.wav", "0", "OK"}));
    EXPECT_EQ(port.messages, QStringList(7, QString::fromUtf8("ファイルのオープンに失敗しました。")));

    testwav::WriteFile((folder + "mine.txt").toStdString(), "old");
    ASSERT_TRUE(QFile::link(folder + "mine.txt", folder + "link.txt"));
    port.saveFileAnswer = folder + "link.txt";
    runner.writeFailed = false;
    runner.mExportClick();
    EXPECT_FALSE(runner.writeFailed);
    EXPECT_TRUE(QFileInfo(folder + "link.txt").isSymLink());
    EXPECT_EQ(testwav::ReadFile((folder + "mine.txt").toStdString()),
              kSummaryHead + "1\ta.wav\t0\tOK\r\n" + kDetailHead);
}

TEST_F(LogExportTest, ExportAfterADetectionRun) {
    const std::vector<int16_t> clean(2000, 0);
    std::vector<int16_t> clicks(2000, 0);
    clicks[100] = 20000;
    clicks[1001] = -20000;
    testwav::WriteFile((folder + "a.wav").toStdString(), testwav::MakeWav(clean));
    testwav::WriteFile((folder + "b.wav").toStdString(), testwav::MakeWav(clicks));
    runner.inputFolder = folder;
    port.selectedNames = {"a.wav", "b.wav"};
    runner.DetectRun();
    port.messages.clear();
    runner.mExportClick();
    const std::string text = Exported();
    EXPECT_EQ(text, kSummaryHead + "1\ta.wav\t0\tOK\r\n2\tb.wav\t2\tNoise Detect\r\n" +
                        kDetailHead + "b.wav\t1\tL\t50\t00H 00M 00S 001mS\t20000\t1\r\n" +
                        "b.wav\t2\tR\t500\t00H 00M 00S 011mS\t-20000\t1\r\n");
    EXPECT_TRUE(port.messages.isEmpty());
}

} // namespace
