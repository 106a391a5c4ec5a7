#pragma once
// A small profile (INI) file reader-writer that behaves like the classic
// profile routines: section and key names match without regard to case, a key
// already in the file is replaced on its own line, a new key goes to the end of
// its section, a new section to the end of the file, and every line the program
// does not know (comments, other sections, other keys) is kept as it was.
// Values are stored as typed, without any escaping; the file is UTF-8.
// Lines are kept as the bytes they were read as, so a line in another encoding
// (another program's section, a copy written as CP932) is written back unchanged;
// only the values asked for are decoded and only the lines set are encoded.

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

class IniFile {
public:
    enum class LoadResult { Loaded, Missing, Failed };

    // Reads path. A missing file leaves the object empty and is no error;
    // Failed means the file exists but could not be read (not a regular file,
    // larger than any settings file) or holds UTF-16 or binary bytes, which no
    // line of a profile file can be. It leaves the object empty.
    LoadResult load(const QString &path);

    // Takes bytes as the contents of a file (used by load). A leading UTF-8
    // byte order mark is dropped. Lines end at LF, CR LF or a lone CR.
    void setBytes(const QByteArray &bytes);
    // True when bytes can be the contents of a profile file.
    static bool IsText(const QByteArray &bytes);
    // The whole file exactly as it would be written.
    QByteArray bytes() const;

    // UTF-8 views of setBytes and bytes, for text that is valid UTF-8 (tests).
    void setText(const QString &text);
    QString text() const;

    // The value of the first matching key in the first matching section, with
    // the blanks around it removed; nullopt when the section or key is missing.
    std::optional<QString> value(const QString &section, const QString &key) const;

    // Stores value under key. Line breaks cannot be stored in a profile line,
    // so a value is cut at its first line break.
    void setValue(const QString &section, const QString &key, const QString &value);

    // Writes the file through a temporary file in the same folder and renames it
    // over path (a link at path is replaced, not written through). Returns false
    // when any part of the write failed; the old file is then left alone.
    bool save(const QString &path) const;

private:
    int findSection(const QString &section) const;
    int sectionEnd(int headerLine) const;
    int findKey(int headerLine, const QString &key) const;

    struct Line {
        QByteArray bytes; // without its line end
        QByteArray eol;   // "\n", "\r\n", "\r", or empty for a last line without one
    };

    QList<Line> lines_;
    QByteArray newEol_ = "\n"; // new lines take the line ends the file came with
};
