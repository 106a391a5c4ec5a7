// The wave window's play and stop items on a scripted sound device: which
// file each plays from which frame, the menus during and after a playback,
// stopping and closing, and the repaired-block playback's temporary file.

#include "TForm1Fixture.h"
#include "batch/FileMessages.h"
#include "player/FakeSoundOutput.h"
#include "wavewindow/TForm2.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QWindow>
#include <QtTest/QTest>
#include <map>

namespace {

constexpr int kFrames = 30000;

// Left: a quiet sine with clicks at frames 6000 and 26000; right: a ramp,
// rising by one a frame from 0, so every frame played says where it stands
// in the file.
std::vector<int16_t> RampWithClicks() {
    std::vector<int16_t> values = SineWithSpikes(kFrames, {2 * 6000, 2 * 26000});
    for (int f = 0; f < kFrames; ++f)
        values[size_t(2 * f + 1)] = int16_t(f);
    return values;
}

class TForm2PlayTest : public TForm1Fixture {
protected:
    enum class Run { Detection, Removal };
    // Runs on take.wav and opens the wave window on its first click.
    void Open(Run kind, Settings s = Settings::Defaults()) {
        WriteBytes(QStringLiteral("take.wav"), testwav::MakeWav(RampWithClicks()));
        StartIn(s);
        auto device = std::make_unique<FakeSoundOutput>(log);
        fake = device.get();
        wave = std::make_unique<TForm2>(*form, std::make_unique<TWavePlayer>(std::move(device)));
        form->waveWindow = wave.get();
        Select({QStringLiteral("take.wav")});
        (kind == Run::Removal ? form->cdDel : form->cdCheck)->click();
        form->StringGrid1->setCurrentCell(0, 1);
        form->cdView->click();
        messages.clear();
    }

    // Plays item; during the playback (at its first pump) notes the menus
    // and runs then.
    void Play(QAction *item, const std::function<void()> &then = {}) {
        log.played.clear();
        QTimer::singleShot(0, wave.get(), [this, then] {
            during = Menus();
            makeFileDuring = form->ckMakeFile->isChecked();
            countShownDuring = wave->lbNCount->isVisible();
            if (then)
                then();
        });
        item->trigger();
    }

    // Shown items, with a "-" after those disabled; then the grid and Option1.
    QStringList Menus() const {
        QStringList items;
        for (QAction *item : {wave->Exit1, wave->NextN1, wave->BackB1, wave->P1, wave->S1, wave->P2,
                              wave->S2, wave->D1, wave->S4, wave->D2, wave->S3})
            if (item->isVisible())
                items << item->objectName() + (item->isEnabled() ? "" : "-");
        items << (wave->StringGrid1->isEnabled() ? "grid" : "grid-");
        items << (wave->Option1->menuAction()->isEnabled() ? "Option1" : "Option1-");
        return items;
    }

    std::vector<int16_t> Heard() const {
        std::vector<int16_t> values;
        for (const auto &buffer : log.played)
            for (size_t i = 0; i + 1 < buffer.size(); i += 2)
                values.push_back(int16_t(buffer[i] | (buffer[i + 1] << 8)));
        return values;
    }
    // The file frame the playback started at, read off the ramp.
    int FirstFrame() const {
        const auto heard = Heard();
        return heard.size() < 2 ? -1 : heard[1];
    }
    // Whether the click at frame was heard as it is in the input.
    bool ClickHeardAt(int frame) const {
        const auto heard = Heard();
        const size_t at = size_t(2 * (frame - FirstFrame()));
        return at < heard.size() && heard[at] == 20000;
    }

    // Alt+key on the wave window, through the window system as a user's press.
    void PressAlt(Qt::Key key) { QTest::keyClick(wave.get(), key, Qt::AltModifier); }

    // Counts every trigger of the wave window's menu items, by name.
    void CountTriggers() {
        for (QAction *item : wave->findChildren<QAction *>())
            QObject::connect(item, &QAction::triggered, wave.get(),
                             [this, item] { ++triggered[item->objectName()]; });
    }

