// The main window's own handlers: start, file selection, the output-name
// display, the menus and the exit steps.

#include "main/TForm1.h"

#include "batch/OutputName.h"
#include "main/FileBrowser.h"
#include "main/StartPlace.h"
#include "main/TAboutBox.h"
#include "filesystem/FileSystem.h"
#include "filesystem/PathBytes.h"
#include "wavewindow/TForm2.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QUrl>

namespace {

// What edOutFile shows while outputs are named automatically: the pattern of
// the names a removal run will give, not a name of its own.
QString AutoOutputPattern(int selectedCount, const QString &inputPath) {
    if (selectedCount >= 2)
        return QStringLiteral("?????") + kAutoOutputSuffix;
    return DisplayFileName(AutoOutputName(QFileInfo(inputPath).fileName(), DotlessName::Drop));
}

} // namespace

void TForm1::FormCreate() {
    startFolder = QDir::currentPath();
    settingsFile = SettingsFileLocation(startFolder);
    runner.logFolder.clear();
    const LoadedSettings loaded = LoadSettingsFile(settingsFile);
    settings = loaded.settings;
    // Told once, as soon as the window runs; at exit the file is left as the
    // user has it.
    settingsFileUsable_ = loaded.fileUsable;
    if (!settingsFileUsable_) {
        const QString text = UnusableSettingsMessage(settingsFile);
        QTimer::singleShot(0, this, [this, text] { ShowMsg(text); });
    }
    bool shown = false;
    if (loaded.restoreFolder) {
        SelectDrive(loaded.drive.isEmpty() ? VolumeRootOf(*loaded.restoreFolder) : loaded.drive);
        shown = ShowFolder(*loaded.restoreFolder);
    }
    if (!shown)
        ShowFolder(startFolder);
    edOutFile->setEnabled(!settings.ckAuto);
}

bool TForm1::ShowFolder(const QString &folder) {
    // Cleaned as text, so a folder name that is not UTF-8 keeps its bytes.
    const QString clean = AbsoluteCleanPath(folder, FileSystem::ResolvedFolder(QString()));
    if (!FileSystem::IsFolder(clean) || !MakeCurrentFolder(clean))
        return false;
    shownFolder_ = clean;
    SelectDrive(VolumeRootOf(clean));
    FillFolderList();
    edFolderChange();
    return true;
}

bool TForm1::ShowStartSelection(const QString &folder, const QStringList &names) {
    if (!ShowFolder(folder))
        return false;
    QHash<QString, QListWidgetItem *> items;
    for (int row = 0; row < edFile->count(); ++row)
        items.insert(edFile->item(row)->data(kNameRole).toString(), edFile->item(row));
    QListWidgetItem *focus = nullptr;
    {
        const QSignalBlocker blocker(edFile);
        for (const QString &name : names) {
            QListWidgetItem *item = items.value(name);
            if (item == nullptr)
                continue;
            item->setSelected(true);
            if (focus == nullptr)
                focus = item;
        }
        if (focus != nullptr)
            edFile->setCurrentItem(focus, QItemSelectionModel::NoUpdate);
    }
    if (focus != nullptr)
        edFile->scrollToItem(focus);
    edFileChange();
    return true;
}

void TForm1::FormAct() {
    if (edFile->isEnabled() && edFile->focusPolicy() != Qt::NoFocus)
        edFile->setFocus();
}

void TForm1::changeEvent(QEvent *event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormAct();
    QMainWindow::changeEvent(event);
}

void TForm1::cbDrive1Change() {
    const QString root = cbDrive1->currentText();
    if (root.isEmpty() || root == VolumeRootOf(shownFolder_))
        return;
    // A root that cannot be shown (unreadable, unmounted meanwhile) leaves the
    // lists where they were, so the drive box must say so too: the settings
    // remember the drive and the folder as a pair.
    if (!ShowFolder(root))
        SelectDrive(VolumeRootOf(shownFolder_));
}

