// End to end through the real main window: generated WAV files in a folder,
// selected in edFile, runs started and stopped with the window's own buttons,
// the boxes and the save dialog scripted.

#include "TForm1Fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

namespace {

const QString kDetectEnd = QStringLiteral("\r\n\r\n終了します。");
const QString kRemoveEnd = QStringLiteral("終了しました。");
const QString kOpenFailed = QStringLiteral("ファイルのオープンに失敗しました。");

constexpr int kFrames = 100000;     // two blocks of the run's block loop
constexpr int kSpikeLeft = 30000;   // value index: left channel, frame 15000, first block
constexpr int kSpikeRight = 150001; // right channel, frame 75000, second block
constexpr int kDataOffset = 44;

QString DetectEnd(int problems) {
    return QStringLiteral("問題ファイル数：  ") + QString::number(problems) + kDetectEnd;
}

QByteArray Crlf(const QStringList &lines) {
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toLatin1() + "\r\n";
    return bytes;
}

int16_t ValueAt(const QByteArray &file, int valueIndex) {
    const int at = kDataOffset + valueIndex * 2;
    return static_cast<int16_t>(uint16_t(uint8_t(file[at])) | uint16_t(uint8_t(file[at + 1])) << 8);
}

uint32_t DataSizeField(const QByteArray &file) {
    uint32_t size = 0;
    for (int i = 0; i < 4; ++i)
        size |= uint32_t(uint8_t(file[40 + i])) << (8 * i);
    return size;
}

} // namespace

class TForm1RunTest : public TForm1Fixture {
protected:
    // a_clean.wav: no clicks; b_clicks.wav: two spikes; c_text.wav: not a
    // wave file; d_mono.wav: a wave file of the wrong layout.
    void WriteTestFiles() {
        WriteBytes(QStringLiteral("a_clean.wav"), testwav::MakeWav(SineWithSpikes(kFrames)));
        WriteBytes(QStringLiteral("b_clicks.wav"),
                   testwav::MakeWav(SineWithSpikes(kFrames, {kSpikeLeft, kSpikeRight})));
        WriteBytes(QStringLiteral("c_text.wav"), "just some text, not RIFF");
        testwav::Layout mono;
        mono.channels = 1;
        WriteBytes(QStringLiteral("d_mono.wav"), testwav::MakeWav({1, 2, 3, 4}, mono));
    }

    void StartWithFiles(const Settings &s = Settings::Defaults()) {
        WriteTestFiles();
        StartIn(s);
    }

    QStringList Row(int row) const {
        QStringList cells;
        for (int column = 0; column < 4; ++column) {
            const QTableWidgetItem *item = form->StringGrid1->item(row, column);
            cells << (item ? item->text() : QString());
        }
        return cells;
    }

    static QStringList R(const char *ordinal, const char *name, const char *count,
                         const QString &status) {
        return {QString::fromLatin1(ordinal), QString::fromLatin1(name), QString::fromLatin1(count),
                status};
    }

    void ExpectIdleControls() {
        for (QWidget *w : std::initializer_list<QWidget *>{form->cdDel, form->cdCheck, form->cdEnd,
                                                           form->edFile, form->ckMakeFile})
            EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
        EXPECT_TRUE(form->mFile->menuAction()->isEnabled());
        EXPECT_FALSE(form->runner.running());
    }
};

