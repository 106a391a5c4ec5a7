// Feeds arbitrary bytes as a file name or path to the conversion between the
// system's bytes and the program's path text, and to everything that cuts,
// cleans, shows or logs such a path: the bytes must come back unchanged, and
// no shown or logged text may hold a kept byte or a control character.

#include "batch/NoiseLog.h"
#include "filesystem/PathBytes.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool ok) {
    if (!ok)
        abort();
}

bool HoldsKeptByte(const QString &text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        const bool paired = i > 0 && text[i - 1].isHighSurrogate();
        if (unit >= 0xDC80 && unit <= 0xDCFF && !paired)
            return true;
    }
    return false;
}

// The parts of a path's bytes between "/", without empty and "." parts.
QList<QByteArray> Parts(const QByteArray &bytes) {
    QList<QByteArray> parts;
    for (const QByteArray &part : bytes.split('/'))
        if (!part.isEmpty() && part != ".")
            parts << part;
    return parts;
}

void CheckCleaning(const QString &path, const QByteArray &bytes) {
    const QString clean = AbsoluteCleanPath(path, QStringLiteral("/base"));
    Check(clean.startsWith(QLatin1Char('/')));
    Check(AbsoluteCleanPath(clean, QStringLiteral("/elsewhere")) == clean);
    const QByteArray cleanBytes = PathToBytes(clean);
    Check(!cleanBytes.contains("//") && (clean == QLatin1String("/") || !clean.endsWith('/')));
    // Every part left is one of the given parts (or the base's), bytes and all.
    const QList<QByteArray> given = Parts(bytes) << "base";
    for (const QByteArray &part : Parts(cleanBytes))
        Check(part != ".." && given.contains(part));
    Check(FolderPart(path) + NamePart(path) == path);
    Check(!NamePart(path).contains(QLatin1Char('/')));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString path = PathFromBytes(bytes);
    Check(PathToBytes(path) == bytes);
    const bool utf8 = QString::fromUtf8(bytes).toUtf8() == bytes;
    Check(HasForeignBytes(path) == !utf8);
    // Joining keeps the bytes too.
    Check(PathToBytes(path + QLatin1Char('/') + path) == bytes + '/' + bytes);
    const QString shown = DisplayFileName(path);
    Check(!HoldsKeptByte(shown));
    const QString logged = LoggedFileName(path);
    Check(!HoldsKeptByte(logged));
    for (const char32_t c : logged.toUcs4())
        Check(!IsControlCharacter(c));
    Check(DecodeLogText(EncodeLogText(logged)) == logged);
    CheckCleaning(path, bytes);
    return 0;
}
