#include "main/FileBrowser.h"

#include "filesystem/PathBytes.h"

#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>
#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

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

enum class EntryKind { Folder, File };

// Sorted by the text the user sees, without regard to case; names shown alike
// keep the order of their bytes.
void SortByShownName(QStringList &names) {
    std::vector<std::pair<QString, QString>> keyed;
    keyed.reserve(size_t(names.size()));
    for (const QString &name : names)
        keyed.emplace_back(DisplayFileName(name), name);
    std::sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) {
        const int order = a.first.compare(b.first, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : PathToBytes(a.second) < PathToBytes(b.second);
    });
    for (size_t i = 0; i < keyed.size(); ++i)
        names[qsizetype(i)] = keyed[i].second;
}

// The visible entries of folder of one kind, read from the directory itself:
// QDir leaves out every name that is not valid UTF-8, and those are the names
// that archives made on Windows leave behind. A link counts as what it points
// to; a broken link, a device or a pipe is neither kind.
QStringList EntryNames(const QString &folder, EntryKind kind) {
    QStringList names;
    DIR *dir = ::opendir(PathToBytes(folder).constData());
    if (dir == nullptr)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        struct stat st;
        if (entry->d_name[0] == '.' || ::fstatat(::dirfd(dir), entry->d_name, &st, 0) != 0)
            continue;
        if (kind == EntryKind::Folder ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode))
            names << PathFromBytes(QByteArray(entry->d_name));
    }
    ::closedir(dir);
    SortByShownName(names);
    return names;
}

// The parent of path ("/" for a top-level folder).
QString ParentFolder(const QString &path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
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
    // Qt loses the bytes of names that are not UTF-8 on its way to the file
    // system, so ask about the nearest folder up whose path it can pass on:
    // the same volume unless a mount point itself has such a name.
    QString readable = folder;
    while (HasForeignBytes(readable))
        readable = ParentFolder(readable);
    const QStorageInfo volume(readable);
    return volume.isValid() ? volume.rootPath() : QStringLiteral("/");
}

QStringList SubFolderNames(const QString &folder) {
    return EntryNames(folder, EntryKind::Folder);
}

QStringList WaveFileNames(const QString &folder) {
    QStringList names = EntryNames(folder, EntryKind::File);
    names.removeIf([](const QString &name) {
        return !name.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive);
    });
    return names;
}

bool MakeCurrentFolder(const QString &folder) {
    return ::chdir(PathToBytes(folder).constData()) == 0;
}

QString JoinPath(const QString &folder, const QString &name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

QString WithTrailingSeparator(const QString &folder) {
    return folder.endsWith('/') ? folder : folder + '/';
}