TEST_F(TForm1RunTest, DetectionRowsLogsAndEndMessageOverMixedFiles) {
    StartWithFiles();
    Select({"a_clean.wav", "b_clicks.wav", "c_text.wav", "d_mono.wav"});
    form->cdCheck->click();

    EXPECT_EQ(messages, QStringList{DetectEnd(3)});
    ASSERT_EQ(form->StringGrid1->rowCount(), 4);
    EXPECT_EQ(Row(0), R("1", "a_clean.wav", "0", "OK"));
    EXPECT_EQ(Row(1), R("2", "b_clicks.wav", "2", "Noise Detect"));
    EXPECT_EQ(Row(2), R("3", "c_text.wav", "0", "Wave File Format Error"));
    EXPECT_EQ(Row(3), R("4", "d_mono.wav", "0", "Wave File Format Error"));
    EXPECT_EQ(form->StringGrid1->currentRow(), 3);
    EXPECT_FALSE(form->lbCHECK->isHidden());
    EXPECT_TRUE(form->lbDEL->isHidden());
    EXPECT_EQ(form->edRate->text(), QStringLiteral("100.0%"));
    ExpectIdleControls();

    EXPECT_EQ(form->runner.lastRun().logFolder, data + '/');
    EXPECT_EQ(ReadBytes(DataPath("NoiseLog0.dat")),
              Crlf({"1", "a_clean.wav", "0", "OK", "2", "b_clicks.wav", "2", "Noise Detect", "3",
                    "c_text.wav", "0", "Wave File Format Error", "4", "d_mono.wav", "0",
                    "Wave File Format Error"}));
    // Frames 15000 and 75000 at 44,100 frames per second; the spike's value, one value wide.
    EXPECT_EQ(ReadBytes(DataPath("NoiseLog1.dat")),
              Crlf({"b_clicks.wav", "1", "L", "15000", "00H 00M 00S 340mS", "20000", "1",
                    "b_clicks.wav", "2", "R", "75000", "00H 00M 01S 700mS", "20000", "1"}));
}

TEST_F(TForm1RunTest, NothingSelectedClearsTheGridAndSaysSo) {
    StartWithFiles();
    form->SetResultRow(1, "1", "old", "0", Status::OK);
    form->cdCheck->click();
    form->cdDel->click();
    EXPECT_EQ(messages,
              (QStringList{"ファイルが選択されていません。", "ファイルが選択されていません。"}));
    EXPECT_EQ(form->StringGrid1->rowCount(), 5);
    EXPECT_EQ(Row(0), R("", "", "", ""));
    EXPECT_FALSE(QFile::exists(DataPath("NoiseLog0.dat")));
    ExpectIdleControls();
}

TEST_F(TForm1RunTest, RemovalRepairsClicksCopiesCleanFilesAndReportsRejectedOnes) {
    StartWithFiles();
    Select({"a_clean.wav", "b_clicks.wav", "c_text.wav"});
    form->cdDel->click();

    EXPECT_EQ(messages, (QStringList{"c_text.wavはこのプログラムで処理できません。", kRemoveEnd}));
    EXPECT_EQ(Row(0), R("1", "a_clean.wav", "0", "NO Noise at a_clean_won.wav"));
    EXPECT_EQ(Row(1), R("2", "b_clicks.wav", "2", "Noise Delete at b_clicks_won.wav"));
    EXPECT_EQ(Row(2), R("3", "c_text.wav", "0", "Wave File Format Error"));
    EXPECT_FALSE(form->lbDEL->isHidden());
    EXPECT_TRUE(form->lbCHECK->isHidden());
    ExpectIdleControls();

    // Nothing to repair: the copy is the input, byte for byte.
    EXPECT_EQ(ReadBytes(DataPath("a_clean_won.wav")), ReadBytes(DataPath("a_clean.wav")));
    const QByteArray in = ReadBytes(DataPath("b_clicks.wav"));
    const QByteArray out = ReadBytes(DataPath("b_clicks_won.wav"));
    ASSERT_EQ(out.size(), in.size());
    EXPECT_EQ(out.left(kDataOffset), in.left(kDataOffset));
    for (int spike : {kSpikeLeft, kSpikeRight}) {
        EXPECT_EQ(ValueAt(in, spike), 20000);
        EXPECT_LT(std::abs(ValueAt(out, spike) - ValueAt(out, spike - 2)), 200) << spike;
    }
    EXPECT_EQ(ValueAt(out, 1000), ValueAt(in, 1000)); // far from any click
    EXPECT_FALSE(QFile::exists(DataPath("c_text_won.wav")));
}

