// The main window without runs: its controls, the start in the remembered
// folder, the file lists, the output-name display, the run-control states and
// the exit steps.

#include "TForm1Fixture.h"
#include "main/FileBrowser.h"

#include "main/TAboutBox.h"
#include "wavewindow/TForm2.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>

namespace {

QString CaptionOf(QObject *object) {
    if (auto *label = qobject_cast<QLabel *>(object))
        return label->text();
    if (auto *button = qobject_cast<QAbstractButton *>(object))
        return button->text();
    if (auto *action = qobject_cast<QAction *>(object))
        return action->text();
    if (auto *menu = qobject_cast<QMenu *>(object))
        return menu->title();
    if (auto *edit = qobject_cast<QLineEdit *>(object))
        return edit->text();
    return QString();
}

} // namespace

TEST_F(TForm1Fixture, EveryControlExistsByNameWithItsCaption) {
    StartIn();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("RizivozeR"));
    EXPECT_EQ(form->size(), QSize(568, 458));
    const std::vector<std::pair<const char *, QString>> captions = {
        {"Label1", "Input File"},
        {"Label7", "選択ファイル数"},
        {"Label4", "Output File"},
        {"cdDel", "除去 (&D)"},
        {"ckBYCheck", "検出結果を使用"},
        {"cdCheck", "検出 (&C)"},
        {"cdStop", "中止 (&A)"},
        {"cdEnd", "終了  (&X)"},
        {"Label3", "実行率"},
        {"lbCHECK", "検出数"},
        {"lbDEL", "修正数"},
        {"edNum", "0"},
        {"Label2", "検出/修正データ"},
        {"ckMakeFile", "検出データをファイルに出力"},
        {"cdView", "確認(&K)"},
        {"Label5", "ID"},
        {"Label6", "File Name"},
        {"Count", "Noise Count"},
        {"Label8", "Status"},
        {"mFile", "ファイル(&F)"},
        {"mExport", "ログのExport(&E)"},
        {"m_End", "終了(&X)"},
        {"WaveFormW1", "WaveWindow(&W)"},
        {"S1", "設定(&S)"},
        {"m_HELP", "ヘルプ(&H)"},
        {"Help1", "ヘルプ(&H)"},
        {"N1", "バージョン(&V)"},
    };
    for (const auto &[name, caption] : captions) {
        QObject *object = form->findChild<QObject *>(QString::fromLatin1(name));
        ASSERT_NE(object, nullptr) << name;
        EXPECT_EQ(CaptionOf(object), caption) << name;
    }
    for (const char *name :
         {"Bevel1", "Bevel2", "Bevel3", "cbDrive1", "edFolder", "edFile", "lbFNum", "edOutFile",
          "pbRate", "edRate", "StringGrid1", "MainMenu1"})
        EXPECT_NE(form->findChild<QObject *>(QString::fromLatin1(name)), nullptr) << name;
}

TEST_F(TForm1Fixture, InitialStatesOfTheRunArea) {
    StartIn();
    EXPECT_EQ(form->Bevel1->frameShadow(), QFrame::Raised);
    EXPECT_EQ(form->Bevel2->frameShadow(), QFrame::Raised);
    EXPECT_EQ(form->pbRate->minimum(), 0);
    EXPECT_EQ(form->pbRate->maximum(), 100);
    EXPECT_TRUE(form->ckMakeFile->isChecked());
    EXPECT_FALSE(form->lbCHECK->isHidden());
    EXPECT_TRUE(form->lbDEL->isHidden());
    EXPECT_EQ(form->lbCHECK->geometry(), form->lbDEL->geometry());
    EXPECT_TRUE(form->edNum->font().bold());
    EXPECT_EQ(form->edNum->palette().color(QPalette::Text), QColor(Qt::red));
    EXPECT_EQ(form->edFile->selectionMode(), QAbstractItemView::ExtendedSelection);

    QTableWidget *grid = form->StringGrid1;
    EXPECT_EQ(grid->rowCount(), 5);
    EXPECT_EQ(grid->rowHeight(0), 15);
    EXPECT_FALSE(grid->horizontalHeader()->isVisible());

    // ckMakeFileClick: the inspect button goes with the detail data.
    form->ckMakeFile->setChecked(false);
    EXPECT_TRUE(form->cdView->isHidden());
    form->ckMakeFile->setChecked(true);
    EXPECT_FALSE(form->cdView->isHidden());
}

