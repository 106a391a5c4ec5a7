#pragma once
// A small profile (INI) file reader-writer that behaves like the classic
// profile routines: section and key names match without regard to case, a key
// already in the file is replaced on its own line, a new key goes to the end of
// its section, a new section to the end of the file, and every line the program
// does not know (comments, other sections, other keys) is kept as it was.
// Values are stored as typed, without any escaping; the file is UTF-8.

#include <QString>
#include <QStringList>
#include <optional>

class IniFile {
public:
    enum class LoadResult { Loaded, Missing, Failed };

    // Reads path. A missing file leaves the object empty and is no error;
    // Failed means the file exists but could not be read.
    LoadResult load(const QString &path);

    // Parses text as the contents of a file (used by load, and by tests).
    void setText(const QString &text);
    // The whole file as it would be written.
    QString text() const;

    // The value of the first matching key in the first matching section, with
    // the blanks around it removed; nullopt when the section or key is missing.
    std::optional<QString> value(const QString &section, const QString &key) const;

    // Stores value under key. Line breaks cannot be stored in a profile line,
    // so a value is cut at its first line break.
    void setValue(const QString &section, const QString &key, const QString &value);

    // Writes the file through a temporary file in the same folder and renames it
    // (or writes directly where the folder does not allow that). Returns false
    // when any part of the write failed; the old file is then left alone where
    // the platform allows.
    bool save(const QString &path) const;

private:
    int findSection(const QString &section) const;
    int sectionEnd(int headerLine) const;
    int findKey(int headerLine, const QString &key) const;

    QStringList lines_;
    bool crlf_ = false; // keep the line ends the file came with
};
