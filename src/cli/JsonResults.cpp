#include "JsonResults.h"

#include "filesystem/PathBytes.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

namespace {

// In the summary's order; StatusIndex gives each kind its place here.
const char *const kStatusWords[] = {"detected",      "clean",           "repaired", "copied",
                                    "skipped_clean", "skipped_existing", "failed",  "stopped"};

static_assert(std::size(kStatusWords) == JsonResults::kWords);

std::size_t StatusIndex(const RunStatus &status) {
    switch (status.kind()) {
    case RunStatus::Kind::NoiseDetect:
        return 0;
    case RunStatus::Kind::OK: // only a detection run's rows are plain "OK"
        return 1;
    case RunStatus::Kind::NoiseDeleteAt:
        return 2;
    case RunStatus::Kind::NoNoiseAt:
        return 3;
    case RunStatus::Kind::PassNoNoise:
        return 4;
    case RunStatus::Kind::PassExistsAt:
        return 5;
    case RunStatus::Kind::Abort:
        return 7;
    default:
        return 6;
    }
}

// JSON text is Unicode: a path whose bytes are not all UTF-8 is shown with
// U+FFFD for each such byte, and its bytes go beside it in base64
// (key + "_bytes"), so a reader can still name the very file.
void PutPath(QJsonObject &object, const QString &key, const QString &path) {
    if (path.isEmpty()) {
        object[key] = QJsonValue::Null;
        return;
    }
    object[key] = TextWithBytesReplaced(path);
    if (HasForeignBytes(path))
        object[key + QLatin1String("_bytes")] = QString::fromLatin1(PathToBytes(path).toBase64());
}

QByteArray Line(const QJsonObject &object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace

QString JsonResults::StatusWord(const RunStatus &status) {
    return QString::fromLatin1(kStatusWords[StatusIndex(status)]);
}

QByteArray JsonResults::Row(int32_t ordinal, const QString &input, const QString &output,
                            int32_t clicks, const RunStatus &status, const QString &text) {
    ++counts_[StatusIndex(status)];
    ++files_;
    clicks_ += clicks;
    QJsonObject row;
    row[QLatin1String("ordinal")] = ordinal;
    PutPath(row, QStringLiteral("input"), input);
    PutPath(row, QStringLiteral("output"), output);
    row[QLatin1String("clicks")] = clicks;
    row[QLatin1String("status")] = StatusWord(status);
    row[QLatin1String("text")] = text;
    return Line(row);
}

QByteArray JsonResults::Summary() const {
    QJsonObject counts;
    for (std::size_t i = 0; i < kWords; ++i)
        counts[QLatin1String(kStatusWords[i])] = qint64(counts_[i]);
    counts[QLatin1String("files")] = qint64(files_);
    counts[QLatin1String("clicks")] = qint64(clicks_);
    QJsonObject summary;
    summary[QLatin1String("summary")] = counts;
    return Line(summary);
}
