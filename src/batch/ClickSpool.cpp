#include "batch/ClickSpool.h"

#include "filesystem/PathBytes.h"

#include <QDir>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr size_t kBufferRecords = 8192;

// An unnamed file in folder: O_TMPFILE where the volume has it, otherwise a
// named one removed at once, before any record is written.
int OpenUnnamed(const QString &folder) {
    const QByteArray dir = PathToBytes(folder.isEmpty() ? QDir::tempPath() : folder);
    int fd = ::open(dir.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0)
        return fd;
    QByteArray name = dir + "/.norvatel-spool-XXXXXX";
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0)
        ::unlink(name.constData());
    return fd;
}

bool WriteAll(int fd, const char *data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

} // namespace

ClickSpool::ClickSpool(const QString &folder) : fd_(OpenUnnamed(folder)), failed_(fd_ < 0) {
    pending_.reserve(kBufferRecords);
}

ClickSpool::~ClickSpool() {
    if (fd_ >= 0)
        ::close(fd_);
}

void ClickSpool::append(const Record &record) {
    ++count_;
    if (failed_)
        return;
    pending_.push_back(record);
    if (pending_.size() >= kBufferRecords)
        Flush();
}

bool ClickSpool::Flush() {
    if (!failed_ && !WriteAll(fd_, reinterpret_cast<const char *>(pending_.data()),
                              pending_.size() * sizeof(Record)))
        failed_ = true;
    pending_.clear();
    return !failed_;
}

bool ClickSpool::ForEach(const std::function<void(const Record &)> &take) {
    if (!Flush() || ::lseek(fd_, 0, SEEK_SET) != 0)
        return false;
    std::vector<Record> buffer(kBufferRecords);
    int64_t left = count_;
    while (left > 0) {
        const size_t want = size_t(std::min<int64_t>(left, int64_t(buffer.size()))) * sizeof(Record);
        ssize_t n;
        do
            n = ::read(fd_, buffer.data(), want);
        while (n < 0 && errno == EINTR);
        if (n <= 0 || size_t(n) % sizeof(Record) != 0)
            return false;
        const size_t got = size_t(n) / sizeof(Record);
        for (size_t i = 0; i < got; ++i)
            take(buffer[i]);
        left -= int64_t(got);
    }
    return true;
}
