#pragma once
// What a run reports to the window that started it, and the few things it
// asks: the main window implements it with its widgets, the batch command with
// standard output and error, tests with a recorder that scripts the answers.
// What the run works on comes in its RunRequest, never from here.

#include "batch/RunStatus.h"
#include "batch/MessageSink.h"

#include <QString>
#include <cstdint>

class WindowPort : public MessageSink {
public:
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

    // Another run holds the log folder's lock. True to wait for it (after
    // telling the user so); false to start nothing (the run then says why).
    virtual bool WaitForLogFolder(const QString &folder) {
        (void)folder;
        return false;
    }
};
