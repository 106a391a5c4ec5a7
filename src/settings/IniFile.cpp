#include "IniFile.h"

#include <QFile>
#include <QSaveFile>

namespace {

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
    crlf_ = false;
    QFile file(path);
    if (!file.exists())
        return LoadResult::Missing;
    if (!file.open(QIODevice::ReadOnly))
        return LoadResult::Failed;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return LoadResult::Failed;
    setBytes(bytes);
    return LoadResult::Loaded;
}

void IniFile::setBytes(const QByteArray &bytes) {
    QByteArrayView body(bytes);
    if (body.startsWith("\xEF\xBB\xBF")) // byte order mark of UTF-8 editors
        body = body.sliced(3);
    crlf_ = body.contains("\r\n");
    lines_.clear();
    while (!body.isEmpty()) {
        const qsizetype nl = body.indexOf('\n');
        Line line;
        line.bytes = (nl < 0 ? body : body.first(nl)).toByteArray();
        body = nl < 0 ? QByteArrayView() : body.sliced(nl + 1);
        if (nl >= 0)
            line.eol = "\n";
        if (nl >= 0 && line.bytes.endsWith('\r')) {
            line.bytes.chop(1);
            line.eol = "\r\n";
        }
        lines_.append(line);
    }
}

QByteArray IniFile::bytes() const {
    QByteArray out;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        out += lines_[i].bytes;
        // A last line without a line end gets one only when lines follow it.
        const bool last = i + 1 == lines_.size();
        out += lines_[i].eol.isEmpty() && !last ? newEol() : lines_[i].eol;
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
    return QString::fromUtf8(bytes.mid(bytes.indexOf('=') + 1)).trimmed();
}

void IniFile::setValue(const QString &section, const QString &key, const QString &value) {
    const QByteArray line = key.toUtf8() + '=' + FirstLine(value).toUtf8();
    const int header = findSection(section);
    if (header < 0) {
        lines_.append(Line{'[' + section.toUtf8() + ']', newEol()});
        lines_.append(Line{line, newEol()});
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
    lines_.insert(insertAt, Line{line, newEol()});
}

bool IniFile::save(const QString &path) const {
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray out = bytes();
    if (file.write(out) != out.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
