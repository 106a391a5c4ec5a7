#pragma once
// What the main window's drive box, folder list and file list show, read from
// the file system. Paths use "/" and carry no trailing separator except the root.
// Names and paths carry their bytes (filesystem/PathBytes.h): a name that is not
// UTF-8 is listed, and the folder calls here reach the folder it names.
// FileBrowser.cpp also holds the main window's side: filling the three
// controls and their handlers.

#include <QString>
#include <QStringList>

// Roots of the mounted volumes that hold real files (no kernel or device
// pseudo file systems), sorted, "/" always first.
QStringList VolumeRoots();
// Root of the volume that holds folder.
QString VolumeRootOf(const QString &folder);
// Names of folder's visible sub-folders, sorted by their shown text without
// regard to case.
QStringList SubFolderNames(const QString &folder);
// Names of folder's visible files ending in ".wav" in any letter case, sorted
// as the sub-folders.
QStringList WaveFileNames(const QString &folder);
// Makes folder the process's current directory; false when it cannot be entered.
bool MakeCurrentFolder(const QString &folder);
// folder + "/" + name, without doubling the separator at the root.
QString JoinPath(const QString &folder, const QString &name);
// folder with exactly one trailing separator.
QString WithTrailingSeparator(const QString &folder);
