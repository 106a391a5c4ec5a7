#include "filesystem/ProtectedFiles.h"

#include <algorithm>

void ProtectedFiles::AddMember(const QString &path, const QString &madeAt) {
    if (const auto id = FileSystem::IdentityOf(path))
        members_.push_back(Member{*id, madeAt});
}

void ProtectedFiles::Add(const QString &path) {
    AddMember(path, QString());
}

void ProtectedFiles::AddMade(const QString &path) {
    AddMember(path, path);
}

bool ProtectedFiles::Guards(const QString &path, const QString &self) const {
    const auto id = FileSystem::IdentityOf(path);
    return id && std::any_of(members_.begin(), members_.end(), [&](const Member &m) {
               return m.id == *id && (m.madeAt.isEmpty() || m.madeAt != self);
           });
}

void ProtectedFiles::RememberWorkFile(const QString &path, const FileSystem::FileStamp &stamp) {
    // The one written before at this name has been replaced by this one.
    std::erase_if(workFiles_, [&](const WorkFile &w) { return w.path == path; });
    workFiles_.push_back(WorkFile{path, stamp});
}

bool ProtectedFiles::IsOwnWorkFile(const QString &path) const {
    // The entry itself: a link put in the work file's place is not the work file.
    if (FileSystem::IsLink(path))
        return false;
    const auto now = FileSystem::StampOf(path);
    // Known by the stamp, not the spelling: the same folder may be named two ways.
    return now && std::any_of(workFiles_.begin(), workFiles_.end(),
                              [&](const WorkFile &w) { return w.stamp == *now; });
}

void ProtectedFiles::RemoveOwnWorkFile(const QString &path) {
    const auto now = FileSystem::StampOf(path);
    if (!IsOwnWorkFile(path))
        return;
    FileSystem::Remove(path);
    std::erase_if(workFiles_, [&](const WorkFile &w) { return w.stamp == *now; });
}

void ProtectedFiles::RemoveOwnWorkFiles() {
    for (const WorkFile &w : std::vector<WorkFile>(workFiles_))
        RemoveOwnWorkFile(w.path);
}