// Every grid's columns keep their own widths, however narrow, and the columns
// that hold text show whole, also beside the scroll bar of a long list (the
// result grid's last column is empty and runs past its edge).
TEST_F(TForm1Fixture, EveryGridHasItsColumnWidths) {
    StartIn();
    TForm2 wave(*form);
    form->show();
    wave.show();
    struct GridCase {
        const char *name;
        QTableWidget *grid;
        std::vector<int> widths;
        int wholeColumns;
    };
    const GridCase grids[] = {{"result grid", form->StringGrid1, {40, 197, 45, 245, 69}, 4},
                              {"click list", wave.StringGrid1, {40, 40, 69, 125, 67, 19}, 6}};
    for (const GridCase &c : grids) {
        SCOPED_TRACE(c.name);
        c.grid->setRowCount(200);
        // The scroll bar shows after the view's delayed layout, a few event rounds on.
        for (int round = 0; round < 10 && !c.grid->verticalScrollBar()->isVisible(); ++round)
            QCoreApplication::processEvents();
        std::vector<int> widths;
        for (int column = 0; column < c.grid->columnCount(); ++column)
            widths.push_back(c.grid->columnWidth(column));
        EXPECT_EQ(widths, c.widths);
        ASSERT_TRUE(c.grid->verticalScrollBar()->isVisible());
        const int last = c.wholeColumns - 1;
        EXPECT_LE(c.grid->columnViewportPosition(last) + c.grid->columnWidth(last),
                  c.grid->viewport()->width());
    }
}

TEST(AboutBoxTest, ShowsTheProjectVersion) {
    EXPECT_EQ(TAboutBox().Version->text(), QStringLiteral("Version " NORVATEL_PROJECT_VERSION));
}

TEST_F(TForm1Fixture, OtherWindowsCarryTheirCaptions) {
    TAboutBox about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("バージョン情報"));
    EXPECT_EQ(about.ProductName->text(), QStringLiteral("RizivozeR"));
    EXPECT_EQ(about.Version->text(), QStringLiteral("Version 1.3"));
    EXPECT_EQ(about.OKButton->text(), QStringLiteral("閉じる"));
    EXPECT_TRUE(about.OKButton->isDefault());
    EXPECT_FALSE(about.ProgramIcon->pixmap().isNull());
    about.OKButton->click();
    EXPECT_EQ(about.result(), QDialog::Accepted);

    StartIn();
    TForm2 wave(*form);
    EXPECT_EQ(wave.windowTitle(), QStringLiteral("Wave Window"));
    const std::vector<std::tuple<const char *, QString, bool>> items = {
        {"Exit1", "閉じる(&X)", true},
        {"NextN1", "Forward(&F)", true},
        {"BackB1", "Back(&B)", true},
        {"P1", "再生(&P)", true},
        {"S1", "停止(&S)", false},
        {"P2", "再生(&P)", false},
        {"S2", "停止(&S)", false},
        {"D1", "除去再生(&D)", true},
        {"S4", "停止(S&)", false},
        {"D2", "元再生(&D)", false},
        {"S3", "停止(&S)", false},
        {"N1", "設定(&S)", true},
        {"NumericData1", "DataDump(&D)", true}};
    for (const auto &[name, caption, visible] : items) {
        auto *action = wave.findChild<QAction *>(QString::fromLatin1(name));
        ASSERT_NE(action, nullptr) << name;
        EXPECT_EQ(action->text(), caption) << name;
        EXPECT_EQ(action->isVisible(), visible) << name;
    }
    EXPECT_EQ(wave.Option1->title(), QStringLiteral("Option(&O)"));
}

