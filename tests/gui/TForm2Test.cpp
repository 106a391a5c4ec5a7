// The wave window driven as a user drives it from the main window: after a
// detection run, after a removal run, in file mode; stepping through the list,
// double clicks and Enter, the dump, and closing.

#include "Pixels.h"
#include "TForm1Fixture.h"
#include "batch/ClickList.h"
#include "wavewindow/TForm2.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

namespace {

using namespace pixels;

constexpr int kFrames = 20000;
// Clicks at frames 2000 (left), 6000 (right) and 10000 (left), value 20000:
// the ring stands 64 pixels above its zero line (20000 x 105 / 32767).
const std::vector<int> kSpikes = {4000, 12001, 20000};

// Left: a quiet sine around 0; right: the same, rising gently to stand around
// 8000 from frame 1000 on, so a read that starts at the wrong value shows.
std::vector<int16_t> Music() {
    std::vector<int16_t> values = SineWithSpikes(kFrames);
    for (size_t i = 1; i < values.size(); i += 2)
        values[i] = int16_t(values[i] / 4 + std::min<int>(int(i / 2) * 8, 8000));
    for (int index : kSpikes)
        values[size_t(index)] = 20000;
    return values;
}

class TForm2Test : public TForm1Fixture {
protected:
    // take.wav (with a LIST chunk before its data) and other.wav, both with clicks.
    void StartWithMusic(Settings s = Settings::Defaults()) {
        testwav::Layout withList;
        withList.chunksBeforeData = {{"LIST", std::string(26, 'x')}};
        WriteBytes(QStringLiteral("take.wav"), testwav::MakeWav(Music(), withList));
        WriteBytes(QStringLiteral("other.wav"), testwav::MakeWav(Music()));
        StartIn(s);
        wave = std::make_unique<TForm2>(*form);
        form->waveWindow = wave.get();
    }
    void Run(QPushButton *button, const QStringList &names = {"take.wav"}) {
        Select(names);
        button->click();
        messages.clear();
        form->StringGrid1->setCurrentCell(0, 1);
    }
    QStringList Visible() const {
        QStringList shown;
        for (QAction *item : {wave->Exit1, wave->NextN1, wave->BackB1, wave->P1, wave->S1,
                              wave->P2, wave->S2, wave->D1, wave->S4, wave->D2, wave->S3,
                              wave->NumericData1})
            if (item->isVisible())
                shown << item->objectName();
        return shown;
    }
    QRgb At(int x, int y) const { return wave->canvas->image().pixel(x, y); }
    bool AnyIn(QRect area, QRgb colour) const { return pixels::AnyIn(wave->canvas->image(), area, colour); }
    bool BlueIn(QRect area) const { return AnyIn(area, kBlue); }
    void PressEnter() {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QCoreApplication::sendEvent(wave->StringGrid1, &press);
    }
    QStringList Dump() {
        saveAnswer = DataPath("dump.txt");
        wave->NumericData1->trigger();
        return ReadCp932Lines(saveAnswer);
    }
    std::unique_ptr<TForm2> wave;
};

TEST_F(TForm2Test, AfterADetectionRunListsStepsAndMarksTheInputsClicks) {
    StartWithMusic();
    Run(form->cdCheck);
    form->cdView->click();

    EXPECT_TRUE(wave->isVisible());
    EXPECT_FALSE(form->isEnabled());
    // The boxes and the dump's save dialog can still be used.
    EXPECT_TRUE(form->DialogParent()->isEnabled());
    form->PrepareSaveDialog("title", "Text File(.txt)|*.txt", "txt");
    EXPECT_TRUE(form->dlSAVE->isEnabled());
    EXPECT_EQ(wave->windowTitle(), QStringLiteral("Wave Window   After Check"));
    EXPECT_EQ(Visible(), (QStringList{"Exit1", "NextN1", "BackB1", "P1", "D1", "NumericData1"}));
    EXPECT_EQ(wave->statusText(), QStringLiteral("InPut File Name: take.wav      Noise Count: 3"
                                                 "      PlayTime:00H 00M 00S 453mS"));
    EXPECT_EQ(wave->shownFileName, QStringLiteral("take.wav"));
    EXPECT_EQ(wave->inputName, QStringLiteral("take.wav"));
    ASSERT_EQ(wave->StringGrid1->rowCount(), 3);
    EXPECT_EQ(wave->StringGrid1->item(1, 2)->text(), QStringLiteral("6000"));
    // The input is drawn, read past its LIST chunk: the spike and the right
    // channel around 8000 (25 pixels above its zero line).
    EXPECT_EQ(At(168, 41), kRed);
    EXPECT_TRUE(BlueIn(QRect(165, 45, 1, 40)));
    EXPECT_TRUE(BlueIn(QRect(10, 295, 1, 10)));
    EXPECT_FALSE(BlueIn(QRect(10, 0, 1, 90)));
    EXPECT_TRUE(messages.isEmpty());

    wave->NextN1->trigger(); // the right channel's click
    EXPECT_EQ(wave->noisePosition, 6000);
    EXPECT_EQ(At(168, 261), kRed);
    wave->NextN1->trigger();
    const QImage last = wave->canvas->image();
    wave->NextN1->trigger();
    EXPECT_EQ(messages, QStringList{QStringLiteral("次のデータはありません。")});
    EXPECT_EQ(wave->canvas->image(), last);
    EXPECT_EQ(wave->StringGrid1->currentRow(), 2);
    wave->BackB1->trigger();
    wave->BackB1->trigger();
    const QImage first = wave->canvas->image();
    wave->BackB1->trigger();
    EXPECT_EQ(messages.size(), 2);
    EXPECT_EQ(messages.last(), QStringLiteral("次のデータはありません。"));
    EXPECT_EQ(wave->canvas->image(), first);
    EXPECT_EQ(wave->noisePosition, 2000);

    // Selecting a row shows nothing; a double click or Enter shows it.
    wave->StringGrid1->setCurrentCell(2, 1);
    EXPECT_EQ(wave->noisePosition, 2000);
    wave->StringGrid1DblClick();
    EXPECT_EQ(wave->noisePosition, 10000);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("10000"));
    wave->StringGrid1->setCurrentCell(1, 1);
    PressEnter();
    EXPECT_EQ(wave->noiseSide, QStringLiteral("R"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("10000"));

    // Frames before the start and past the end of the data are drawn as silence.
    auto silentFrom = [this](int fromX, int toX, int zeroY) {
        for (int x = fromX; x <= toX; ++x)
            if (At(x, zeroY) != kBlue)
                return false;
        return true;
    };
    wave->noisePosition = 0;
    wave->ShowClick();
    EXPECT_TRUE(silentFrom(0, 160, 105));
    EXPECT_FALSE(silentFrom(170, 328, 105));
    wave->noisePosition = kFrames - 1;
    wave->ShowClick();
    EXPECT_TRUE(silentFrom(170, 328, 325)); // the last frame drawn stands at x 328
    EXPECT_FALSE(silentFrom(0, 160, 325));

    wave->Exit1->trigger();
    EXPECT_FALSE(wave->isVisible());
    EXPECT_TRUE(form->isEnabled());
}

TEST_F(TForm2Test, AfterARemovalRunDrawsAndDumpsTheOutputsOwnSamples) {
    StartWithMusic();
    Run(form->cdDel);
    form->StringGrid1DblClick();

    EXPECT_EQ(wave->windowTitle(), QStringLiteral("Wave Window   After Delete"));
    EXPECT_EQ(Visible(), (QStringList{"Exit1", "NextN1", "BackB1", "P2", "D2", "NumericData1"}));
    EXPECT_EQ(wave->statusText(), QStringLiteral("OutPut File Name: take_won.wav      Noise Count: "
                                                 "3      PlayTime:00H 00M 00S 453mS"));
    EXPECT_EQ(wave->shownFileName, QStringLiteral("take_won.wav"));
    EXPECT_EQ(wave->inputName, QStringLiteral("take.wav"));
    // The repaired output has no spike; the ring still marks the click. Its
    // header lost the LIST chunk, so its samples start elsewhere than the input's.
    EXPECT_EQ(At(168, 41), kRed);
    EXPECT_FALSE(BlueIn(QRect(165, 45, 1, 40)));
    EXPECT_TRUE(BlueIn(QRect(10, 295, 1, 10)));

    const std::vector<int16_t> output =
        testwav::SamplesAfter44(testwav::ReadFile(DataPath("take_won.wav").toStdString()));
    QStringList expected{QStringLiteral("FileName:take_won.wav Channel:Lch  NoisePosition:2000 "
                                        "DumpLength:50")};
    for (int frame = 1975; frame < 2025; ++frame)
        expected << QString::number(output[size_t(frame) * 2]);
    EXPECT_EQ(Dump(), expected);
    EXPECT_EQ(saveTitles, QStringList{QStringLiteral("エクスポートするファイル名を指定ください。")});
    // A click in the right channel still dumps the left one.
    wave->NextN1->trigger();
    EXPECT_TRUE(Dump().constFirst().contains(QStringLiteral(" Channel:Lch  NoisePosition:6000 ")));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(TForm2Test, FileModeShowsEmptyAxesAndOnlyThePlayItems) {
    StartWithMusic();
    wave->WaveFormW1Click();
    EXPECT_EQ(messages, QStringList{QStringLiteral("ファイルが選択されていません。")});
    WriteBytes(QStringLiteral("text.wav"), "not a wave");
    Refresh();
    Select({"text.wav"});
    form->WaveFormW1->trigger();
    EXPECT_EQ(messages.last(), QStringLiteral("Waveファイルフォーマットではありません。"));
    EXPECT_FALSE(wave->isVisible());

    Select({"other.wav"});
    form->WaveFormW1->trigger();
    EXPECT_TRUE(wave->isVisible());
    EXPECT_FALSE(form->isEnabled());
    EXPECT_EQ(wave->windowTitle(), QStringLiteral("Wave Window"));
    EXPECT_EQ(Visible(), (QStringList{"Exit1", "P1", "D1"}));
    EXPECT_EQ(wave->statusText(), QStringLiteral("InPut File Name: ") + DataPath("other.wav") +
                                      QStringLiteral("   PlayTime:00H 00M 00S 453mS"));
    EXPECT_EQ(wave->shownFileName, QStringLiteral("other.wav"));
    EXPECT_EQ(form->inputFolder, data + '/');
    EXPECT_EQ(wave->noisePosition, 0);
    // Axes only: the "0" at the left end of the time axis, no waveform.
    EXPECT_FALSE(BlueIn(QRect(0, 0, 331, 433)));
    EXPECT_TRUE(AnyIn(QRect(1, 216, 10, 11), kBlack)); // "0"
    EXPECT_TRUE(AnyIn(QRect(332, 212, 29, 12), kBlack)); // "2.9ms"

    // Empty rows: a double click and Enter do nothing, the clipboard is untouched.
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    wave->StringGrid1->setCurrentCell(0, 1);
    wave->StringGrid1DblClick();
    PressEnter();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    EXPECT_EQ(messages.size(), 2);

    wave->close();
    EXPECT_EQ(Visible(), (QStringList{"Exit1", "NextN1", "BackB1", "P1", "D1", "NumericData1"}));
    EXPECT_TRUE(form->isEnabled());
}

TEST_F(TForm2Test, OpensOnlyOnARunsListedClicks) {
    Settings s = Settings::Defaults();
    s.LogMax = 1; // take.wav's 3 clicks fill the log; other.wav's are dropped
    StartWithMusic(s);
    Run(form->cdCheck, {"take.wav", "other.wav"});
    form->StringGrid1->setCurrentCell(1, 1);
    form->cdView->click();
    EXPECT_EQ(messages, QStringList{kLogOverLimit});
    form->StringGrid1->setCurrentCell(0, 1);
    form->ckMakeFile->setChecked(false);
    form->cdView->click();
    form->StringGrid1DblClick();
    EXPECT_FALSE(wave->isVisible());
    form->ckMakeFile->setChecked(true);
    form->ResetResultGrid();
    form->cdView->click();
    EXPECT_EQ(messages.last(), kNoDataToCheck);

    // At most 5001 of a file's clicks are listed.
    QStringList log;
    for (int id = 1; id <= 5002; ++id)
        log << "take.wav" << QString::number(id) << "L" << "100" << "00H 00M 00S 002mS" << "5"
            << "1";
    ASSERT_TRUE(WriteLogLines(DataPath("NoiseLog1.dat"), log));
    form->SetResultRow(1, "1", "take.wav", "5002", Status::NoiseDetect);
    form->cdView->click();
    EXPECT_EQ(wave->StringGrid1->rowCount(), kMaxListedClicks);
    EXPECT_TRUE(wave->isVisible());
    EXPECT_EQ(messages.size(), 2);
}

TEST_F(TForm2Test, AnInputThatHasGoneShowsSilenceAndNoPlayTime) {
    StartWithMusic();
    Run(form->cdCheck);
    ASSERT_TRUE(QFile::remove(DataPath("take.wav")));
    form->cdView->click();
    EXPECT_TRUE(wave->isVisible());
    EXPECT_EQ(wave->statusText(),
              QStringLiteral("InPut File Name: take.wav      Noise Count: 3"));
    EXPECT_EQ(wave->wave.dataBytes, 0); // no header of another file stays current
    EXPECT_TRUE(BlueIn(QRect(0, 105, 331, 1)));
    EXPECT_FALSE(BlueIn(QRect(0, 0, 331, 104)));
    EXPECT_TRUE(messages.contains(QStringLiteral("ファイルのオープンに失敗しました。")));
}

} // namespace
