#include "batch/OutputName.h"

QString CutExtension(const QString &name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

QString AutoOutputName(const QString &inputName, DotlessName dotless) {
    const bool dotlessDropped = dotless == DotlessName::Drop && !inputName.contains('.');
    return (dotlessDropped ? QString() : CutExtension(inputName)) + kAutoOutputSuffix;
}