TEST_F(TForm1Fixture, OpensAtTheRememberedFolderAndMakesItCurrent) {
    ASSERT_TRUE(QDir(data).mkdir(QStringLiteral("sub")));
    WriteBytes(QStringLiteral("take.wav"), testwav::MakeWav({0, 0}));
    StartIn();
    EXPECT_EQ(QDir(form->startFolder).canonicalPath(), QDir(start).canonicalPath());
    EXPECT_EQ(form->shownFolder(), QDir::cleanPath(data));
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(data).canonicalPath());
    EXPECT_EQ(form->edFile->count(), 1);
    EXPECT_FALSE(form->edFolder->findItems(QStringLiteral("sub"), Qt::MatchExactly).isEmpty());
    EXPECT_EQ(form->inputFolder, data + '/');
    EXPECT_TRUE(form->runner.lastRun().logFolder.isEmpty());
    EXPECT_GE(form->cbDrive1->findText(QStringLiteral("/")), 0);
    EXPECT_EQ(form->cbDrive1->currentText(), VolumeRootOf(data));
}

TEST_F(TForm1Fixture, WithoutSettingsFileOpensAtTheStartFolder) {
    StartWithoutWritingSettings();
    EXPECT_EQ(QDir(form->shownFolder()).canonicalPath(), QDir(start).canonicalPath());
    EXPECT_EQ(form->settings, Settings::Defaults());
    EXPECT_FALSE(form->edOutFile->isEnabled()); // automatic naming is on by default
}

TEST_F(TForm1Fixture, RememberedFolderThatIsGoneFallsBackToTheStartFolder) {
    ASSERT_TRUE(SaveSettings(start, Settings::Defaults(), QStringLiteral("/"),
                             data + QStringLiteral("/gone")));
    StartWithoutWritingSettings();
    EXPECT_EQ(QDir(form->shownFolder()).canonicalPath(), QDir(start).canonicalPath());
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(start).canonicalPath());
}

TEST_F(TForm1Fixture, FileListShowsWaveFilesInAnyCaseAndFolderListNavigates) {
    for (const char *name : {"b.WAV", "a.wav", "c.Wav", "d.txt", "e.wav.bak"})
        WriteBytes(QString::fromLatin1(name), "x");
    ASSERT_TRUE(QDir(data).mkdir(QStringLiteral("sub.wav")));
    WriteBytes(QStringLiteral("sub.wav/inner.wav"), "x");
    StartIn();
    QStringList listed;
    for (int row = 0; row < form->edFile->count(); ++row)
        listed << form->edFile->item(row)->text();
    EXPECT_EQ(listed, (QStringList{"a.wav", "b.WAV", "c.Wav"}));

    QListWidget *folders = form->edFolder;
    emit folders->itemActivated(folders->findItems(QStringLiteral("sub.wav"), Qt::MatchExactly)[0]);
    EXPECT_EQ(form->shownFolder(), data + QStringLiteral("/sub.wav"));
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(data + "/sub.wav").canonicalPath());
    ASSERT_EQ(form->edFile->count(), 1);
    EXPECT_EQ(form->inputFolder, data + QStringLiteral("/sub.wav/"));

    emit folders->itemActivated(folders->findItems(QStringLiteral(".."), Qt::MatchExactly)[0]);
    EXPECT_EQ(form->shownFolder(), data);
    EXPECT_EQ(form->edFile->count(), 3);
}

