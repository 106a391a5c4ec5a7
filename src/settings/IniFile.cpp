#include "IniFile.h"

#include "filesystem/AtomicFile.h"
#include "filesystem/PathBytes.h"

#include <algorithm>

namespace {

// A settings file is a few kilobytes; anything this large is not one.
constexpr int64_t kMaxIniBytes = 1 << 20;

// The name inside "[name]" as raw bytes, or nullopt when the line is no section
// header. Only ASCII bytes are looked at, so a line in any ASCII-compatible
// encoding is recognised without being decoded.
std::optional<QByteArray> SectionNameOf(const QByteArray &line) {
    const QByteArray trimmed = line.trimmed();
    if (!trimmed.startsWith('['))
        return std::nullopt;
    const qsizetype close = trimmed.indexOf(']');
    if (close < 0)
        return std::nullopt;
    return trimmed.mid(1, close - 1).trimmed();
}

// The key of a "key=value" line; comment lines and lines without '=' have none.
std::optional<QByteArray> KeyOf(const QByteArray &line) {
    if (line.trimmed().startsWith(';'))
        return std::nullopt;
    const qsizetype eq = line.indexOf('=');
    if (eq < 0)
        return std::nullopt;
    return line.left(eq).trimmed();
}

// Names are compared as bytes, ignoring ASCII case only: the program's own names
// are ASCII, and a foreign name must never match one by being decoded.
bool SameName(const QByteArray &raw, const QString &name) {
    return raw.compare(name.toUtf8(), Qt::CaseInsensitive) == 0;
}

QString FirstLine(const QString &value) {
    qsizetype br = 0;
    while (br < value.size() && value[br] != u'\r' && value[br] != u'\n')
        ++br;
    return value.left(br);
}

} // namespace

IniFile::LoadResult IniFile::load(const QString &path) {
    lines_.clear();
    newEol_ = "\n";
    QByteArray bytes;
    switch (ReadWholeFile(path, kMaxIniBytes, bytes)) {
    case WholeFile::Missing:
        return LoadResult::Missing;
    case WholeFile::Unreadable:
    case WholeFile::TooLarge:
        return LoadResult::Failed;
    case WholeFile::Read:
        break;
    }
    if (!IsText(bytes))
        return LoadResult::Failed;
    setBytes(bytes);
    return LoadResult::Loaded;
}

bool IniFile::IsText(const QByteArray &bytes) {
    // UTF-16 starts with its byte order mark or holds a zero byte in every
    // ASCII character; binary files hold zero and other control bytes.
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return false;
    return std::none_of(bytes.begin(), bytes.end(), [](char c) {
        const auto b = uint8_t(c);
        return b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != 0x0c && b != 0x1a;
    });
}

void IniFile::setBytes(const QByteArray &bytes) {
    QByteArrayView body(bytes);
    if (body.startsWith("\xEF\xBB\xBF")) // byte order mark of UTF-8 editors
        body = body.sliced(3);
    lines_.clear();
    newEol_ = body.contains("\r\n") ? "\r\n" : body.contains('\r') ? "\r" : "\n";
    while (!body.isEmpty()) {
        qsizetype end = 0;
        while (end < body.size() && body[end] != '\n' && body[end] != '\r')
            ++end;
        Line line{body.first(end).toByteArray(), {}};
        qsizetype eolLength = end < body.size() ? 1 : 0;
        if (body.sliced(end).startsWith("\r\n"))
            eolLength = 2;
        line.eol = body.sliced(end, eolLength).toByteArray();
        body = body.sliced(end + eolLength);
        lines_.append(line);
    }
}

QByteArray IniFile::bytes() const {
    QByteArray out;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        out += lines_[i].bytes;
        // A last line without a line end gets one only when lines follow it.
        const bool last = i + 1 == lines_.size();
        out += lines_[i].eol.isEmpty() && !last ? newEol_ : lines_[i].eol;
    }
    return out;
}

void IniFile::setText(const QString &text) {
    setBytes(text.toUtf8());
}

QString IniFile::text() const {
    return QString::fromUtf8(bytes());
}

int IniFile::findSection(const QString &section) const {
    for (int i = 0; i < lines_.size(); ++i) {
        const auto name = SectionNameOf(lines_[i].bytes);
        if (name && SameName(*name, section))
            return i;
    }
    return -1;
}

int IniFile::sectionEnd(int headerLine) const {
    int i = headerLine + 1;
    while (i < lines_.size() && !SectionNameOf(lines_[i].bytes))
        ++i;
    return i;
}

int IniFile::findKey(int headerLine, const QString &key) const {
    const int end = sectionEnd(headerLine);
    for (int i = headerLine + 1; i < end; ++i) {
        const auto name = KeyOf(lines_[i].bytes);
        if (name && SameName(*name, key))
            return i;
    }
    return -1;
}

std::optional<QString> IniFile::value(const QString &section, const QString &key) const {
    const int header = findSection(section);
    if (header < 0)
        return std::nullopt;
    const int line = findKey(header, key);
    if (line < 0)
        return std::nullopt;
    const QByteArray &bytes = lines_[line].bytes;
    // Values are read and written like file names, so a remembered folder
    // whose name is not UTF-8 comes back with its bytes.
    return PathFromBytes(bytes.mid(bytes.indexOf('=') + 1)).trimmed();
}

void IniFile::setValue(const QString &section, const QString &key, const QString &value) {
    const QByteArray line = key.toUtf8() + '=' + PathToBytes(FirstLine(value));
    const int header = findSection(section);
    if (header < 0) {
        lines_.append(Line{'[' + section.toUtf8() + ']', newEol_});
        lines_.append(Line{line, newEol_});
        return;
    }
    const int existing = findKey(header, key);
    if (existing >= 0) {
        lines_[existing].bytes = line; // keeps the line end it had
        return;
    }
    // After the section's last non-blank line, so a blank line that separates
    // it from the next section stays where it is.
    int insertAt = sectionEnd(header);
    while (insertAt > header + 1 && lines_[insertAt - 1].bytes.trimmed().isEmpty())
        --insertAt;
    lines_.insert(insertAt, Line{line, newEol_});
}

bool IniFile::save(const QString &path) const {
    AtomicFile file = AtomicFile::Create(path);
    const QByteArray out = bytes();
    return file.isOpen() && file.file().write(out.constData(), out.size()) && file.commit();
}
