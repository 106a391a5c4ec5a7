#pragma once
// Creating the files the program writes, each with the checks that keep a
// run's files safe (inputs are opened by FileHandle::OpenRead). A closed
// result says why (failure()): nothing here tells the user or asks anything.

#include "filesystem/AtomicFile.h"
#include "filesystem/ProtectedFiles.h"

#include <QString>

// Creates the output file of a removal pass. An existing file is deleted
// first, so the disk needs no room for both, and the output is written under
// its temporary name until committed. A path that names one of kept (the
// run's inputs and the files it made, whatever the spelling or link) is never
// deleted or truncated: Protected. Whether an existing file may be replaced
// at all is the caller's question, asked before this.
AtomicFile CreateOutputFile(const QString &path, const ProtectedFiles &kept = {});

// Creates a file the user picked in a save dialog (the export, the dump). A
// link is followed, as the user meant its target; a regular file is replaced
// when committed. A FIFO (with its reader waiting), a character device or
// this process's own standard output or error is written through, so nothing
// takes its place. One of kept (Protected), a folder (Folder), any other kind
// of file (NotRegular) or a dangling link (DanglingLink) is refused.
AtomicFile CreateChosenFile(const QString &path, const ProtectedFiles &kept);

// Creates a work file of the program's own (the preview's temporary file),
// replaced when committed; an entry at path (a link too) is replaced, never
// written through. A path that names one of kept (Protected), or an entry
// there that is not the very work file this program wrote (Occupied: a
// user's file of that name), is refused.
AtomicFile CreateWorkFile(const QString &path, const ProtectedFiles &kept);
