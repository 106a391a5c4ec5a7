#pragma once
// What the wave window needs of the main window, which opens it and
// implements this. The wave window reads the last run's record and the
// selection from here; it knows no widget of the main window.

#include "batch/MessageSink.h"

#include <QString>
#include <QStringList>

struct LastRun;
class ProtectedFiles;
struct Settings;

class WaveWindowHost : public MessageSink {
public:
    // --- reads ---
    // What the last run left: its kind, log and output folders, output names.
    virtual const LastRun &LastRunRecord() const = 0;
    // The settings as they stand (the settings dialog changes them live).
    virtual const Settings &CurrentSettings() const = 0;
    // The result grid's current row: ordinal, file name (with its bytes, as
    // the run was given it), click count, status (empty texts for an empty row).
    virtual QStringList CurrentResultRow() const = 0;
    // The full path of the file list's current file; empty when there is none.
    virtual QString CurrentListFile() const = 0;
    // cdView is shown while ckMakeFile is checked.
    virtual bool ViewButtonVisible() const = 0;
    // ckMakeFile: playback with clicks removed clears it for its length.
    virtual bool MakeFileChecked() const = 0;

    // --- writes ---
    virtual void SetMakeFileChecked(bool checked) = 0;
    // The last run's files and the work files written, which the preview's
    // temporary file consults and adds to.
    virtual ProtectedFiles &ProtectedRunFiles() = 0;

    // --- asks ---
    // ShowMsg (MessageSink): every message and question.
    // The save dialog (asks before replacing); empty when cancelled.
    virtual QString AskSaveFileName(const QString &title, const QString &filter,
                                    const QString &defaultSuffix) = 0;
    virtual void SetMainWindowEnabled(bool enabled) = 0;
    // The settings dialog, modeless.
    virtual void ShowSettingsDialog() = 0;
};
