#pragma once
// The log export: the summary and detail logs of a log folder as one
// tab-separated text in the logs' code page, written through any sink.

#include <QString>
#include <cstdint>
#include <functional>

// Writes size bytes from data; false when they could not all be written.
using ByteWriter = std::function<bool(const char *data, int64_t size)>;

enum class ExportResult {
    Complete,   // both logs written whole
    Incomplete, // a log could not be read, or ended in a partial record (left out)
    WriteFailed // write failed; the export stopped there
};

// Writes the export of the logs in logFolder (ending in the separator)
// through write: the summary heading and one line per summary record, then
// the detail heading and one line per detail record.
ExportResult WriteLogExport(const QString &logFolder, const ByteWriter &write);
