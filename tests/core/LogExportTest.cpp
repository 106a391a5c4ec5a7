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
        run.last().logFolder = folder;
        saveFileAnswer = folder + "export.txt";
    }
    // The file menu's export as the main window drives it: the save dialog
    // only when there is a log, the export only when a file was chosen.
    void Export() {
        if (!runner.HasLogToExport())
            return;
        ++saveDialogs;
        if (!saveFileAnswer.isEmpty())
            runner.ExportToFile(saveFileAnswer);
    }
    bool WriteFailed() const { return runner.lastRun().writeFailed; }
    QString saveFileAnswer; // the save dialog's choice; empty = cancelled
    int saveDialogs = 0;
    void PutLogs(const QStringList &summary, const QStringList &detail) const {
        ASSERT_TRUE(WriteLogLines(folder + "NoiseLog0.dat", summary));
        ASSERT_TRUE(WriteLogLines(folder + "NoiseLog1.dat", detail));
    }
    std::string Exported() const { return testwav::ReadFile(saveFileAnswer.toStdString()); }
};

TEST_F(LogExportTest, ExportsSummaryThenDetailTabSeparated) {
    PutLogs({"1", "clean.wav", "0", "OK", "2", QString::fromUtf8("録音.wav"), "2", "Noise Detect"},
            {QString::fromUtf8("録音.wav"), "1", "L", "50", "00H 00M 00S 001mS", "-20000", "1",
             QString::fromUtf8("録音.wav"), "2", "R", "15000", "00H 00M 00S 340mS", "20000", "0"});
    Export();
    EXPECT_EQ(Exported(), kSummaryHead +
                              "1\tclean.wav\t0\tOK\r\n"
                              "2\t\x98\x5e\x89\xb9.wav\t2\tNoise Detect\r\n" +
                              kDetailHead +
                              "\x98\x5e\x89\xb9.wav\t1\tL\t50\t00H 00M 00S 001mS\t-20000\t1\r\n"
                              "\x98\x5e\x89\xb9.wav\t2\tR\t15000\t00H 00M 00S 340mS\t20000\t0\r\n");
    EXPECT_TRUE(port.messages.isEmpty());
    EXPECT_EQ(saveDialogs, 1);
}

TEST_F(LogExportTest, EmptyDetailGivesItsHeadersOnlyAndASecondExportReplaces) {
    testwav::WriteFile(saveFileAnswer.toStdString(), std::string(5000, 'x'));
    PutLogs({"1", "a.wav", "0", "OK"}, {});
    Export();
    Export();
    EXPECT_EQ(Exported(), kSummaryHead + "1\ta.wav\t0\tOK\r\n" + kDetailHead);
    EXPECT_TRUE(port.messages.isEmpty());
}

TEST_F(LogExportTest, NothingIsWrittenWithoutALogOrAChoice) {
    run.last().logFolder.clear();
    Export(); // no run since start-up
    run.last().logFolder = folder;
    Export(); // no summary file
    EXPECT_EQ(port.messages, (QStringList{kNoLog, kNoLog}));
    EXPECT_EQ(saveDialogs, 0);

    PutLogs({"1", "a.wav", "0", "OK"}, {});
    saveFileAnswer.clear(); // the dialog cancelled
    Export();
    EXPECT_EQ(port.messages.size(), 2);
    EXPECT_EQ(saveDialogs, 1);

    saveFileAnswer = folder + "missing/export.txt";
    Export();
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
        Export();
        EXPECT_EQ(Exported(), kSummaryHead + c.body);
        EXPECT_EQ(port.messages, QStringList{kIncomplete});
    }
}

// The export never replaces a file of the run, whatever name leads to it; a
// link to another file is followed, as the user meant its target.
TEST_F(LogExportTest, ExportRefusesTheRunsFilesAndFollowsALinkToAnother) {
    PutLogs({"1", "a.wav", "0", "OK"}, {});
    testwav::WriteFile((folder + "a.wav").toStdString(), "input");
    runner.keptFiles().Add(folder + "a.wav");
    ASSERT_TRUE(QFile::link(folder + "a.wav", folder + "to-input.txt"));
    ASSERT_EQ(::link((folder + "a.wav").toLocal8Bit(), (folder + "hard.txt").toLocal8Bit()), 0);
    ASSERT_TRUE(QDir(folder).mkdir("sub"));
    for (const QString name : {"NoiseLog0.dat", "NoiseLog1.dat", "a.wav", "to-input.txt",
                               "hard.txt", "sub", "missing/x.txt"}) {
        SCOPED_TRACE(name.toStdString());
        saveFileAnswer = folder + name;
        run.last().writeFailed = false;
        Export();
        EXPECT_TRUE(WriteFailed());
    }
    EXPECT_EQ(testwav::ReadFile((folder + "a.wav").toStdString()), "input");
    EXPECT_EQ(ReadLogLines(folder + "NoiseLog0.dat"), (QStringList{"1", "a.wav", "0", "OK"}));
    EXPECT_EQ(port.messages, QStringList(7, QString::fromUtf8("ファイルのオープンに失敗しました。")));

    testwav::WriteFile((folder + "mine.txt").toStdString(), "old");
    ASSERT_TRUE(QFile::link(folder + "mine.txt", folder + "link.txt"));
    saveFileAnswer = folder + "link.txt";
    run.last().writeFailed = false;
    Export();
    EXPECT_FALSE(WriteFailed());
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
    port.selectedNames = {"a.wav", "b.wav"};
    Detect();
    port.messages.clear();
    Export();
    const std::string text = Exported();
    EXPECT_EQ(text, kSummaryHead + "1\ta.wav\t0\tOK\r\n2\tb.wav\t2\tNoise Detect\r\n" +
                        kDetailHead + "b.wav\t1\tL\t50\t00H 00M 00S 001mS\t20000\t1\r\n" +
                        "b.wav\t2\tR\t500\t00H 00M 00S 011mS\t-20000\t1\r\n");
    EXPECT_TRUE(port.messages.isEmpty());
}

} // namespace
