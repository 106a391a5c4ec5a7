#include "IniFile.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

namespace {

// The name inside "[name]", or nullopt when the line is no section header.
std::optional<QString> SectionNameOf(const QString &line) {
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(u'['))
        return std::nullopt;
    const qsizetype close = trimmed.indexOf(u']');
    if (close < 0)
        return std::nullopt;
    return trimmed.mid(1, close - 1).trimmed();
}

// The key of a "key=value" line; comment lines and lines without '=' have none.
std::optional<QString> KeyOf(const QString &line) {
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(u';'))
        return std::nullopt;
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
        return std::nullopt;
    return line.left(eq).trimmed();
}

bool SameName(const QString &a, const QString &b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString FirstLine(const QString &value) {
    const qsizetype br = value.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    return br < 0 ? value : value.left(br);
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
    setText(QString::fromUtf8(bytes));
    return LoadResult::Loaded;
}

void IniFile::setText(const QString &text) {
    QString body = text;
    if (body.startsWith(QChar(0xFEFF))) // byte order mark of UTF-8 editors
        body.remove(0, 1);
    crlf_ = body.contains(QStringLiteral("\r\n"));
    lines_ = body.split(u'\n');
    for (QString &line : lines_) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    if (!lines_.isEmpty() && lines_.last().isEmpty())
        lines_.removeLast(); // the final line end does not start another line
}

QString IniFile::text() const {
    const QString eol = crlf_ ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString out;
    for (const QString &line : lines_)
        out += line + eol;
    return out;
}

int IniFile::findSection(const QString &section) const {
    for (int i = 0; i < lines_.size(); ++i) {
        const auto name = SectionNameOf(lines_[i]);
        if (name && SameName(*name, section))
            return i;
    }
    return -1;
}

int IniFile::sectionEnd(int headerLine) const {
    int i = headerLine + 1;
    while (i < lines_.size() && !SectionNameOf(lines_[i]))
        ++i;
    return i;
}

int IniFile::findKey(int headerLine, const QString &key) const {
    const int end = sectionEnd(headerLine);
    for (int i = headerLine + 1; i < end; ++i) {
        const auto name = KeyOf(lines_[i]);
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
    const QString &text = lines_[line];
    return text.mid(text.indexOf(u'=') + 1).trimmed();
}

void IniFile::setValue(const QString &section, const QString &key, const QString &value) {
    const QString line = key + u'=' + FirstLine(value);
    int header = findSection(section);
    if (header < 0) {
        lines_.append(u'[' + section + u']');
        lines_.append(line);
        return;
    }
    const int existing = findKey(header, key);
    if (existing >= 0) {
        lines_[existing] = line;
        return;
    }
    // After the section's last non-blank line, so a blank line that separates
    // it from the next section stays where it is.
    int insertAt = sectionEnd(header);
    while (insertAt > header + 1 && lines_[insertAt - 1].trimmed().isEmpty())
        --insertAt;
    lines_.insert(insertAt, line);
}

bool IniFile::save(const QString &path) const {
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = text().toUtf8();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
