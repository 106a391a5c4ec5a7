#include "batch/LogLines.h"

#include "filesystem/AtomicFile.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

const char *const kLogCodec = "CP932";
// Far beyond the logs a run writes for its files; a file larger is not read whole.
constexpr int64_t kMaxLogReadBytes = int64_t{256} * 1024 * 1024;
constexpr qsizetype kPieceBytes = 64 * 1024;
// A line this long is no log line; it is cut here so junk without line ends
// cannot make the reader hold the whole file.
constexpr qsizetype kMaxLineBytes = 1024 * 1024;

} // namespace

LogLineReader::LogLineReader(const QString &path) : file_(FileHandle::OpenRead(path)) {
    atEnd_ = !file_.isOpen();
}

LogLineReader::LogLineReader(const QByteArray &bytes)
    : buffer_(bytes), inMemory_(true), atEnd_(true) {}

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

QString DecodeLogText(const QByteArray &bytes) {
    QStringDecoder decoder(kLogCodec);
    return decoder.decode(bytes);
}

QByteArray EncodeLogText(const QString &text) {
    QStringEncoder encoder(kLogCodec);
    return encoder.encode(text);
}

bool LogCodePageHolds(char32_t codePoint) {
    const QString text = QString::fromUcs4(&codePoint, 1);
    QStringEncoder encoder(kLogCodec);
    const QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return false;
    QStringDecoder decoder(kLogCodec);
    const QString back = decoder.decode(bytes);
    return !decoder.hasError() && back == text;
}

void AppendLogLine(QByteArray &bytes, const QString &line) {
    bytes += EncodeLogText(line);
    bytes += "\r\n";
}

QStringList ReadLogLines(const QString &path, bool *ok) {
    LogLineReader reader(path);
    QStringList lines;
    int64_t total = 0;
    QByteArray line;
    while (total <= kMaxLogReadBytes && reader.NextLine(line)) {
        total += line.size() + 1;
        lines << DecodeLogText(line);
    }
    if (ok)
        *ok = reader.isOpen() && !reader.failed() && total <= kMaxLogReadBytes;
    return lines;
}

QStringList SplitLogLines(const QByteArray &bytes) {
    LogLineReader reader(bytes);
    QStringList lines;
    QByteArray line;
    while (reader.NextLine(line))
        lines << DecodeLogText(line);
    return lines;
}

bool WriteLogLines(const QString &path, const QStringList &lines) {
    QByteArray bytes;
    for (const QString &line : lines)
        AppendLogLine(bytes, line);
    AtomicFile file = AtomicFile::Create(path);
    return file.isOpen() && file.file().write(bytes.constData(), bytes.size()) && file.commit();
}

bool WriteText(FileHandle &out, const QString &text) {
    const QByteArray bytes = EncodeLogText(text);
    return out.write(bytes.constData(), bytes.size());
}
