// The main window over a folder holding file names of every kind: listed and
// shown readably, run from the window's buttons, outputs named after the bytes,
// each file's clicks listed again by the wave window.

#include "TForm1Fixture.h"
#include "support/NameKinds.h"
#include "wavewindow/TForm2.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>

namespace {

class TForm1NamesTest : public TForm1Fixture {
protected:
    void TearDown() override {
        wave.reset();
        TForm1Fixture::TearDown();
        names::RemoveTree(tmp.path());
    }
    QStringList ListColumn(int role) const {
        QStringList column;
        for (int row = 0; row < form->edFile->count(); ++row)
            column << form->edFile->item(row)->data(role).toString();
        return column;
    }
    // Opens the wave window on the result grid's row; true when it lists the
    // file's two clicks, names the file it shows by its display text and reads
    // that file (no open notice; the play time is known).
    bool WaveWindowListsClicks(int row, const QString &shownName) {
        messages.clear();
        form->StringGrid1->setCurrentCell(row, 1);
        form->cdView->click();
        const bool listed = wave->isVisible() && wave->StringGrid1->rowCount() == 2 &&
                            wave->statusText().contains(" File Name: " + shownName + " ") &&
                            wave->statusText().contains("PlayTime:") && messages.isEmpty();
        wave->Exit1->trigger();
        return listed;
    }
    QStringList GridColumn(int column, int role = Qt::DisplayRole) const {
        QStringList cells;
        for (int row = 0; row < form->StringGrid1->rowCount(); ++row)
            cells << form->StringGrid1->item(row, column)->data(role).toString();
        return cells;
    }
    std::unique_ptr<TForm2> wave;
};

TEST_F(TForm1NamesTest, NamesOfEveryKindAreListedShownAndRunFromTheWindow) {
    const QStringList written = names::WriteAll(data);
    StartIn();
    wave = std::make_unique<TForm2>(*form);
    form->waveWindow = wave.get();
    // Sorted by what is shown; each item keeps the name's bytes.
    const QStringList shown = {"mix??_a.wav",    "mix??_b.wav",  "テイク２_a.wav",
                               "テイク２_b.wav", "録音１_a.wav", "録音１_b.wav"};
    const QStringList kept = {written[4], written[5], written[2],
                              written[3], written[0], written[1]};
    EXPECT_EQ(ListColumn(Qt::DisplayRole), shown);
    EXPECT_EQ(ListColumn(TForm1::kNameRole), kept);
    Select({"テイク２_a.wav"});
    EXPECT_EQ(form->edOutFile->text(), "テイク２_a_won.wav");
    EXPECT_EQ(form->inputPath, data + '/' + written[2]);

    form->edFile->selectAll();
    form->cdCheck->click();
    EXPECT_EQ(messages, QStringList{"問題ファイル数：  3\r\n\r\n終了します。"});
    EXPECT_EQ(GridColumn(1), shown);
    EXPECT_EQ(GridColumn(1, TForm1::kNameRole), kept);
    EXPECT_EQ(GridColumn(3),
              (QStringList{"Noise Detect", "OK", "Noise Detect", "OK", "Noise Detect", "OK"}));
    for (int row : {0, 2, 4})
        EXPECT_TRUE(WaveWindowListsClicks(row, shown[row])) << row;

    form->ckBYCheck->setChecked(true);
    form->cdDel->click();
    EXPECT_EQ(GridColumn(3), (QStringList{"Noise Delete at mix??_a_won.wav", "Pass No Noise",
                                          "Noise Delete at テイク２_a_won.wav", "Pass No Noise",
                                          "Noise Delete at 録音１_a_won.wav", "Pass No Noise"}));
    for (int row : {0, 2, 4})
        EXPECT_TRUE(WaveWindowListsClicks(row, QString(shown[row]).replace(".wav", "_won.wav")))
            << row;
    for (const names::Kind &k : names::kKinds) {
        EXPECT_EQ(names::ReadNamed(data, k.stem + "_a_won.wav").size(), 44u + 16000u) << k.what;
        EXPECT_TRUE(names::ReadNamed(data, k.stem + "_b_won.wav").empty()) << k.what;
    }
}

TEST_F(TForm1NamesTest, AFolderNamedInShiftJisIsEnteredHoldsItsRunsLogsAndIsRemembered) {
    const QString folder = names::MakeShiftJisFolder(data);
    testwav::WriteFile((PathToBytes(folder) + "/take.wav").toStdString(), names::Wav({1000}));
    StartIn();
    const auto found = form->edFolder->findItems("録音", Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    emit form->edFolder->itemActivated(found.first());
    EXPECT_EQ(form->shownFolder(), folder);
    EXPECT_EQ(form->edFolder->item(0)->text(), DisplayFileName(folder));
    EXPECT_EQ(ListColumn(Qt::DisplayRole), QStringList{"take.wav"});

    Select({"take.wav"});
    form->cdCheck->click();
    EXPECT_EQ(GridColumn(3), QStringList{"Noise Detect"});
    EXPECT_FALSE(names::ReadNamed(folder, "NoiseLog0.dat").empty());
    EXPECT_FALSE(names::ReadNamed(folder, "NoiseLog1.dat").empty());

    // Remembered at exit and shown again at the next start.
    form->close();
    StartWithoutWritingSettings();
    EXPECT_EQ(form->shownFolder(), folder);
}

} // namespace
