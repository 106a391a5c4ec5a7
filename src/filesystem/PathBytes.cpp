#include "filesystem/PathBytes.h"

#include <QStringDecoder>
#include <QStringList>

namespace {

// A byte b that is not part of valid UTF-8 is kept as U+DC00 + b. Bytes below
// 0x80 are always valid, so only U+DC80 to U+DCFF carry bytes.
constexpr char16_t kByteBase = 0xDC00;
constexpr char16_t kFirstByteUnit = 0xDC80;
constexpr char16_t kLastByteUnit = 0xDCFF;

bool IsContinuation(uint8_t b, uint8_t low = 0x80, uint8_t high = 0xBF) {
    return b >= low && b <= high;
}

// How many bytes a sequence with this lead byte has (0: not a lead byte) and
// the range its second byte must lie in. The ranges leave out overlong forms,
// encoded surrogates and code points past U+10FFFF.
struct LeadRule {
    int length;
    uint8_t low, high;
};

LeadRule RuleFor(uint8_t lead) {
    if (lead < 0x80)
        return {1, 0, 0};
    if (lead >= 0xC2 && lead <= 0xDF)
        return {2, 0x80, 0xBF};
    if (lead == 0xE0)
        return {3, 0xA0, 0xBF};
    if (lead == 0xED)
        return {3, 0x80, 0x9F};
    if (lead >= 0xE1 && lead <= 0xEF)
        return {3, 0x80, 0xBF};
    if (lead == 0xF0)
        return {4, 0x90, 0xBF};
    if (lead >= 0xF1 && lead <= 0xF3)
        return {4, 0x80, 0xBF};
    if (lead == 0xF4)
        return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

// Length of the well-formed UTF-8 sequence at bytes[at], or 0 when there is
// none; the bytes of a malformed sequence are then kept one by one.
int SequenceLength(const QByteArray &bytes, qsizetype at) {
    const auto byte = [&](qsizetype i) { return uint8_t(bytes[at + i]); };
    const LeadRule rule = RuleFor(byte(0));
    if (rule.length <= 1)
        return rule.length;
    if (bytes.size() - at < rule.length || !IsContinuation(byte(1), rule.low, rule.high))
        return 0;
    for (int i = 2; i < rule.length; ++i)
        if (!IsContinuation(byte(i)))
            return 0;
    return rule.length;
}

// True when path[i] is a kept byte rather than the second half of a pair.
bool IsByteUnit(QStringView path, qsizetype i) {
    const char16_t unit = path[i].unicode();
    return unit >= kFirstByteUnit && unit <= kLastByteUnit &&
           (i == 0 || !path[i - 1].isHighSurrogate());
}

// path with each kept byte as the character with.
QString WithBytesAs(QString path, QChar with) {
    for (qsizetype i = 0; i < path.size(); ++i)
        if (IsByteUnit(path, i))
            path[i] = with;
    return path;
}

} // namespace

QByteArray PathToBytes(const QString &path) {
    QByteArray bytes;
    bytes.reserve(path.size());
    qsizetype textStart = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (!IsByteUnit(path, i))
            continue;
        bytes += QStringView(path).mid(textStart, i - textStart).toUtf8();
        bytes += char(path[i].unicode() - kByteBase);
        textStart = i + 1;
    }
    bytes += QStringView(path).mid(textStart).toUtf8();
    return bytes;
}

QString PathFromBytes(const QByteArray &bytes) {
    QString path;
    path.reserve(bytes.size());
    qsizetype textStart = 0;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const int length = SequenceLength(bytes, i);
        if (length > 0) {
            i += length;
            continue;
        }
        path += QString::fromUtf8(bytes.constData() + textStart, i - textStart);
        path += QChar(char16_t(kByteBase + uint8_t(bytes[i])));
        textStart = ++i;
    }
    path += QString::fromUtf8(bytes.constData() + textStart, bytes.size() - textStart);
    return path;
}

bool HasForeignBytes(const QString &path) {
    for (qsizetype i = 0; i < path.size(); ++i)
        if (IsByteUnit(path, i))
            return true;
    return false;
}

QString DisplayFileName(const QString &path) {
    if (!HasForeignBytes(path))
        return path;
    // Stateless, so a lead byte left without its second byte at the end is an
    // error too, not silently dropped.
    QStringDecoder cp932("CP932", QStringConverter::Flag::Stateless);
    const QString text = cp932.isValid() ? cp932.decode(PathToBytes(path)) : QString();
    if (cp932.isValid() && !cp932.hasError())
        return text;
    return WithBytesAs(path, QLatin1Char('?'));
}

QString TextWithBytesReplaced(const QString &path) {
    return WithBytesAs(path, QChar::ReplacementCharacter);
}

QString NamePart(const QString &path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString FolderPart(const QString &path) {
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString AbsoluteCleanPath(const QString &path, const QString &base) {
    const QString joined = path.startsWith(QLatin1Char('/')) ? path : base + QLatin1Char('/') + path;
    QStringList parts;
    for (const QString &part : joined.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("..")) {
            if (!parts.isEmpty()) // nothing above the root
                parts.removeLast();
        } else if (part != QLatin1String("."))
            parts << part;
    }
    return QLatin1Char('/') + parts.join(QLatin1Char('/'));
}
