#include "filesystem/DriveSpace.h"

#include "filesystem/FileSystem.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr int64_t kSpaceMarginBytes = 1000000;

} // namespace

bool HasDriveSpace(const QString &inputPath, const QString &outputFolder) {
    const int64_t freeBytes = FileSystem::FreeBytes(outputFolder);
    if (freeBytes < 0)
        return false;
    // An input that cannot be looked at counts as empty: its pass fails on
    // reading it, which reports the real trouble better than "no space".
    const int64_t inputBytes = std::max<int64_t>(FileSystem::SizeOf(inputPath), 0);
    return freeBytes - inputBytes > kSpaceMarginBytes;
}
