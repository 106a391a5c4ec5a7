#include "batch/DetailLog.h"

#include "batch/NoiseLog.h"

#include <algorithm>

namespace {

// Lines are written in pieces of about this size.
constexpr qsizetype kFlushBytes = 256 * 1024;

} // namespace

void DetailLog::Begin(const QString &target) {
    clear();
    file_ = AtomicFile::Create(target);
    failed_ = !file_.isOpen();
}

void DetailLog::AppendRecord(QByteArrayView encodedName, int32_t id, int32_t index,
                             int32_t value, int32_t width) {
    lineCount_ += kDetailRecordLines;
    if (failed_)
        return;
    AppendDetailRecord(pending_, encodedName, id, index, value, width);
    if (pending_.size() >= kFlushBytes && file_.isOpen())
        Flush();
}

bool DetailLog::Flush() {
    if (!failed_ && !file_.file().write(pending_.constData(), pending_.size()))
        failed_ = true;
    pending_.resize(0); // its room stays for the next piece
    return !failed_;
}

void DetailLog::clear() {
    file_.abandon();
    pending_.clear();
    lineCount_ = 0;
    failed_ = false;
}

QStringList DetailLog::lines() {
    QByteArray bytes;
    if (file_.isOpen()) {
        const int64_t written = file_.file().size();
        bytes.resize(qsizetype(std::max<int64_t>(written, 0)));
        if (file_.file().readAt(0, bytes.data(), bytes.size()) != bytes.size())
            bytes.clear();
    }
    return SplitLogLines(bytes + pending_);
}

bool DetailLog::Save(const QString &path) {
    if (!file_.isOpen() && !failed_) {
        file_ = AtomicFile::Create(path);
        failed_ = !file_.isOpen();
    }
    const bool saved = Flush() && file_.target() == path && file_.commit();
    clear();
    return saved;
}
