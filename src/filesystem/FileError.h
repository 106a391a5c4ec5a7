#pragma once
// Why a file could not be opened or created. The file layer only names the
// reason; whoever called it decides what the user is told.

enum class FileError {
    None,
    Missing,      // no entry of that name, or a folder on the way is missing
    Folder,       // a folder where a file was wanted
    NotRegular,   // a device, a FIFO or the like where a regular file was wanted
    DanglingLink, // a link to nothing: no place to make a file
    NoReader,     // nothing at the other end: a FIFO nobody reads, a device not there
    Denied,       // the system refused: permissions, a read-only volume
    Protected,    // one of the run's files, which is never deleted or replaced
    Occupied,     // a file the program did not write stands at its work file's name
    Failed,       // any other reason the system gave
};

// The reason for a system error number.
FileError FileErrorOf(int error);
