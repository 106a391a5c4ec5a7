#include "filesystem/AtomicFile.h"
#include "filesystem/FileSystem.h"

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
      temporary_(std::exchange(other.temporary_, QString())), through_(other.through_),
      error_(other.error_), failure_(other.failure_) {}

AtomicFile &AtomicFile::operator=(AtomicFile &&other) noexcept {
    if (this != &other) {
        abandon();
        file_ = std::move(other.file_);
        target_ = std::move(other.target_);
        temporary_ = std::exchange(other.temporary_, QString());
        through_ = other.through_;
        error_ = other.error_;
        failure_ = other.failure_;
    }
    return *this;
}

AtomicFile AtomicFile::Create(const QString &target) {
    AtomicFile atomic;
    if (target.isEmpty() || FileSystem::NameTooLong(target)) {
        atomic.error_ = target.isEmpty() ? ENOENT : ENAMETOOLONG;
        atomic.failure_ = FileErrorOf(atomic.error_);
        return atomic;
    }
    QString temporary;
    int fd = CreateUnique(target, temporary);
    if (fd < 0 && errno == ENAMETOOLONG) {
        const qsizetype nameStart = target.lastIndexOf(QLatin1Char('/')) + 1;
        fd = CreateUnique(target.left(nameStart + kShortNameChars), temporary);
    }
    if (fd < 0) {
        atomic.error_ = errno;
        atomic.failure_ = FileErrorOf(atomic.error_);
        return atomic;
    }
    // A file replaced keeps the permissions its owner gave it, but never the
    // set-user-id, set-group-id or sticky bit: a link's target may carry them.
    if (const auto mode = FileSystem::PermissionsOf(target))
        (void)::fchmod(fd, *mode & 0777);
    atomic.file_ = FileHandle(fd);
    atomic.target_ = target;
    atomic.temporary_ = temporary;
    return atomic;
}

AtomicFile AtomicFile::Failed(FileError why) {
    AtomicFile atomic;
    atomic.failure_ = why;
    return atomic;
}

AtomicFile AtomicFile::WriteThrough(FileHandle file) {
    AtomicFile atomic;
    atomic.file_ = std::move(file);
    atomic.through_ = true;
    return atomic;
}

bool AtomicFile::commit() {
    if (!file_.isOpen())
        return false;
    if (through_) {
        file_.close();
        return true;
    }
    const bool synced = file_.sync();
    error_ = synced ? 0 : errno;
    file_.close();
    if (synced && !FileSystem::Rename(temporary_, target_))
        error_ = errno;
    if (error_ != 0) {
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
