// Saving a file so that it survives: a file is replaced whole through a
// temporary file renamed over it when the new file can carry everything the
// old one had, and is otherwise written in place; either way only the file
// that was checked is written, and every step's failure is told.
#pragma once
#include <signal.h>
#include <sys/stat.h>

#include <climits>
#include <cstddef>
#include <cstdint>

// The step of a save that failed; the caller puts it into words.
enum SaveStep {
    SAVE_STEP_NAME,        // the name, its links followed, is too long
    SAVE_STEP_FOLDER,      // its folder cannot be opened
    SAVE_STEP_CHECK,       // what the name holds cannot be looked at
    SAVE_STEP_KIND,        // it is a folder, or links that never end
    SAVE_STEP_ACCESS,      // the user may not write the file
    SAVE_STEP_TEMPORARY,   // no temporary file can be made beside it
    SAVE_STEP_OPEN,        // it cannot be opened for writing
    SAVE_STEP_CHANGED,     // another file took the name after the check
    SAVE_STEP_SIZE_LIMIT,  // the file size limit is below what is to be written
    SAVE_STEP_READ,        // the source file cannot be read
    SAVE_STEP_WRITE,
    SAVE_STEP_FLUSH,
    SAVE_STEP_CLOSE,
    SAVE_STEP_REPLACE,  // the rename over the old file failed
    SAVE_STEP_COUNT
};

// Why a save failed: the step and the system's error number (0 when none).
struct SaveFailure {
    SaveStep step;
    int error;
};

// The file a save writes, as it was checked before anything was written.
struct SaveTarget {
    char path[PATH_MAX];  // the name with its links followed, even to no file
    size_t nameAt;        // where the last component starts in `path`
    int folder;           // the folder holding it, open for the whole save (-1 when closed)
    int file;             // the checked regular file, open for reading; else -1
    int readError;        // why a regular file could not be opened for reading, else 0
    int exists;           // the name held something at the check
    struct stat checked;  // what it held, links not followed
};

// What a save puts into the file: `size` bytes in memory, or (fd >= 0) all
// that an open file holds, from its start.
struct SaveSource {
    const uint8_t* bytes;
    size_t size;
    int fd;
};

// The file size signal's disposition before a save, put back after it.
struct FileSizeSignal {
    struct sigaction previous;
};

// Follows the symbolic links of `path` (at most 16) to the file they lead to,
// even when that does not exist yet. False when the result does not fit.
bool ResolveLinks(const char* path, char* out, size_t outSize);

// Resolves `path`, opens its folder, looks at what the name holds and opens a
// regular file for reading. On false the failure is set and nothing is held.
bool OpenSaveTarget(const char* path, SaveTarget* target, SaveFailure* failure);

// Closes what OpenSaveTarget holds; safe to call again.
void CloseSaveTarget(SaveTarget* target);

// Puts `src` into the target. Nothing there yet, or a regular file with one
// name whose owner, group and extended attributes (its ACL among them) the
// new file can carry: a temporary file beside it, complete and flushed, is
// renamed over it. Anything else is written in place, only when still the
// checked file and only when the size limit allows all of it. Mode, owner,
// group and attributes are kept; a new file takes those of `like` when
// given. On false the failure is set, the old file is whole (a write error
// part-way through an in-place write aside) and no temporary file is left.
bool WriteSaveTarget(const SaveTarget& target,
                     const SaveTarget* like,
                     const SaveSource& src,
                     SaveFailure* failure);

// Until ReleaseFileSizeSignal, a write past the file size limit fails with
// EFBIG instead of killing the process.
void HoldFileSizeSignal(FileSizeSignal* saved);
void ReleaseFileSizeSignal(const FileSizeSignal* saved);