void TForm1::edFolderActivated(QListWidgetItem *item) {
    if (item == nullptr || item == edFolder->item(0))
        return;
    if (item->text() == QStringLiteral(".."))
        ShowFolder(QFileInfo(shownFolder_).dir().absolutePath());
    else
        ShowFolder(JoinPath(shownFolder_, item->data(kNameRole).toString()));
}

void TForm1::edFolderChange() {
    FillFileList();
}

void TForm1::edFileChange() {
    const int selectedCount = static_cast<int>(edFile->selectedItems().size());
    lbFNum->setText(QString::number(selectedCount));
    const QListWidgetItem *focused = edFile->currentItem();
    runner.inputPath = focused != nullptr && focused->isSelected()
                           ? JoinPath(shownFolder_, focused->data(kNameRole).toString())
                           : QString();
    // The runs and the log folder need the listed folder even when the focus
    // rests on an unselected item (after a Ctrl-click), so it does not come
    // from inputPath.
    runner.inputFolder = WithTrailingSeparator(shownFolder_);
    if (settings.ckAuto)
        edOutFile->setText(AutoOutputPattern(selectedCount, runner.inputPath));
}

void TForm1::ckMakeFileClick() {
    cdView->setVisible(ckMakeFile->isChecked());
}

void TForm1::S1Click() {
    ShowSettingsDialog();
}

void TForm1::N1Click() {
    if (aboutBox != nullptr)
        aboutBox->exec();
}

void TForm1::Help1Click() {
    const QString page = HelpPageLocation(startFolder, InstalledDataFolder());
    // The desktop's viewer reports nothing itself when the page is missing.
    if (!QFileInfo::exists(page) || !QDesktopServices::openUrl(QUrl::fromLocalFile(page)))
        ShowMsg(page + QStringLiteral("\r\nを開けませんでした。"));
}

void TForm1::cdEndClick() {
    close();
}

void TForm1::m_EndClick() {
    close();
}

// A close during a run waits for the run: the pass ends at its next block
// boundary (so a partial output gets its header), the run saves its logs
// quietly, and only then do the exit steps run. The close event is ignored
// meanwhile and issued again once the run has returned.
void TForm1::closeEvent(QCloseEvent *event) {
    if (runner.running) {
        closeAfterRun_ = true;
        runner.stopRequested = true;
        runner.showEndMessage = false;
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TForm1::CloseIfPendingAfterRun() {
    if (closeAfterRun_ && !runner.running)
        close();
}

void TForm1::FormClose() {
    runner.stopRequested = true;
    if (!exitStepsDone_) {
        exitStepsDone_ = true;
        RunExitSteps();
    }
    emit closed();
}

void TForm1::RunExitSteps() {
    if (settingsFileUsable_ &&
        !SaveSettingsFile(settingsFile, settings, cbDrive1->currentText(), shownFolder_))
        ShowMsg(settingsFile +
                QStringLiteral("\r\nに設定を保存できませんでした。"));
    // An empty logFolder means the folder shown, which is the current directory.
    // The preview's files go wherever they were written (file mode too), but
    // only those this program wrote.
    RemoveLogFiles(runner.logFolder, runner.protectedFiles);
    runner.protectedFiles.RemoveOwnWorkFiles();
}

// --- the runs: the runner does the work and drives this window through WindowPort ---

void TForm1::cdCheckClick() {
    runner.cdCheckClick();
    CloseIfPendingAfterRun();
}

void TForm1::cdDelClick() {
    runner.cdDelClick();
    CloseIfPendingAfterRun();
}

void TForm1::cdStopClick() {
    runner.cdStopClick();
}

void TForm1::mExportClick() {
    runner.mExportClick();
}

void TForm1::cdViewClick() {
    if (waveWindow != nullptr)
        waveWindow->cdViewClick();
}

void TForm1::WaveFormW1Click() {
    if (waveWindow != nullptr)
        waveWindow->WaveFormW1Click();
}

void TForm1::StringGrid1DblClick() {
    // The wave window reads the logs on disk, which a running run has not written yet.
    if (runner.running)
        return;
    cdViewClick();
}
