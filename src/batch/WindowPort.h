#pragma once
// The narrow interface through which the runs reach a window. The main window
// implements it with its widgets; the batch command with standard output and
// error; tests with a recorder that scripts the answers.

#include "batch/RunStatus.h"
#include "batch/MessageSink.h"

#include <QString>
#include <QStringList>
#include <cstdint>

class WindowPort : public MessageSink {
public:
    // The export's save dialog (asks before replacing an existing file).
    // filter comes as "caption|pattern" ("Text File(.txt)|*.txt"); defaultSuffix
    // has no dot. Returns the chosen path, or an empty text when the user cancelled.
    virtual QString AskSaveFileName(const QString &title, const QString &filter,
                                    const QString &defaultSuffix) = 0;

    // pbRate: set range and position.
    virtual void SetProgressRange(int32_t min, int32_t max, int32_t position) = 0;
    // pbRate position and edRate text ("45.3%"), both repainted at once.
    virtual void SetProgressPosition(int32_t position, const QString &rateText) = 0;
    // edNum text, repainted at once.
    virtual void ShowClickCountText(const QString &text) = 0;
    // Shows lbDEL (removal) or lbCHECK (detection), hides the other, repaints.
    virtual void ShowPassLabel(bool removal) = 0;

    // StringGrid1: back to five empty rows.
    virtual void ResetResultGrid() = 0;
    // StringGrid1: row count = ordinal; row ordinal - 1 gets the four texts and
    // becomes the current row, scrolled into view and repainted; the name
    // column shows DisplayFileName(name) and keeps name itself, so the file can
    // be opened from the row; the status column shows status.text().
    virtual void SetResultRow(int32_t ordinal, const QString &ordinalText, const QString &name,
                              const QString &count, const RunStatus &status) = 0;

    // Enables or disables every control that could start other work.
    virtual void SetRunControls(bool enabled) = 0;
    // cdStop alone.
    virtual void SetStopEnabled(bool enabled) = 0;

    // Handles all pending window events once (the per-block pump).
    virtual void ProcessPendingEvents() = 0;
    // A stop asked for from outside the window (the batch command's signals).
    // Sticky: once true it stays true. The run checks it before each file and
    // after each block's pump, so a request between files is not lost.
    virtual bool StopRequestedExternally() const { return false; }

    // Another run holds the log folder's lock. True to wait for it (after
    // telling the user so); false to start nothing (the run then says why).
    virtual bool WaitForLogFolder(const QString &folder) {
        (void)folder;
        return false;
    }

    // edFile: the selected items' file names (without folder), in list order,
    // with their bytes as the folder listing gave them (filesystem/PathBytes.h).
    virtual QStringList SelectedFileNames() const = 0;
    // ckMakeFile: detail records are kept only while it is checked.
    virtual bool MakeFileChecked() const = 0;
    // ckBYCheck: a removal run skips files the previous run found clean.
    virtual bool UseDetectionChecked() const = 0;
    // edOutFile: the output name as typed.
    virtual QString OutputFileText() const = 0;
};
