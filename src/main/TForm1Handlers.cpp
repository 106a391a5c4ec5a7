// The main window's own handlers: start, the menus and the exit steps. The
// drive box, the folder list and the file list are in FileBrowser.cpp.

#include "main/TForm1.h"

#include "main/FileBrowser.h"
#include "main/StartPlace.h"
#include "main/TAboutBox.h"
#include "wavewindow/TForm2.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QUrl>

void TForm1::FormCreate() {
    startFolder = QDir::currentPath();
    settingsFile = SettingsFileLocation(startFolder);
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

void TForm1::FormAct() {
    if (edFile->isEnabled() && edFile->focusPolicy() != Qt::NoFocus)
        edFile->setFocus();
}

void TForm1::changeEvent(QEvent *event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormAct();
    QMainWindow::changeEvent(event);
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
        ShowMsg(page + tr("\r\nを開けませんでした。"));
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
    if (runner.running()) {
        closeAfterRun_ = true;
        stopRequest.raise();
        runner.SkipEndMessage();
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TForm1::CloseIfPendingAfterRun() {
    if (closeAfterRun_ && !runner.running())
        close();
}

void TForm1::FormClose() {
    stopRequest.raise();
    if (!exitStepsDone_) {
        exitStepsDone_ = true;
        RunExitSteps();
    }
    emit closed();
}

void TForm1::RunExitSteps() {
    if (settingsFileUsable_ &&
        !SaveSettingsFile(settingsFile, settings, cbDrive1->currentText(), shownFolder_))
        ShowMsg(settingsFile + tr("\r\nに設定を保存できませんでした。"));
    // An empty logFolder means the folder shown, which is the current directory.
    // The preview's files go wherever they were written (file mode too), but
    // only those this program wrote.
    RemoveLogFiles(runner.lastRun().logFolder, runner.keptFiles());
    runner.keptFiles().RemoveOwnWorkFiles();
}

// --- the runs: this window asks, the runner does the work and drives this
// window through WindowPort ---

void TForm1::StartRun(RunRequest::Kind kind) {
    // A Stop pressed while no run was going on stops nothing.
    stopRequest.clear();
    runner.Run(RequestFor(kind));
    CloseIfPendingAfterRun();
}

void TForm1::cdCheckClick() {
    StartRun(RunRequest::Kind::Detect);
}

void TForm1::cdDelClick() {
    StartRun(RunRequest::Kind::Remove);
}

void TForm1::cdStopClick() {
    stopRequest.raise();
}

void TForm1::mExportClick() {
    if (!runner.HasLogToExport())
        return;
    const QString path = AskSaveFileName(tr("ログをエクスポートするファイル名を指定ください。"),
                                         tr("Text File(.txt)|*.txt"), QStringLiteral("txt"));
    if (!path.isEmpty())
        runner.ExportToFile(path);
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
    if (runner.running())
        return;
    cdViewClick();
}
