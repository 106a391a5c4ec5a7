#include "batch/LogLines.h"

#include "filesystem/AtomicFile.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <array>

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

namespace {

// How the code page writes each ASCII character, and reads each byte below
// 0x80, asked of the converter itself once, character by character (it is no
// identity: a few control characters trade places). Most log lines are plain
// ASCII (numbers, times, channel letters), and opening a converter for each of
// millions of lines cost more than the scan that found their clicks.
struct AsciiTable {
    std::array<char, 0x80> byteOf{};        // the byte character c is written as
    std::array<char16_t, 0x80> charOf{};    // the character byte b reads as
    std::array<bool, 0x80> writes{};        // c is written as one byte
    std::array<bool, 0x80> reads{};         // b reads as one character
};

const AsciiTable &Ascii() {
    static const AsciiTable table = [] {
        AsciiTable t;
        for (char16_t c = 0; c < 0x80; ++c) {
            QStringEncoder encoder(kLogCodec);
            const QByteArray bytes = encoder.encode(QStringView(&c, 1));
            t.writes[c] = encoder.isValid() && !encoder.hasError() && bytes.size() == 1;
            t.byteOf[c] = t.writes[c] ? bytes[0] : '\0';
            QStringDecoder decoder(kLogCodec);
            const char byte = char(c);
            const QString text = decoder.decode(QByteArrayView(&byte, 1));
            t.reads[c] = decoder.isValid() && !decoder.hasError() && text.size() == 1;
            t.charOf[c] = t.reads[c] ? text[0].unicode() : u'\0';
        }
        return t;
    }();
    return table;
}

// Appends text to bytes through the table when every character of it is in
// the table; false (bytes unchanged) otherwise.
bool AppendAscii(QByteArray &bytes, QStringView text) {
    const AsciiTable &table = Ascii();
    const qsizetype old = bytes.size();
    bytes.resize(old + text.size());
    char *out = bytes.data() + old;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80 || !table.writes[c]) {
            bytes.resize(old);
            return false;
        }
        out[i] = table.byteOf[c];
    }
    return true;
}

} // namespace

QString DecodeLogText(const QByteArray &bytes) {
    const AsciiTable &table = Ascii();
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    qsizetype i = 0;
    for (; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b >= 0x80 || !table.reads[b])
            break;
        out[i] = table.charOf[b];
    }
    if (i == bytes.size() && i > 0) // an empty line decodes as it always has
        return text;
    QStringDecoder decoder(kLogCodec);
    return decoder.decode(bytes);
}

QByteArray EncodeLogText(const QString &text) {
    QByteArray bytes;
    if (AppendAscii(bytes, text))
        return bytes;
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
    if (!AppendAscii(bytes, line))
        bytes += EncodeLogText(line);
    bytes += kLogLineEnd;
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