TEST_F(TForm1Fixture, DriveBoxListsRealVolumesAndShowsTheChosenRoot) {
    StartIn();
    QComboBox *drives = form->cbDrive1;
    ASSERT_GT(drives->count(), 0);
    EXPECT_EQ(drives->itemText(0), QStringLiteral("/"));
    for (int i = 0; i < drives->count(); ++i) {
        const QString root = drives->itemText(i);
        EXPECT_TRUE(QFileInfo(root).isDir()) << root.toStdString();
        EXPECT_FALSE(root.startsWith(QStringLiteral("/proc")) ||
                     root.startsWith(QStringLiteral("/sys")))
            << root.toStdString();
    }
    // Choosing the volume already shown keeps the folder.
    drives->setCurrentText(VolumeRootOf(data));
    form->cbDrive1Change();
    EXPECT_EQ(form->shownFolder(), data);
    // A volume that cannot be shown leaves the lists and the drive box as they were.
    drives->addItem(QStringLiteral("/no such volume"));
    drives->setCurrentText(QStringLiteral("/no such volume"));
    form->cbDrive1Change();
    EXPECT_EQ(form->shownFolder(), data);
    EXPECT_EQ(drives->currentText(), VolumeRootOf(data));
    // Choosing another volume shows its root.
    const QString other =
        VolumeRootOf(data) == QStringLiteral("/") ? QString() : QStringLiteral("/");
    if (other.isEmpty())
        return;
    drives->setCurrentText(other);
    form->cbDrive1Change();
    EXPECT_EQ(form->shownFolder(), other);
}

struct NamingCase {
    const char *title;
    QStringList selected;
    QString focus;
    QString expectedOut;
    bool expectInputPath;
};

TEST_F(TForm1Fixture, SelectionSetsCountInputPathAndAutomaticOutputName) {
    for (const char *name : {"Take 1.live.wav", "LOUD.WAV", "other.wav"})
        WriteBytes(QString::fromLatin1(name), "x");
    StartIn();
    const std::vector<NamingCase> cases = {
        {"one file, only the last extension replaced",
         {"Take 1.live.wav"},
         {},
         "Take 1.live_won.wav",
         true},
        {"upper-case extension", {"LOUD.WAV"}, {}, "LOUD_won.wav", true},
        {"two files give the pattern", {"LOUD.WAV", "other.wav"}, {}, "?????_won.wav", true},
        {"focus on an unselected item", {"other.wav"}, "LOUD.WAV", "_won.wav", false},
        {"nothing selected", {}, {}, "_won.wav", false},
    };
    for (const NamingCase &c : cases) {
        SCOPED_TRACE(c.title);
        Select(c.selected, c.focus);
        EXPECT_EQ(form->lbFNum->text(), QString::number(c.selected.size()));
        EXPECT_EQ(form->edOutFile->text(), c.expectedOut);
        const QString focused =
            c.focus.isEmpty() && !c.selected.isEmpty() ? c.selected.last() : QString();
        EXPECT_EQ(form->inputPath, c.expectInputPath ? data + '/' + focused : QString());
        // The runs always see the listed folder, whatever has the focus.
        EXPECT_EQ(form->inputFolder, data + '/');
    }
}

TEST_F(TForm1Fixture, TypedOutputNameStaysWhenNamingIsManual) {
    WriteBytes(QStringLiteral("a.wav"), "x");
    Settings s = Settings::Defaults();
    s.ckAuto = false;
    StartIn(s);
    EXPECT_TRUE(form->edOutFile->isEnabled());
    form->edOutFile->setText(QStringLiteral("mine"));
    Select({QStringLiteral("a.wav")});
    EXPECT_EQ(form->edOutFile->text(), QStringLiteral("mine"));
    EXPECT_EQ(form->lbFNum->text(), QStringLiteral("1"));
}

