#pragma once
// The main window: picks the input files, shows the output name, starts the
// detection and removal runs and shows their results. The runs themselves live
// in BatchRunner: this window builds each run's request from its widgets, is
// the run's WindowPort, and the wave window's host.
//
// The window is built in TForm1View.cpp, its folder browsing (drive box,
// folder list, file list) is in FileBrowser.cpp, its other handlers are in
// TForm1Handlers.cpp, the run side (WindowPort) is in TForm1Port.cpp and the
// wave window's side (WaveWindowHost) in TForm1WaveHost.cpp.

#include "batch/BatchRunner.h"
#include "batch/RunRequest.h"
#include "batch/StopRequest.h"
#include "batch/WindowPort.h"
#include "settings/Settings.h"
#include "wavewindow/WaveWindowHost.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <functional>

class QAction;
class QCheckBox;
class QComboBox;
class QFileDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QProgressBar;
class QPushButton;
class QTableWidget;
class TAboutBox;
class TForm2;

class TForm1 : public QMainWindow, public WindowPort, public WaveWindowHost {
    Q_OBJECT

public:
    // Runs FormCreate: captures the current directory as startFolder, loads the
    // settings from there and opens the file lists at the remembered folder.
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // --- state shared with the runs and the wave window ---
    QString startFolder; // where the settings file and the help page are looked up
    QString settingsFile; // read at start, written at exit (SettingsFileLocation)
    Settings settings;
    // The folder of the listed files, ending in the separator, and the
    // focused file when it is selected (empty otherwise).
    QString inputFolder;
    QString inputPath;
    // Raised by cdStop and by a close during a run.
    StopRequest stopRequest;
    BatchRunner runner;

    // The other windows, created at start-up after this one; null until then
    // (and in tests that do not need them).
    TAboutBox *aboutBox = nullptr;
    TForm2 *waveWindow = nullptr;
    QWidget *settingsDialog = nullptr;

    // Seams for the modal boxes: when set, they answer instead of a real box,
    // so scripted users (tests) never block on a dialog.
    std::function<MsgAnswer(const QString &text, bool yesNo)> msgScript;
    std::function<QString(const QString &title, const QString &filter, const QString &suffix)>
        saveScript;

    // The window the boxes and the save dialog stand over: this one, or the
    // wave window while it keeps this one disabled (a box owned by a disabled
    // window could not be used); none when both are disabled.
    QWidget *DialogParent();
    // Makes dlSAVE afresh for AskSaveFileName, over DialogParent.
    void PrepareSaveDialog(const QString &title, const QString &filter,
                           const QString &defaultSuffix);

    // The items of edFolder and edFile and the name cells of StringGrid1 show
    // a name's DisplayFileName and keep the name itself, with its bytes
    // (filesystem/PathBytes.h), under this role: open files by it, never by the text.
    static constexpr int kNameRole = Qt::UserRole;

    // The folder shown by the folder and file lists (no trailing separator
    // except for the file-system root).
    QString shownFolder() const { return shownFolder_; }
    // Shows folder in the lists and makes it the current directory; false (and
    // nothing changes) when it cannot be read.
    bool ShowFolder(const QString &folder);
    // Shows folder with the files of it named in names selected, the focus on
    // the first of them (the files named on the command line).
    bool ShowStartSelection(const QString &folder, const QStringList &names);

    // --- controls (member names are their object names) ---
    QFrame *Bevel1 = nullptr;
    QLabel *Label1 = nullptr;
    QComboBox *cbDrive1 = nullptr;
    QListWidget *edFolder = nullptr;
    QListWidget *edFile = nullptr;
    QFrame *Bevel3 = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *lbFNum = nullptr;
    QFrame *Bevel2 = nullptr;
    QLabel *Label4 = nullptr;
    QLineEdit *edOutFile = nullptr;
    QPushButton *cdDel = nullptr;
    QCheckBox *ckBYCheck = nullptr;
    QPushButton *cdCheck = nullptr;
    QPushButton *cdStop = nullptr;
    QPushButton *cdEnd = nullptr;
    QLabel *Label3 = nullptr;
    QProgressBar *pbRate = nullptr;
    QLineEdit *edRate = nullptr;
    QLabel *lbCHECK = nullptr;
    QLabel *lbDEL = nullptr;
    QLineEdit *edNum = nullptr;
    QLabel *Label2 = nullptr;
    QCheckBox *ckMakeFile = nullptr;
    QPushButton *cdView = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Count = nullptr;
    QLabel *Label8 = nullptr;
    QTableWidget *StringGrid1 = nullptr;
    // The save dialog, only while it is asked: a dialog kept hidden would
    // go on watching every folder it has shown, and keep the program busy
    // while any of them changes.
    QPointer<QFileDialog> dlSAVE;

