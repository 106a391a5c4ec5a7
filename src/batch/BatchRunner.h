#pragma once
// The detection and removal runs over the selected files, the per-file passes
// with their block loop, the noise logs and the log export. Holds the run state
// that the main window shares with the wave window; reaches the window only
// through WindowPort.

#include "batch/WindowPort.h"
#include "engine/ClickEngine.h"
#include "settings/Settings.h"
#include "wavefile/WaveFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

// Status words of the passes and runs, exactly as shown and logged.
namespace Status {
inline const QString OK = QStringLiteral("OK");
inline const QString Abort = QStringLiteral("Abort");
inline const QString NotWaveFile = QStringLiteral("Not Wave File");
inline const QString WaveFileFormatError = QStringLiteral("Wave File Format Error");
inline const QString FileOpenError = QStringLiteral("File Open Error");
inline const QString InputFileOpenError = QStringLiteral("Input File Open Error");
inline const QString WriteFileOpenError = QStringLiteral("Write File Open Error");
inline const QString NoDriveSpace = QStringLiteral("No Drive Space");
inline const QString NoiseDetect = QStringLiteral("Noise Detect");
inline const QString PassNoNoise = QStringLiteral("Pass No Noise");
} // namespace Status

// Block step constants: values per block, look-ahead values, staging length.
inline constexpr int32_t kBlockValues = 131072;
inline constexpr int32_t kReadValues = kBlockValues + kLookAheadValues; // 131,152
inline constexpr int32_t kBufferValues = kHistoryValues + kReadValues;  // 131,252

// "00H 00M 45S 351mS" for frame 2,000,000 (44,100 frames per second), in 64 bits.
QString FormatClickTime(int64_t frame);
// "L" for even value indices, "R" for odd ones.
QString ChannelLetter(int32_t index);
// A file name as the logs hold it: control characters and characters the
// logs' code page (CP932) cannot hold become "?". Every lookup by name uses it.
QString LoggedFileName(const QString &name);
// Reads a log or text file in CP932, split at CR LF, CR or LF (a final line end
// gives no empty last line). ok is false when the file could not be read.
QStringList ReadLogLines(const QString &path, bool *ok = nullptr);
// Writes lines in CP932, every line ended by CR LF; false if the write failed.
bool WriteLogLines(const QString &path, const QStringList &lines);
// The bytes of text in the logs' code page (CP932).
QByteArray EncodeLogText(const QString &text);
// Writes text in CP932 at out's position, without a terminator; false if the
// write failed.
bool WriteText(FileHandle &out, const QString &text);

// Log file names inside logFolder.
inline const QString kSummaryLogName = QStringLiteral("NoiseLog0.dat");
inline const QString kDetailLogName = QStringLiteral("NoiseLog1.dat");
// The wave window's temporary playback file, removed with the logs.
inline const QString kPlaybackFileName = QStringLiteral("dozavarav.wav");

class BatchRunner : public ClickReporter {
public:
    BatchRunner(Settings &settings, WindowPort &port);

    // --- state shared with the main and wave windows ---
    QString inputFolder;  // folder of the listed files, ending in the separator
    QString inputName;    // current file name, without folder
    QString inputPath;    // inputFolder + inputName
    QString outputFolder; // output folder, ending in the separator unless empty
    QString outputName;   // name typed in edOutFile, extension forced to ".wav"
    QString outputPath;   // current output file
    QString logFolder;    // folder of the last run's logs, ending in the separator
    int32_t selectedAtStart = 0;
    int32_t problemFileCount = 0;
    QString lastRunKind; // "C" after a detection run started, "D" after a removal run
    int32_t runOrdinal = 0;
    int32_t clickCounter = 0;
    bool stopRequested = false;
    bool running = false; // a run is in progress
    QStringList detailLog;
    QStringList summaryLog;
    QStringList previousSummary;
    WaveFile wave;         // the current file's header and measurements
    Thresholds thresholds; // loaded once per pass

    // --- runs (the main window's buttons) ---
    void cdCheckClick();
    void cdDelClick();
    void cdStopClick() { stopRequested = true; }
    // True when the last run shows its end message; a close during a run turns it off.
    bool showEndMessage = true;
    void DetectRun();
    void RemoveRun();
    QString OutputNameFor(int32_t ordinal) const;
    QString OutputPathFor(int32_t ordinal) const;
    bool ShouldProcess(const QString &name) const;

    // --- per-file passes ---
    QString DetectPass();
    QString RemovePass();
    void ShowProgress(int32_t min, int32_t max, int32_t position);
    void ShowClickCount();

    // --- noise logs ---
    void AddClickRecord(int32_t id, int32_t index, int32_t value, int32_t width) override;
    void AddFileRow(int32_t ordinal, int32_t count, const QString &status, const QString &name);
    void PrepareLogFolder();
    void SaveLogs();

    // --- log export (the file menu) ---
    void mExportClick();

    Settings &settings;
    WindowPort &port;

private:
    // Resets the grid; with files selected, starts the logs of a run of kind
    // "C" or "D" and returns true; otherwise tells the user and returns false.
    bool StartRun(const QString &kind);
    // A stop from outside that arrived between files: the file gets "Abort".
    bool StoppedBeforeFile(const QString &name);
    // One selected file of a removal run: its pass and its row; the pass's status.
    QString RemoveOneFile(const QString &name);

    int32_t progressMax_ = 100; // pbRate's maximum as last set
    // inputName's logged form, worked out once per file rather than per click.
    QString loggedNameSource_;
    QString loggedName_;
};
