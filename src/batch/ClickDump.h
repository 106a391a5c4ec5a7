#pragma once
// The numeric dump: the sample values of one channel around a click, one
// value per line under a one-line heading, in the logs' code page with CR LF.

#include "batch/MessageSink.h"
#include "filesystem/ProtectedFiles.h"

#include <QString>
#include <cstdint>

struct ClickDump {
    QString shownFileName;     // named in the heading
    int32_t noisePosition = 0; // the click's frame
    int32_t length = 0;        // frames to dump (DumpTextLen)
    int32_t channel = 0;       // the dumped channel, 0 = left
    int32_t channelCount = 2;  // channels of the file on show

    // "FileName:take1.wav Channel:Lch  NoisePosition:7350 DumpLength:50"
    QString Heading() const;
    // The first dumped frame: length / 2 frames before the click, not before 0.
    int64_t FirstFrame() const;
};

// Writes the dump of samplePath (read at its own header's data offset) to
// dumpPath, replacing it. Frames the file does not hold are written as 0; a
// sample file that cannot be opened gets its open notice and a dump of zeros.
// Reads and writes in pieces, so memory stays bounded whatever the length.
// The dump replaces dumpPath (a link's target) only once complete, and never
// when it is the sample file or one of kept (the last run's files).
// A dump file that cannot be created, or is refused, gets the open notice, one
// that cannot be written dumpPath + "の書き込みに失敗しました。"; both return false.
bool WriteClickDump(const QString &dumpPath, const QString &samplePath, const ClickDump &dump,
                    MessageSink &messages, const ProtectedFiles &kept = {});