    // --- menu MainMenu1 ---
    QMenu *mFile = nullptr;
    QAction *mExport = nullptr;
    QAction *m_End = nullptr;
    QAction *WaveFormW1 = nullptr;
    QAction *S1 = nullptr;
    QMenu *m_HELP = nullptr;
    QAction *Help1 = nullptr;
    QAction *N1 = nullptr;

    // --- WindowPort ---
    MsgAnswer ShowMsg(const QString &text, bool yesNo = false) override;
    void SetProgressRange(int32_t min, int32_t max, int32_t position) override;
    void SetProgressPosition(int32_t position, const QString &rateText) override;
    void ShowClickCountText(const QString &text) override;
    void ShowPassLabel(bool removal) override;
    void ResetResultGrid() override;
    void SetResultRow(int32_t ordinal, const QString &ordinalText, const QString &name,
                      const QString &count, const RunStatus &status) override;
    void SetRunControls(bool enabled) override;
    void SetStopEnabled(bool enabled) override;
    void ProcessPendingEvents() override;

    // edFile: the selected items' file names (without folder), in list order,
    // with their bytes as the folder listing gave them.
    QStringList SelectedFileNames() const;
    // What a run of kind needs of this window, as it stands now.
    RunRequest RequestFor(RunRequest::Kind kind) const;

    // --- WaveWindowHost (ShowMsg as above) ---
    QString AskSaveFileName(const QString &title, const QString &filter,
                            const QString &defaultSuffix) override;
    const LastRun &LastRunRecord() const override { return runner.lastRun(); }
    const Settings &CurrentSettings() const override { return settings; }
    QStringList CurrentResultRow() const override;
    QString CurrentListFile() const override;
    bool ViewButtonVisible() const override;
    bool MakeFileChecked() const override;
    void SetMakeFileChecked(bool checked) override;
    ProtectedFiles &ProtectedRunFiles() override { return runner.keptFiles(); }
    void SetMainWindowEnabled(bool enabled) override;
    void ShowSettingsDialog() override;

    // True from a close during a run until the run has ended and the window closed.
    bool closePending() const { return closeAfterRun_; }

signals:
    // Emitted once the exit steps have run; the program ends on it.
    void closed();

public slots:
    void FormCreate();
    void FormAct();
    void FormClose();
    void cbDrive1Change();
    void edFolderChange();
    void edFileChange();
    void cdEndClick();
    void m_EndClick();
    void ckMakeFileClick();
    void S1Click();
    void Help1Click();
    void N1Click();
    void cdCheckClick();
    void cdDelClick();
    void cdStopClick();
    void mExportClick();
    void cdViewClick();
    void WaveFormW1Click();
    void StringGrid1DblClick();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // TForm1View.cpp
    void BuildInputArea(QWidget *area);
    void BuildOutputArea(QWidget *area);
    void BuildRunArea(QWidget *area);
    void BuildResultArea(QWidget *area);
    void BuildMenus();
    void NameControls();
    void ConnectHandlers();
    void SetGridCell(int row, int column, const QString &text);

    // FileBrowser.cpp
    void FillDriveBox();
    void SelectDrive(const QString &root);
    void FillFolderList();
    void FillFileList();
    void edFolderActivated(QListWidgetItem *item);

    // TForm1Handlers.cpp
    void StartRun(RunRequest::Kind kind);
    void RunExitSteps();
    void CloseIfPendingAfterRun();

    QString shownFolder_;
    bool closeAfterRun_ = false; // a close arrived while a run was going on
    bool exitStepsDone_ = false;
    bool settingsFileUsable_ = true; // false: the settings file is not written at exit
};