TEST_F(TForm1Fixture, RunControlsDisableEverythingThatStartsWorkInOrder) {
    Settings s = Settings::Defaults();
    s.ckAuto = false; // edOutFile then stays usable for typing during a run
    StartIn(s);
    QList<QObject *> toggled = {form->cdDel,
                                form->cdCheck,
                                form->cdStop,
                                form->cdEnd,
                                form->m_End,
                                form->cdView,
                                form->edFile,
                                form->edFolder,
                                form->cbDrive1,
                                form->ckBYCheck,
                                form->mFile->menuAction(),
                                form->S1,
                                form->ckMakeFile,
                                form->WaveFormW1};
    auto enabled = [](QObject *object) {
        if (auto *action = qobject_cast<QAction *>(object))
            return action->isEnabled();
        return qobject_cast<QWidget *>(object)->isEnabled();
    };
    form->SetRunControls(false);
    for (QObject *object : toggled)
        EXPECT_FALSE(enabled(object)) << object->objectName().toStdString();
    EXPECT_TRUE(form->edOutFile->isEnabled());
    EXPECT_TRUE(form->StringGrid1->isEnabled());
    EXPECT_TRUE(form->m_HELP->menuAction()->isEnabled());
    EXPECT_TRUE(form->Help1->isEnabled());
    EXPECT_TRUE(form->N1->isEnabled());
    form->SetStopEnabled(true);
    EXPECT_TRUE(form->cdStop->isEnabled());
    form->SetRunControls(true);
    for (QObject *object : toggled)
        EXPECT_TRUE(enabled(object)) << object->objectName().toStdString();
}

TEST_F(TForm1Fixture, CloseWritesEverySettingBackAndDeletesTheWorkFiles) {
    ASSERT_TRUE(QDir(data).mkdir(QStringLiteral("sub")));
    StartIn();
    Settings changed = form->settings;
    changed.rdCL = 2;
    changed.rdWTV = {0, 3, 7, 11};
    changed.LogMax = 5000;
    changed.ckSameDir = false;
    changed.outPath = QStringLiteral("/tmp/out dir/");
    form->settings = changed;
    emit form->edFolder->itemActivated(
        form->edFolder->findItems(QStringLiteral("sub"), Qt::MatchExactly)[0]);
    const QString sub = data + QStringLiteral("/sub");
    // No run yet: the work files are looked for in the folder shown.
    for (const char *name : {"NoiseLog0.dat", "NoiseLog1.dat", "dozavarav.wav", "keep.wav"})
        WriteBytes(QStringLiteral("sub/") + QString::fromLatin1(name), "x");
    bool closedSignal = false;
    QObject::connect(form.get(), &TForm1::closed, [&] { closedSignal = true; });

    form->close();

    EXPECT_TRUE(closedSignal);
    EXPECT_TRUE(form->stopRequest.raised());
    EXPECT_TRUE(messages.isEmpty());
    for (const char *name : {"NoiseLog0.dat", "NoiseLog1.dat"})
        EXPECT_FALSE(QFile::exists(sub + '/' + QString::fromLatin1(name))) << name;
    // A file named like the preview's work file that the program never wrote stays.
    for (const char *name : {"dozavarav.wav", "keep.wav"})
        EXPECT_TRUE(QFile::exists(sub + '/' + QString::fromLatin1(name))) << name;
    const LoadedSettings reloaded = LoadSettings(start);
    EXPECT_EQ(reloaded.settings, changed);
    ASSERT_TRUE(reloaded.restoreFolder.has_value());
    EXPECT_EQ(*reloaded.restoreFolder, sub);
}

TEST_F(TForm1Fixture, CloseTellsOnceWhenTheSettingsCannotBeSavedAndStillEnds) {
    StartIn();
    WriteBytes(QStringLiteral("NoiseLog0.dat"), "x");
    // A folder in the settings file's place makes the write fail even for root.
    ASSERT_TRUE(QFile::remove(start + QStringLiteral("/RizivozeR.ini")));
    ASSERT_TRUE(QDir(start).mkdir(QStringLiteral("RizivozeR.ini")));
    bool closedSignal = false;
    QObject::connect(form.get(), &TForm1::closed, [&] { closedSignal = true; });
    form->close();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("RizivozeR.ini")));
    EXPECT_TRUE(closedSignal);
    EXPECT_FALSE(QFile::exists(DataPath(QStringLiteral("NoiseLog0.dat"))));
}
