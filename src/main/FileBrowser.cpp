#include "main/FileBrowser.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>

namespace {

// Kernel, device and container plumbing: nothing a user keeps sound files on.
bool IsPseudoFileSystem(const QByteArray &type) {
    static const QSet<QByteArray> pseudo{
        "proc",    "sysfs",       "devtmpfs",  "devpts",          "cgroup",
        "cgroup2", "securityfs",  "debugfs",   "tracefs",         "pstore",
        "bpf",     "mqueue",      "hugetlbfs", "configfs",        "fusectl",
        "autofs",  "binfmt_misc", "efivarfs",  "rpc_pipefs",      "nsfs",
        "ramfs",   "tmpfs",       "squashfs",  "fuse.gvfsd-fuse", "fuse.portal"};
    return pseudo.contains(type);
}

bool IsUnderSystemTree(const QString &root) {
    // Removable drives are mounted for the user under /run/media.
    if (root.startsWith(QLatin1String("/run/media/")))
        return false;
    for (const char *prefix : {"/proc", "/sys", "/dev", "/run", "/snap", "/boot/efi"}) {
        const QString p = QString::fromLatin1(prefix);
        if (root == p || root.startsWith(p + '/'))
            return true;
    }
    return false;
}

} // namespace

QStringList VolumeRoots() {
    QStringList roots;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        if (!volume.isValid() || !volume.isReady() || IsPseudoFileSystem(volume.fileSystemType()))
            continue;
        // Containers bind single files (/etc/hosts, ...) as mounts; only folders are volumes.
        if (!QFileInfo(root).isDir() || IsUnderSystemTree(root) || roots.contains(root))
            continue;
        roots << root;
    }
    roots.removeAll(QStringLiteral("/"));
    roots.sort();
    roots.prepend(QStringLiteral("/"));
    return roots;
}

QString VolumeRootOf(const QString &folder) {
    const QStorageInfo volume(folder);
    return volume.isValid() ? volume.rootPath() : QStringLiteral("/");
}

QStringList SubFolderNames(const QString &folder) {
    return QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

QStringList WaveFileNames(const QString &folder) {
    // Name filters match without regard to case unless QDir::CaseSensitive is given.
    return QDir(folder).entryList({QStringLiteral("*.wav")}, QDir::Files,
                                  QDir::Name | QDir::IgnoreCase);
}

QString JoinPath(const QString &folder, const QString &name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

QString WithTrailingSeparator(const QString &folder) {
    return folder.endsWith('/') ? folder : folder + '/';
}
