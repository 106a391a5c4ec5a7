#pragma once
// The clicks one file's pass reports while it runs beside others: each record
// goes, as its four numbers, to an unnamed temporary file, so a file with
// millions of clicks holds only a small buffer, and a run killed outright
// leaves nothing behind. The run reads them back in order when the file's
// turn comes to be logged.

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

class ClickSpool {
public:
    struct Record {
        int32_t id, index, value, width;
    };

    // Opens the spool in folder (the temporary folder when empty); a spool
    // that could not be opened, or whose write failed, says so in failed().
    explicit ClickSpool(const QString &folder = QString());
    ~ClickSpool();
    ClickSpool(const ClickSpool &) = delete;
    ClickSpool &operator=(const ClickSpool &) = delete;

    void append(const Record &record);
    int64_t size() const { return count_; }
    bool failed() const { return failed_; }
    // Hands every record to take, in the order appended; false when they
    // could not all be read back.
    bool ForEach(const std::function<void(const Record &)> &take);

private:
    bool Flush();

    int fd_ = -1;
    std::vector<Record> pending_;
    int64_t count_ = 0;
    bool failed_ = false;
};