TEST_F(TForm1RunTest, RemovalWithDetectionResultSkipsFilesFoundClean) {
    StartWithFiles();
    Select({"a_clean.wav", "b_clicks.wav"});
    form->cdCheck->click();
    form->ckBYCheck->setChecked(true);
    form->cdDel->click();

    EXPECT_EQ(messages, (QStringList{DetectEnd(1), kRemoveEnd}));
    EXPECT_EQ(Row(0), R("1", "a_clean.wav", "0", "Pass No Noise"));
    EXPECT_EQ(Row(1), R("2", "b_clicks.wav", "2", "Noise Delete at b_clicks_won.wav"));
    EXPECT_FALSE(QFile::exists(DataPath("a_clean_won.wav")));
    EXPECT_TRUE(QFile::exists(DataPath("b_clicks_won.wav")));
}

TEST_F(TForm1RunTest, TypedOutputNameIsNumberedForSeveralFiles) {
    Settings s = Settings::Defaults();
    s.ckAuto = false;
    StartWithFiles(s);
    Select({"a_clean.wav"});
    form->cdDel->click(); // no name typed: no run
    EXPECT_EQ(messages, QStringList{"出力ファイル名を指定してください"});
    EXPECT_EQ(Row(0), R("", "", "", ""));
    ExpectIdleControls();

    messages.clear();
    form->edOutFile->setText(QStringLiteral("clean.mp3"));
    form->cdDel->click();
    EXPECT_EQ(Row(0), R("1", "a_clean.wav", "0", "NO Noise at clean.wav"));
    EXPECT_TRUE(QFile::exists(DataPath("clean.wav")));

    Select({"a_clean.wav", "b_clicks.wav", "d_mono.wav"});
    form->cdDel->click();
    EXPECT_EQ(Row(0), R("1", "a_clean.wav", "0", "NO Noise at clean_01.wav"));
    EXPECT_EQ(Row(1), R("2", "b_clicks.wav", "2", "Noise Delete at clean_02.wav"));
    EXPECT_EQ(Row(2), R("3", "d_mono.wav", "0", "Wave File Format Error"));
    EXPECT_TRUE(QFile::exists(DataPath("clean_01.wav")));
    EXPECT_TRUE(QFile::exists(DataPath("clean_02.wav")));
    EXPECT_FALSE(QFile::exists(DataPath("clean_03.wav")));
}

TEST_F(TForm1RunTest, OutputFolderThatCannotBeWrittenFailsEachFileAndGoesOn) {
    Settings s = Settings::Defaults();
    s.ckSameDir = false;
    s.outPath = tmp.filePath(QStringLiteral("missing/folder"));
    StartWithFiles(s);
    Select({"a_clean.wav", "b_clicks.wav"});
    form->cdDel->click();
    EXPECT_EQ(Row(0), R("1", "a_clean.wav", "0", "Write File Open Error"));
    EXPECT_EQ(Row(1), R("2", "b_clicks.wav", "0", "Write File Open Error"));
    EXPECT_EQ(messages, (QStringList{kOpenFailed, kOpenFailed, kRemoveEnd}));
    EXPECT_EQ(form->runner.lastRun().outputFolder, s.outPath + '/');
}

TEST_F(TForm1RunTest, StopInTheMiddleOfAFileEndsTheRunWithAbort) {
    StartWithFiles();
    Select({"b_clicks.wav", "d_mono.wav"});
    // The first event pump of the run comes after the first block of b_clicks.wav.
    QTimer::singleShot(0, form->cdStop, &QPushButton::click);
    form->cdDel->click();

    EXPECT_EQ(form->StringGrid1->rowCount(), 1);
    EXPECT_EQ(Row(0), R("1", "b_clicks.wav", "1", "Abort"));
    EXPECT_EQ(messages, QStringList{kRemoveEnd});
    // The partial output is a well-formed file holding the processed block.
    const QByteArray out = ReadBytes(DataPath("b_clicks_won.wav"));
    EXPECT_EQ(out.size(), kDataOffset + 131072 * 2);
    EXPECT_EQ(DataSizeField(out), uint32_t(out.size() - kDataOffset));
    EXPECT_FALSE(QFile::exists(DataPath("d_mono_won.wav")));
    EXPECT_EQ(ReadBytes(DataPath("NoiseLog0.dat")), Crlf({"1", "b_clicks.wav", "1", "Abort"}));
    ExpectIdleControls();
}

