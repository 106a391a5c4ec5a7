#include "batch/RunStatus.h"

#include "filesystem/PathBytes.h"

RunStatus RunStatus::NoiseDeleteAt(const QString &outputName) {
    return RunStatus(Kind::NoiseDeleteAt, outputName);
}

RunStatus RunStatus::NoNoiseAt(const QString &outputName) {
    return RunStatus(Kind::NoNoiseAt, outputName);
}

RunStatus RunStatus::PassExistsAt(const QString &outputName) {
    return RunStatus(Kind::PassExistsAt, outputName);
}

QString RunStatus::text() const {
    switch (kind_) {
    case Kind::OK:
        return QStringLiteral("OK");
    case Kind::Abort:
        return QStringLiteral("Abort");
    case Kind::NotWaveFile:
        return QStringLiteral("Not Wave File");
    case Kind::WaveFileFormatError:
        return QStringLiteral("Wave File Format Error");
    case Kind::FileOpenError:
        return QStringLiteral("File Open Error");
    case Kind::InputFileOpenError:
        return QStringLiteral("Input File Open Error");
    case Kind::WriteFileOpenError:
        return QStringLiteral("Write File Open Error");
    case Kind::NoDriveSpace:
        return QStringLiteral("No Drive Space");
    case Kind::NoiseDetect:
        return QStringLiteral("Noise Detect");
    case Kind::NoiseDeleteAt:
        return QStringLiteral("Noise Delete at ") + DisplayFileName(outputName_);
    case Kind::NoNoiseAt:
        return QStringLiteral("NO Noise at ") + DisplayFileName(outputName_);
    case Kind::PassNoNoise:
        return QStringLiteral("Pass No Noise");
    case Kind::PassExistsAt:
        return QStringLiteral("Pass Exists at ") + DisplayFileName(outputName_);
    }
    return {};
}

bool RunStatus::isFailure() const {
    switch (kind_) {
    case Kind::OK:
    case Kind::NoiseDetect:
    case Kind::NoiseDeleteAt:
    case Kind::NoNoiseAt:
    case Kind::PassNoNoise:
    case Kind::PassExistsAt:
        return false;
    default:
        return true;
    }
}
