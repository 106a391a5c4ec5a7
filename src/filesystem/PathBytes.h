#pragma once
// File names as the file system gives them: bytes, not text. Archives made on
// Windows leave names in Shift-JIS (CP932) bytes, which are not UTF-8; such a
// file must still be listed, opened and named after by its own bytes.
//
// Inside the program a path is a QString that carries its bytes: valid UTF-8
// reads as its text, and every byte that is not part of valid UTF-8 is kept as
// the lone surrogate U+DC00 + byte (the code points U+DC80 to U+DCFF). Every
// system call on a path converts with PathToBytes, and every name read from
// the system (a directory listing, the command line) with PathFromBytes, so
// PathToBytes(PathFromBytes(b)) == b for any bytes b. Joining and cutting such
// strings (folder + name, cutting the extension) keeps the bytes.
//
// What the user sees is DisplayFileName's text; the lone surrogates are never shown.
//
// Paths are cut and cleaned here as text, never through the toolkit's file
// names, which would turn bytes that are not UTF-8 into other bytes.

#include <QByteArray>
#include <QString>

// The bytes to hand to open(), stat() and the like.
QByteArray PathToBytes(const QString &path);
// A name or path read from the system, its bytes kept whatever they are.
QString PathFromBytes(const QByteArray &bytes);
// True when path holds bytes that are not valid UTF-8.
bool HasForeignBytes(const QString &path);
// The text shown for a name or path (or any text holding one): as it is when
// its bytes are valid UTF-8; otherwise its bytes read as CP932 when they are
// valid CP932 (names from Windows archives); otherwise "?" for each byte that
// is not part of valid UTF-8.
QString DisplayFileName(const QString &path);
// path as Unicode text for a reader that takes nothing else (JSON): each byte
// that is not part of valid UTF-8 becomes U+FFFD, so it cannot round-trip.
QString TextWithBytesReplaced(const QString &path);

// The last part of path (after its last "/"); the whole path when it has none.
QString NamePart(const QString &path);
// path up to and including its last "/"; empty when it has none.
QString FolderPart(const QString &path);
// path made absolute against the absolute folder base (when relative) and
// cleaned as text: empty and "." parts dropped, ".." taking the part before it
// (none above the root); no "/" at the end unless it is the root. Every other
// part keeps its bytes.
QString AbsoluteCleanPath(const QString &path, const QString &base);
