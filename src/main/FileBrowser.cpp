// Folder browsing in the main window: what the drive box, the folder list and
// the file list show, read from the file system, and the window's side of
// them (filling them, their handlers, and what the file selection sets).

#include "main/FileBrowser.h"

#include "batch/OutputName.h"
#include "filesystem/FileSystem.h"
#include "filesystem/PathBytes.h"
#include "main/TForm1.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
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

// An item showing name's display text and keeping name itself.
void AddNameItem(QListWidget *list, const QString &name) {
    auto *item = new QListWidgetItem(DisplayFileName(name), list);
    item->setData(TForm1::kNameRole, name);
}

// What edOutFile shows while outputs are named automatically: the pattern of
// the names a removal run will give, not a name of its own.
QString AutoOutputPattern(int selectedCount, const QString &inputPath) {
    if (selectedCount >= 2)
        return QStringLiteral("?????") + kAutoOutputSuffix;
    return DisplayFileName(AutoOutputName(QFileInfo(inputPath).fileName(), DotlessName::Drop));
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

// --- the main window's drive box, folder list and file list ---

void TForm1::FillDriveBox() {
    cbDrive1->clear();
    cbDrive1->addItems(VolumeRoots());
}

// Selects root in the drive box without running cbDrive1Change; a volume the
// box did not list (a folder restored on a volume mounted since) is added.
void TForm1::SelectDrive(const QString &root) {
    const QSignalBlocker blocker(cbDrive1);
    int index = cbDrive1->findText(root);
    if (index < 0) {
        cbDrive1->addItem(root);
        index = cbDrive1->count() - 1;
    }
    cbDrive1->setCurrentIndex(index);
}

bool TForm1::ShowFolder(const QString &folder) {
    // Cleaned as text, so a folder name that is not UTF-8 keeps its bytes.
    const QString clean = AbsoluteCleanPath(folder, FileSystem::ResolvedFolder(QString()));
    if (!FileSystem::IsFolder(clean) || !MakeCurrentFolder(clean))
        return false;
    shownFolder_ = clean;
    SelectDrive(VolumeRootOf(clean));
    FillFolderList();
    edFolderChange();
    return true;
}

// The first row names the folder shown, so the user always sees where the
// lists are; ".." goes up, the other rows are the sub-folders.
void TForm1::FillFolderList() {
    const QSignalBlocker blocker(edFolder);
    edFolder->clear();
    auto *here = new QListWidgetItem(DisplayFileName(shownFolder_), edFolder);
    QFont bold = edFolder->font();
    bold.setBold(true);
    here->setFont(bold);
    here->setFlags(Qt::ItemIsEnabled);
    if (shownFolder_ != QStringLiteral("/"))
        new QListWidgetItem(QStringLiteral(".."), edFolder);
    for (const QString &name : SubFolderNames(shownFolder_))
        AddNameItem(edFolder, name);
}

void TForm1::FillFileList() {
    {
        const QSignalBlocker blocker(edFile);
        edFile->clear();
        for (const QString &name : WaveFileNames(shownFolder_))
            AddNameItem(edFile, name);
        edFile->setCurrentRow(-1);
    }
    edFileChange();
}

void TForm1::cbDrive1Change() {
    const QString root = cbDrive1->currentText();
    if (root.isEmpty() || root == VolumeRootOf(shownFolder_))
        return;
    // A root that cannot be shown (unreadable, unmounted meanwhile) leaves the
    // lists where they were, so the drive box must say so too: the settings
    // remember the drive and the folder as a pair.
    if (!ShowFolder(root))
        SelectDrive(VolumeRootOf(shownFolder_));
}

void TForm1::edFolderActivated(QListWidgetItem *item) {
    if (item == nullptr || item == edFolder->item(0))
        return;
    if (item->text() == QStringLiteral(".."))
        ShowFolder(QFileInfo(shownFolder_).dir().absolutePath());
    else
        ShowFolder(JoinPath(shownFolder_, item->data(kNameRole).toString()));
}

void TForm1::edFolderChange() {
    FillFileList();
}

void TForm1::edFileChange() {
    const int selectedCount = static_cast<int>(edFile->selectedItems().size());
    lbFNum->setText(QString::number(selectedCount));
    const QListWidgetItem *focused = edFile->currentItem();
    inputPath = focused != nullptr && focused->isSelected()
                           ? JoinPath(shownFolder_, focused->data(kNameRole).toString())
                           : QString();
    // The runs and the log folder need the listed folder even when the focus
    // rests on an unselected item (after a Ctrl-click), so it does not come
    // from inputPath.
    inputFolder = WithTrailingSeparator(shownFolder_);
    if (settings.ckAuto)
        edOutFile->setText(AutoOutputPattern(selectedCount, inputPath));
}

bool TForm1::ShowStartSelection(const QString &folder, const QStringList &names) {
    if (!ShowFolder(folder))
        return false;
    QHash<QString, QListWidgetItem *> items;
    for (int row = 0; row < edFile->count(); ++row)
        items.insert(edFile->item(row)->data(kNameRole).toString(), edFile->item(row));
    QListWidgetItem *focus = nullptr;
    {
        const QSignalBlocker blocker(edFile);
        for (const QString &name : names) {
            QListWidgetItem *item = items.value(name);
            if (item == nullptr)
                continue;
            item->setSelected(true);
            if (focus == nullptr)
                focus = item;
        }
        if (focus != nullptr)
            edFile->setCurrentItem(focus, QItemSelectionModel::NoUpdate);
    }
    if (focus != nullptr)
        edFile->scrollToItem(focus);
    edFileChange();
    return true;
}