    // The main window takes the focus, as it does when a box over it closes.
    void MainWindowTakesFocus() {
        form->windowHandle()->requestActivate();
        ASSERT_EQ(ActiveWindow(), form.get());
    }
    // The active window once the pending activations are through.
    QWidget *ActiveWindow() const {
        QCoreApplication::processEvents();
        return QApplication::activeWindow();
    }

    FakeDeviceLog log;
    FakeSoundOutput *fake = nullptr; // owned by the wave window's player
    std::map<QString, int> triggered;
    std::unique_ptr<TForm2> wave;
    QStringList during;
    bool makeFileDuring = true;
    bool countShownDuring = false;
};

TEST_F(TForm2PlayTest, AfterADetectionRunPlayAndLiveRepairStartBeforeTheClick) {
    Open(Run::Detection);
    const QStringList idle{"Exit1", "NextN1", "BackB1", "P1", "D1", "grid", "Option1"};
    ASSERT_EQ(Menus(), idle);
    ASSERT_EQ(wave->noisePosition, 6000);

    Play(wave->P1); // half a second before frame 6000 is before the start
    EXPECT_EQ(during,
              (QStringList{"Exit1-", "NextN1-", "BackB1-", "S1", "D1-", "grid-", "Option1-"}));
    EXPECT_EQ(FirstFrame(), 0);
    EXPECT_EQ(int(Heard().size()), 2 * kFrames);
    EXPECT_EQ(Menus(), idle);
    // The picture shows the sound played last, and says so, not the click.
    EXPECT_FALSE(wave->Image1->accessibleDescription().contains(QStringLiteral("6000")));

    wave->NextN1->trigger(); // the click at 26000
    Play(wave->P1);
    EXPECT_EQ(FirstFrame(), 26000 - 22050);
    EXPECT_TRUE(ClickHeardAt(26000));

    Play(wave->D1);
    EXPECT_EQ(during,
              (QStringList{"Exit1-", "NextN1-", "BackB1-", "P1-", "S4", "grid-", "Option1-"}));
    // From the same frame to the end.
    EXPECT_EQ(int(Heard().size()), 2 * (kFrames - (26000 - 22050)));
    EXPECT_NE(Heard()[2 * 22050], 20000); // the click
    EXPECT_TRUE(countShownDuring);
    EXPECT_FALSE(makeFileDuring);
    EXPECT_GE(wave->lbNCount->text().toInt(), 1);
    EXPECT_FALSE(wave->lbNCount->isVisible());
    EXPECT_TRUE(form->ckMakeFile->isChecked());
    EXPECT_EQ(Menus(), idle);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(TForm2PlayTest, AfterARemovalRunP2PlaysTheOutputAndD2TheInput) {
    Settings s = Settings::Defaults();
    s.CheckPlayTime = 4;
    Open(Run::Removal, s);
    wave->NextN1->trigger(); // the click at 26000
    ASSERT_EQ(wave->noisePosition, 26000);

    Play(wave->P2);
    EXPECT_EQ(during,
              (QStringList{"Exit1-", "NextN1-", "BackB1-", "S2", "D2-", "grid-", "Option1-"}));
    EXPECT_EQ(FirstFrame(), 26000 - 22050);
    EXPECT_FALSE(ClickHeardAt(26000)); // the repaired output

    Play(wave->D2); // two seconds before the click: the start of the file
    EXPECT_EQ(FirstFrame(), 0);
    EXPECT_TRUE(ClickHeardAt(26000)); // the input
    EXPECT_EQ(Menus(), (QStringList{"Exit1", "NextN1", "BackB1", "P2", "D2", "grid", "Option1"}));
}

TEST_F(TForm2PlayTest, StopAndCloseEndAPlaybackAndPutEverythingBack) {
    Open(Run::Detection);
    Play(wave->P1, [this] { wave->S1->trigger(); });
    EXPECT_LT(int(Heard().size()), 2 * kFrames);
    EXPECT_EQ(Menus(), (QStringList{"Exit1", "NextN1", "BackB1", "P1", "D1", "grid", "Option1"}));

    Play(wave->D1, [this] { wave->close(); });
    EXPECT_LT(int(Heard().size()), 2 * kFrames);
    EXPECT_FALSE(wave->isVisible());
    EXPECT_TRUE(form->isEnabled());
    EXPECT_TRUE(form->ckMakeFile->isChecked());
    EXPECT_FALSE(wave->lbNCount->isVisible());
    EXPECT_FALSE(wave->S4->isVisible());
    EXPECT_TRUE(wave->Exit1->isEnabled());
}

TEST_F(TForm2PlayTest, ARepairedBlockIsWrittenAndPlayedOnceWithoutLogging) {
    Settings s = Settings::Defaults();
    s.CheckPlayTime = 1;
    Open(Run::Detection, s);
    const QByteArray detail = ReadBytes(DataPath("NoiseLog1.dat"));
    Play(wave->D1);
    // One second from half a second before the click at 6000, read past the
    // end of the data as silence.
    const QString temp = DataPath("dozavarav.wav");
    ASSERT_EQ(QFileInfo(temp).size(), 44 + 44100 * 4);
    const auto block = testwav::SamplesAfter44(testwav::ReadFile(temp.toStdString()));
    EXPECT_EQ(Heard(), block);
    EXPECT_EQ(block[2 * 10000 + 1], 10000); // frame 10000, unfaded
    EXPECT_NE(block[2 * 6000], 20000);              // the click repaired
    EXPECT_EQ(block[2 * 35000 + 1], 0);             // past the end of the data
    EXPECT_EQ(wave->lbNCount->text(), "lbNCount");  // shown, never updated
    EXPECT_TRUE(countShownDuring);
    EXPECT_TRUE(form->ckMakeFile->isChecked());
    EXPECT_EQ(ReadBytes(DataPath("NoiseLog1.dat")), detail);
    EXPECT_TRUE(messages.isEmpty());
    // The work file the program wrote goes at exit.
    form->close();
    EXPECT_FALSE(QFileInfo::exists(temp));
}

// A recording of the user's own named like the work file, even one the run
// was given, is never replaced by the repaired block, after a run or in file
// mode, nor removed at exit.
TEST_F(TForm2PlayTest, AUsersFileNamedLikeTheWorkFileSurvivesThePreviewAndTheExit) {
    Settings s = Settings::Defaults();
    s.CheckPlayTime = 1;
    const std::string own = testwav::MakeWav(SineWithSpikes(3000));
    WriteBytes(QStringLiteral("dozavarav.wav"), own);
    WriteBytes(QStringLiteral("take.wav"), testwav::MakeWav(RampWithClicks()));
    StartIn(s);
    wave = std::make_unique<TForm2>(*form, std::make_unique<TWavePlayer>(
                                               std::make_unique<FakeSoundOutput>(log)));
    form->waveWindow = wave.get();
    Select({QStringLiteral("dozavarav.wav"), QStringLiteral("take.wav")});
    form->cdCheck->click();
    form->StringGrid1->setCurrentCell(1, 1);
    form->cdView->click();
    ASSERT_EQ(wave->shownFileName, QStringLiteral("take.wav"));
    messages.clear();
    Play(wave->D1);
    wave->close();
    Select({QStringLiteral("take.wav")});
    form->WaveFormW1->trigger();
    ASSERT_TRUE(wave->isVisible());
    Play(wave->D1);
    EXPECT_TRUE(log.played.empty());
    EXPECT_EQ(messages, QStringList(2, QString::fromUtf8(kOpenFailedMessage)));
    form->close();
    EXPECT_EQ(ReadBytes(DataPath("dozavarav.wav")).toStdString(), own);
}

// Hidden items keep their mnemonics; none of them may take a press meant
// for the item on show. Each key is pressed twice: both presses act.
TEST_F(TForm2PlayTest, EveryMenuKeyActsOnEachPressInEveryMenuSet) {
    struct Press {
        Qt::Key key;
        const char *starts; // the item the key acts on
        const char *stops;  // for a play item: the stop item Alt+S acts on meanwhile
    };
    const std::vector<Press> afterCheck{
        {Qt::Key_P, "P1", "S1"}, {Qt::Key_D, "D1", "S4"}, {Qt::Key_F, "NextN1", nullptr},
        {Qt::Key_B, "BackB1", nullptr}};
    const std::vector<Press> afterRemoval{{Qt::Key_P, "P2", "S2"}, {Qt::Key_D, "D2", "S3"}};
    const std::vector<Press> fileMode{{Qt::Key_P, "P1", "S1"}, {Qt::Key_D, "D1", "S4"}};
    const std::pair<int, const std::vector<Press> *> sets[] = {
        {0, &afterCheck}, {1, &afterRemoval}, {2, &fileMode}};
    for (const auto &[set, presses] : sets) {
        SCOPED_TRACE(set);
        Open(set == 1 ? Run::Removal : Run::Detection);
        if (set == 2) {
            wave->close();
            wave->WaveFormW1Click();
        }
        wave->activateWindow();
        QCoreApplication::processEvents();
        ASSERT_EQ(QApplication::activeWindow(), wave.get());
        triggered.clear();
        CountTriggers();
        for (const Press &press : *presses) {
            for (int time = 0; time < 2; ++time) {
                if (press.stops)
                    QTimer::singleShot(0, wave.get(), [this] { PressAlt(Qt::Key_S); });
                PressAlt(press.key);
                QCoreApplication::processEvents();
            }
            EXPECT_EQ(triggered[press.starts], 2) << press.starts;
            if (press.stops) {
                EXPECT_EQ(triggered[press.stops], 2) << press.stops;
                EXPECT_LT(int(Heard().size()), 2 * kFrames) << press.stops; // stopped early
            }
        }
        PressAlt(Qt::Key_X);
        EXPECT_FALSE(wave->isVisible());
    }
}

TEST_F(TForm2PlayTest, APlaybackThatCannotStartSaysWhyOnceAndTheWindowKeepsTheFocus) {
    Open(Run::Detection);
    form->show(); // disabled behind the wave window, as in use
    wave->activateWindow();
    ASSERT_EQ(ActiveWindow(), wave.get());
    onMessage = [this](const QString &) { MainWindowTakesFocus(); };
    const QStringList idle = Menus();

    fake->openResult = kSoundNoDevice;
    wave->P1->trigger();
    EXPECT_EQ(messages, QStringList{QStringLiteral("サウンドデバイスを開けませんでした。")});
    EXPECT_EQ(ActiveWindow(), wave.get());
    fake->openResult = kSoundOk;

    messages.clear();
    QFile::remove(DataPath("take.wav"));
    wave->D1->trigger();
    EXPECT_EQ(messages, QStringList{QStringLiteral("ファイルのオープンに失敗しました。")});
    EXPECT_EQ(ActiveWindow(), wave.get());
    EXPECT_EQ(Menus(), idle);
    EXPECT_FALSE(wave->lbNCount->isVisible());

    // The end of the list, and the dump's save dialog.
    messages.clear();
    wave->BackB1->trigger();
    EXPECT_EQ(messages, QStringList{QStringLiteral("次のデータはありません。")});
    EXPECT_EQ(ActiveWindow(), wave.get());
    form->saveScript = [this](const QString &, const QString &, const QString &) {
        MainWindowTakesFocus();
        return QString();
    };
    wave->NumericData1->trigger();
    EXPECT_EQ(ActiveWindow(), wave.get());
}

} // namespace
