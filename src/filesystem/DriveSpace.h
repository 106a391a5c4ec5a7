#pragma once
// The free-space test a removal pass makes before writing its output.

#include <QString>

// True when the free space of the volume holding outputFolder, less the size of
// the input file, exceeds 1,000,000 bytes.
bool HasDriveSpace(const QString &inputPath, const QString &outputFolder);
