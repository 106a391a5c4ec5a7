#pragma once
// Readable test failure output for texts, text lists and run statuses.

#include "batch/RunStatus.h"

#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os) {
    *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList &lines, std::ostream *os) {
    *os << '{';
    for (const QString &line : lines)
        *os << " \"" << line.toStdString() << "\"";
    *os << " }";
}

inline void PrintTo(const RunStatus &status, std::ostream *os) {
    PrintTo(status.text(), os);
}