TEST_F(TForm1RunTest, ClosingDuringARunWaitsForTheBlockThenRunsTheExitSteps) {
    StartWithFiles();
    Select({"b_clicks.wav", "d_mono.wav"});
    bool closed = false;
    QObject::connect(form.get(), &TForm1::closed, [&] { closed = true; });
    QTimer::singleShot(0, form.get(), [this] {
        form->close();
        // The close waits for the run; the run is still going here.
        EXPECT_TRUE(form->runner.running());
        EXPECT_TRUE(form->closePending());
    });
    form->cdDel->click();

    EXPECT_TRUE(closed);
    EXPECT_TRUE(messages.isEmpty()); // no end message after a close
    EXPECT_EQ(Row(0), R("1", "b_clicks.wav", "1", "Abort"));
    EXPECT_EQ(form->StringGrid1->rowCount(), 1);
    const QByteArray out = ReadBytes(DataPath("b_clicks_won.wav"));
    EXPECT_EQ(DataSizeField(out), uint32_t(out.size() - kDataOffset));
    // The run saved its logs, then the exit steps removed them and saved the settings.
    EXPECT_FALSE(QFile::exists(DataPath("NoiseLog0.dat")));
    EXPECT_FALSE(QFile::exists(DataPath("NoiseLog1.dat")));
    ASSERT_TRUE(LoadSettings(start).restoreFolder.has_value());
    EXPECT_EQ(*LoadSettings(start).restoreFolder, data);
}

TEST_F(TForm1RunTest, ExportWritesSummaryThenDetailAsTabSeparatedLines) {
    StartWithFiles();
    form->mExport->trigger();
    EXPECT_EQ(messages, QStringList{"ログがありません。"});
    EXPECT_TRUE(saveTitles.isEmpty());

    messages.clear();
    form->ckMakeFile->setChecked(true);
    Select({"a_clean.wav", "b_clicks.wav"});
    form->cdCheck->click();
    saveAnswer = tmp.filePath(QStringLiteral("export.txt"));
    form->mExport->trigger();

    EXPECT_EQ(messages, QStringList{DetectEnd(1)});
    EXPECT_EQ(saveTitles, QStringList{"ログをエクスポートするファイル名を指定ください。"});
    EXPECT_EQ(saveFilters, QStringList{"Text File(.txt)|*.txt txt"});
    EXPECT_EQ(ReadCp932Lines(saveAnswer),
              (QStringList{"Summary of Noise Check", "ID\tFileName\tNoise Count\tStatus",
                           "1\ta_clean.wav\t0\tOK", "2\tb_clicks.wav\t2\tNoise Detect", "",
                           "Detail of Noise Check",
                           "FileName\tID\tL/R\tNoisePostion\tTime\tNoiseValue\tNoiseWidth",
                           "b_clicks.wav\t1\tL\t15000\t00H 00M 00S 340mS\t20000\t1",
                           "b_clicks.wav\t2\tR\t75000\t00H 00M 01S 700mS\t20000\t1"}));

    // Cancelled dialog: nothing written, nothing said.
    QFile::remove(saveAnswer);
    saveAnswer.clear();
    form->mExport->trigger();
    EXPECT_FALSE(QFile::exists(tmp.filePath(QStringLiteral("export.txt"))));
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(TForm1RunTest, DetailDataOffKeepsOnlyTheSummary) {
    StartWithFiles();
    form->ckMakeFile->setChecked(false);
    Select({"b_clicks.wav"});
    form->cdCheck->click();
    EXPECT_EQ(Row(0), R("1", "b_clicks.wav", "2", "Noise Detect"));
    EXPECT_EQ(ReadBytes(DataPath("NoiseLog1.dat")), QByteArray());
}
