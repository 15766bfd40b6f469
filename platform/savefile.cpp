#include "platform/savefile.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr int MAX_LINK_DEPTH = 16;
constexpr int TEMPORARY_TRIES = 100;
constexpr size_t ATTRIBUTE_LIST_MAX = 65536;   // the kernel's XATTR_LIST_MAX
constexpr size_t ATTRIBUTE_VALUE_MAX = 65536;  // the kernel's XATTR_SIZE_MAX

// One file's attribute names, the new file's, and one value: saves run one
// at a time.
char oldAttributeNames[ATTRIBUTE_LIST_MAX];
char newAttributeNames[ATTRIBUTE_LIST_MAX];
char attributeValue[ATTRIBUTE_VALUE_MAX];

enum WriteOutcome { WRITE_DONE, WRITE_FAILED, WRITE_IN_PLACE };

bool Fail(SaveFailure* failure, SaveStep step, int error) {
    *failure = {step, error};
    return false;
}

const char* NameOf(const SaveTarget& target) {
    return target.path + target.nameAt;
}

// Opens the checked name, links not followed, and keeps the descriptor only
// when it is the file that was checked: else -1, errno 0 (another file) or
// ELOOP (a link) for a name that changed, or the open's error.
int OpenChecked(const SaveTarget& target, int flags) {
    int fd = openat(target.folder, NameOf(target), flags | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st;
    if (fstat(fd, &st) == 0 && st.st_dev == target.checked.st_dev &&
        st.st_ino == target.checked.st_ino)
        return fd;
    close(fd);
    errno = 0;
    return -1;
}

bool NameChanged(int error) {
    return error == 0 || error == ELOOP || error == EEXIST;
}

// Opens the folder the name lies in, as a handle for the calls that follow.
bool OpenFolder(SaveTarget* target) {
    const char* slash = std::strrchr(target->path, '/');
    char folder[PATH_MAX];
    if (!slash) {
        std::snprintf(folder, sizeof folder, ".");
        target->nameAt = 0;
    } else {
        int length = slash == target->path ? 1 : int(slash - target->path);
        std::snprintf(folder, sizeof folder, "%.*s", length, target->path);
        target->nameAt = size_t(slash - target->path) + 1;
    }
    target->folder = open(folder, O_PATH | O_DIRECTORY | O_CLOEXEC);
    return target->folder >= 0;
}

// The check: what the name holds now, and a regular file opened for reading.
bool LookAtName(SaveTarget* target, SaveFailure* failure) {
    if (fstatat(target->folder, NameOf(*target), &target->checked, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT || Fail(failure, SAVE_STEP_CHECK, errno);
    target->exists = 1;
    if (!S_ISREG(target->checked.st_mode))
        return true;
    target->file = OpenChecked(*target, O_RDONLY | O_NONBLOCK);
    if (target->file < 0 && NameChanged(errno))
        return Fail(failure, SAVE_STEP_CHANGED, errno);
    target->readError = target->file < 0 ? errno : 0;
    return true;
}

// Writes all n bytes, resuming after interruptions and partial writes.
bool WriteAll(int fd, const uint8_t* bytes, size_t n) {
    while (n > 0) {
        ssize_t done = write(fd, bytes, n);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        bytes += done;
        n -= size_t(done);
    }
    return true;
}

// Writes the source from the start of fd; `written` receives its length.
bool CopySource(int fd, const SaveSource& src, off_t* written, SaveFailure* failure) {
    if (src.fd < 0) {
        *written = off_t(src.size);
        return WriteAll(fd, src.bytes, src.size) || Fail(failure, SAVE_STEP_WRITE, errno);
    }
    uint8_t chunk[4096];
    for (off_t at = 0;;) {
        ssize_t n = pread(src.fd, chunk, sizeof chunk, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Fail(failure, SAVE_STEP_READ, errno);
        if (n == 0) {
            *written = at;
            return true;
        }
        if (!WriteAll(fd, chunk, size_t(n)))
            return Fail(failure, SAVE_STEP_WRITE, errno);
        at += n;
    }
}

// Writes the source over the start of fd; a regular file is then cut to the
// source's length and flushed to disk. Closes fd; records the first error.
bool FillAndClose(int fd, const SaveSource& src, SaveFailure* failure) {
    struct stat st;
    bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    off_t written = 0;
    bool ok = CopySource(fd, src, &written, failure);
    if (ok && regular && ftruncate(fd, written) != 0)
        ok = Fail(failure, SAVE_STEP_WRITE, errno);
    if (ok && regular && fsync(fd) != 0)
        ok = Fail(failure, SAVE_STEP_FLUSH, errno);
    if (close(fd) != 0 && ok)
        ok = Fail(failure, SAVE_STEP_CLOSE, errno);
    return ok;
}

// The mode a fresh file gets when there is no file to take it from.
mode_t DefaultNewFileMode() {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// The new file has, or could be given, the owner and group of `like`.
bool CarryOwner(int fd, const struct stat& like) {
    struct stat st;
    if (fstat(fd, &st) != 0)
        return false;
    if (st.st_uid == like.st_uid && st.st_gid == like.st_gid)
        return true;
    return fchown(fd, like.st_uid, like.st_gid) == 0;
}

bool ListHolds(const char* list, size_t size, const char* name) {
    for (size_t at = 0; at < size; at += std::strlen(list + at) + 1)
        if (std::strcmp(list + at, name) == 0)
            return true;
    return false;
}

// Takes from fd every extended attribute not among `keep` (such as an ACL
// the folder's default ACL gave it).
bool RemoveOtherAttributes(int fd, const char* keep, size_t keepSize) {
    ssize_t n = flistxattr(fd, newAttributeNames, sizeof newAttributeNames);
    if (n < 0)
        return errno == ENOTSUP;
    for (size_t at = 0; at < size_t(n); at += std::strlen(newAttributeNames + at) + 1) {
        const char* name = newAttributeNames + at;
        if (!ListHolds(keep, keepSize, name) && fremovexattr(fd, name) != 0)
            return false;
    }
    return true;
}

// Gives `to` exactly the extended attributes of `from` that the user can
// read; the access ACL is one (system.posix_acl_access), so no ACL library
// is needed. A file system without attributes has none to carry.
bool CarryExtendedAttributes(int to, int from) {
    if (from < 0)
        return false;
    ssize_t n = flistxattr(from, oldAttributeNames, sizeof oldAttributeNames);
    if (n < 0)
        return errno == ENOTSUP;
    if (!RemoveOtherAttributes(to, oldAttributeNames, size_t(n)))
        return false;
    for (size_t at = 0; at < size_t(n); at += std::strlen(oldAttributeNames + at) + 1) {
        const char* name = oldAttributeNames + at;
        ssize_t size = fgetxattr(from, name, attributeValue, sizeof attributeValue);
        if (size < 0 || fsetxattr(to, name, attributeValue, size_t(size), 0) != 0)
            return false;
    }
    return true;
}

// Gives the new file the owner, group, attributes and mode of `like` (the
// default mode without one); false when any of them could not be carried.
bool CarryAttributes(int fd, const SaveTarget* like) {
    if (!like) {
        (void)fchmod(fd, DefaultNewFileMode());
        return true;
    }
    bool owner = CarryOwner(fd, like->checked);
    bool attributes = CarryExtendedAttributes(fd, like->file);
    // Last: a change of owner clears the set-id bits, and with an ACL the
    // group bits are its mask. A file system without modes still saves.
    (void)fchmod(fd, like->checked.st_mode & 07777);
    return owner && attributes;
}

// A new empty file "<name>.XXXXXX" beside the target, for the user alone;
// -1 with errno when none can be made.
int CreateTemporary(const SaveTarget& target, char* out, size_t outSize) {
    static const char LETTERS[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    uint64_t seed = uint64_t(now.tv_nsec) ^ uint64_t(now.tv_sec) << 20 ^ uint64_t(getpid()) << 40;
    for (int i = 0; i < TEMPORARY_TRIES; ++i) {
        char suffix[7] = {};
        for (int k = 0; k < 6; ++k) {
            seed = seed * 6364136223846793005u + 1442695040888963407u;
            suffix[k] = LETTERS[(seed >> 33) % (sizeof LETTERS - 1)];
        }
        if (std::snprintf(out, outSize, "%s.%s", NameOf(target), suffix) >= int(outSize)) {
            errno = ENAMETOOLONG;
            return -1;
        }
        int fd =
            openat(target.folder, out, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Makes the rename itself durable; a folder that cannot be synced still
// holds the new file, so this cannot fail the save.
void SyncFolder(int folder) {
    int fd = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    fsync(fd);
    close(fd);
}

bool RenameOver(const SaveTarget& target, const char* temporary, SaveFailure* failure) {
    return renameat(target.folder, temporary, target.folder, NameOf(target)) == 0 ||
           Fail(failure, SAVE_STEP_REPLACE, errno);
}

// Writes a temporary file beside the target and renames it over the target.
// WRITE_IN_PLACE, having changed nothing, when the folder takes no new file
// from this user, or when the new file cannot carry what the old one has.
WriteOutcome ReplaceThroughTemporary(const SaveTarget& target,
                                     const SaveTarget* like,
                                     const SaveSource& src,
                                     SaveFailure* failure) {
    char temporary[NAME_MAX + 1];
    int fd = CreateTemporary(target, temporary, sizeof temporary);
    if (fd < 0) {
        // Only a folder that refuses this user new files, which holds for
        // every try, sends the save in place. Anything else (no space, a
        // quota, a read-only disk, no descriptors, too long a name) fails it.
        if (errno == EACCES || errno == EPERM)
            return WRITE_IN_PLACE;
        Fail(failure, SAVE_STEP_TEMPORARY, errno);
        return WRITE_FAILED;
    }
    if (!CarryAttributes(fd, like) && target.exists) {
        close(fd);
        unlinkat(target.folder, temporary, 0);
        return WRITE_IN_PLACE;
    }
    if (!FillAndClose(fd, src, failure) || !RenameOver(target, temporary, failure)) {
        unlinkat(target.folder, temporary, 0);
        return WRITE_FAILED;
    }
    SyncFolder(target.folder);
    return WRITE_DONE;
}

uint64_t SourceSize(const SaveSource& src) {
    struct stat st;
    if (src.fd < 0)
        return src.size;
    return fstat(src.fd, &st) == 0 ? uint64_t(st.st_size) : 0;
}

// The file size limit lets all of the source into a regular file; devices
// have no such limit.
bool FitsSizeLimit(const SaveTarget& target, const SaveSource& src) {
    struct rlimit limit;
    if (target.exists && !S_ISREG(target.checked.st_mode))
        return true;
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return true;
    return SourceSize(src) <= uint64_t(limit.rlim_cur);
}

// The checked file opened for writing, or a new one where there was none.
// Non-blocking only while opening: a FIFO nobody reads is refused at once
// instead of holding the program at its exit.
int OpenForWriting(const SaveTarget& target, const SaveTarget* like) {
    if (target.exists)
        return OpenChecked(target, O_WRONLY | O_NONBLOCK);
    mode_t mode = like ? like->checked.st_mode & 07777 : 0666;
    return openat(
        target.folder, NameOf(target), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
}

// Writes over the file as it stands, as "wb" did, but without cutting it
// first, and only when all of it fits under the size limit.
bool WriteInPlace(const SaveTarget& target,
                  const SaveTarget* like,
                  const SaveSource& src,
                  SaveFailure* failure) {
    if (!FitsSizeLimit(target, src))
        return Fail(failure, SAVE_STEP_SIZE_LIMIT, EFBIG);
    int fd = OpenForWriting(target, like);
    if (fd < 0)
        return Fail(failure, NameChanged(errno) ? SAVE_STEP_CHANGED : SAVE_STEP_OPEN, errno);
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        close(fd);
        return Fail(failure, SAVE_STEP_OPEN, errno);
    }
    return FillAndClose(fd, src, failure);
}

}  // namespace

bool ResolveLinks(const char* path, char* out, size_t outSize) {
    if (std::snprintf(out, outSize, "%s", path) >= int(outSize))
        return false;
    struct stat st;
    for (int depth = 0; depth < MAX_LINK_DEPTH && lstat(out, &st) == 0 && S_ISLNK(st.st_mode);
         ++depth) {
        char link[PATH_MAX];
        ssize_t n = readlink(out, link, sizeof link - 1);
        if (n < 0)
            return true;
        link[n] = '\0';
        const char* slash = std::strrchr(out, '/');
        char next[PATH_MAX];
        int dirLength = link[0] == '/' || !slash ? 0 : int(slash - out) + 1;
        if (std::snprintf(next, sizeof next, "%.*s%s", dirLength, out, link) >= int(sizeof next))
            return false;
        if (std::snprintf(out, outSize, "%s", next) >= int(outSize))
            return false;
    }
    return true;
}

bool OpenSaveTarget(const char* path, SaveTarget* target, SaveFailure* failure) {
    target->nameAt = 0;
    target->folder = -1;
    target->file = -1;
    target->readError = 0;
    target->exists = 0;
    if (!ResolveLinks(path, target->path, sizeof target->path))
        return Fail(failure, SAVE_STEP_NAME, ENAMETOOLONG);
    if (!OpenFolder(target))
        return Fail(failure, SAVE_STEP_FOLDER, errno);
    if (!*NameOf(*target)) {
        CloseSaveTarget(target);
        return Fail(failure, SAVE_STEP_KIND, EISDIR);
    }
    if (LookAtName(target, failure))
        return true;
    CloseSaveTarget(target);
    return false;
}

void CloseSaveTarget(SaveTarget* target) {
    if (target->file >= 0)
        close(target->file);
    if (target->folder >= 0)
        close(target->folder);
    target->file = -1;
    target->folder = -1;
}

bool WriteSaveTarget(const SaveTarget& target,
                     const SaveTarget* like,
                     const SaveSource& src,
                     SaveFailure* failure) {
    const struct stat& old = target.checked;
    if (target.exists && S_ISDIR(old.st_mode))
        return Fail(failure, SAVE_STEP_KIND, EISDIR);
    if (target.exists && S_ISLNK(old.st_mode))
        return Fail(failure, SAVE_STEP_KIND, ELOOP);
    // A file the user may not write stays as it is, as an overwrite would.
    if (target.exists && faccessat(target.folder, NameOf(target), W_OK, 0) != 0)
        return Fail(failure, SAVE_STEP_ACCESS, errno);
    const SaveTarget* model = target.exists ? &target : like;
    if (!target.exists || (S_ISREG(old.st_mode) && old.st_nlink == 1)) {
        WriteOutcome outcome = ReplaceThroughTemporary(target, model, src, failure);
        if (outcome != WRITE_IN_PLACE)
            return outcome == WRITE_DONE;
    }
    return WriteInPlace(target, model, src, failure);
}

void HoldFileSizeSignal(FileSizeSignal* saved) {
    struct sigaction ignore;
    std::memset(&ignore, 0, sizeof ignore);
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGXFSZ, &ignore, &saved->previous);
}

void ReleaseFileSizeSignal(const FileSizeSignal* saved) {
    sigaction(SIGXFSZ, &saved->previous, nullptr);
}
