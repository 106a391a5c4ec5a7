#include "batch/LogLineReader.h"

namespace {

constexpr qsizetype kPieceBytes = 64 * 1024;
// A line this long is no log line; it is cut here so junk without line ends
// cannot make the reader hold the whole file.
constexpr qsizetype kMaxLineBytes = 1024 * 1024;

} // namespace

LogLineReader::LogLineReader(const QString &path) : file_(FileHandle::OpenRead(path)) {
    atEnd_ = !file_.isOpen();
}

bool LogLineReader::Fill() {
    if (atEnd_)
        return false;
    buffer_.remove(0, pos_);
    pos_ = 0;
    const qsizetype old = buffer_.size();
    buffer_.resize(old + kPieceBytes);
    const int64_t got = file_.read(buffer_.data() + old, kPieceBytes);
    buffer_.resize(old + qsizetype(got > 0 ? got : 0));
    if (got < 0)
        failed_ = true;
    if (got <= 0)
        atEnd_ = true;
    return got > 0;
}

bool LogLineReader::TakeLine(qsizetype end, QByteArray &line) {
    line = buffer_.mid(pos_, end - pos_);
    pos_ = end;
    return true;
}

bool LogLineReader::NextLine(QByteArray &line) {
    qsizetype scanFrom = pos_;
    for (;;) {
        if (skipLf_ && pos_ < buffer_.size()) {
            skipLf_ = false;
            if (buffer_[pos_] == '\n')
                scanFrom = ++pos_;
        }
        for (qsizetype i = scanFrom; i < buffer_.size(); ++i)
            if (buffer_[i] == '\r' || buffer_[i] == '\n') {
                skipLf_ = buffer_[i] == '\r';
                TakeLine(i, line);
                ++pos_; // past the line end
                return true;
            }
        if (buffer_.size() - pos_ >= kMaxLineBytes)
            return TakeLine(pos_ + kMaxLineBytes, line);
        scanFrom = buffer_.size() - pos_;
        if (!Fill()) {
            if (pos_ >= buffer_.size())
                return false;
            return TakeLine(buffer_.size(), line);
        }
        scanFrom += pos_;
    }
}
