#include "wavefile/AtomicFile.h"
#include "wavefile/FileSystem.h"

#include <QRandomGenerator>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <utility>

namespace {

const QString kUnfinishedMark = QStringLiteral(".unfinished-");
constexpr int kNameTries = 64;
// A name near the system's length limit has no room for the mark; its
// temporary file takes this much of it instead.
constexpr qsizetype kShortNameChars = 40;

QString RandomTag() {
    static const char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString tag;
    for (int i = 0; i < 6; ++i)
        tag += QLatin1Char(kLetters[QRandomGenerator::global()->bounded(62)]);
    return tag;
}

// Creates a new file named stem + the mark + a random tag; several runs may
// write one target at once, and each gets its own name. -1 (errno set) when
// no file could be made.
int CreateUnique(const QString &stem, QString &temporary) {
    for (int i = 0; i < kNameTries; ++i) {
        temporary = stem + kUnfinishedMark + RandomTag();
        const int fd =
            FileSystem::Open(temporary, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

AtomicFile::~AtomicFile() {
    abandon();
}

AtomicFile::AtomicFile(AtomicFile &&other) noexcept
    : file_(std::move(other.file_)), target_(std::move(other.target_)),
      temporary_(std::exchange(other.temporary_, QString())) {}

AtomicFile &AtomicFile::operator=(AtomicFile &&other) noexcept {
    if (this != &other) {
        abandon();
        file_ = std::move(other.file_);
        target_ = std::move(other.target_);
        temporary_ = std::exchange(other.temporary_, QString());
    }
    return *this;
}

AtomicFile AtomicFile::Create(const QString &target) {
    if (target.isEmpty())
        return AtomicFile();
    QString temporary;
    int fd = CreateUnique(target, temporary);
    if (fd < 0 && errno == ENAMETOOLONG) {
        const qsizetype nameStart = target.lastIndexOf(QLatin1Char('/')) + 1;
        fd = CreateUnique(target.left(nameStart + kShortNameChars), temporary);
    }
    if (fd < 0)
        return AtomicFile();
    // A file replaced keeps the permissions its owner gave it.
    if (const auto mode = FileSystem::PermissionsOf(target))
        (void)::fchmod(fd, *mode);
    AtomicFile atomic;
    atomic.file_ = FileHandle(fd);
    atomic.target_ = target;
    atomic.temporary_ = temporary;
    return atomic;
}

bool AtomicFile::commit() {
    if (!file_.isOpen())
        return false;
    const bool synced = file_.sync();
    file_.close();
    if (!synced || !FileSystem::Rename(temporary_, target_)) {
        abandon();
        return false;
    }
    temporary_.clear();
    return true;
}

void AtomicFile::abandon() {
    file_.close();
    if (!temporary_.isEmpty())
        FileSystem::Remove(temporary_);
    temporary_.clear();
}
