#pragma once
// What the main window's drive box, folder list and file list show, read from
// the file system. Paths use "/" and carry no trailing separator except the root.

#include <QString>
#include <QStringList>

// Roots of the mounted volumes that hold real files (no kernel or device
// pseudo file systems), sorted, "/" always first.
QStringList VolumeRoots();
// Root of the volume that holds folder.
QString VolumeRootOf(const QString &folder);
// Names of folder's visible sub-folders, sorted without regard to case.
QStringList SubFolderNames(const QString &folder);
// Names of folder's files ending in ".wav" in any letter case, sorted without
// regard to case.
QStringList WaveFileNames(const QString &folder);
// folder + "/" + name, without doubling the separator at the root.
QString JoinPath(const QString &folder, const QString &name);
// folder with exactly one trailing separator.
QString WithTrailingSeparator(const QString &folder);
