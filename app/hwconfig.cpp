#include "app/hwconfig.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Where each record sits in the version-4 image; older versions read into the
// same places, so one image serves every version.
constexpr size_t IMAGE_CONFIG_OFFSET = 4;
constexpr size_t IMAGE_BLOCK_OFFSET = IMAGE_CONFIG_OFFSET + sizeof(HardwareConfig);
constexpr size_t IMAGE_TRAILER_OFFSET = IMAGE_BLOCK_OFFSET + sizeof(ConfigParameterBlock);
static_assert(IMAGE_TRAILER_OFFSET + 4 == CONFIG_V4_BYTES, "version 4 is the whole image");

constexpr int CONFIG_WORDS = sizeof(HardwareConfig) / 4;
constexpr int OVERRIDE_WORD_A = 24;
constexpr int OVERRIDE_WORD_B = 25;
constexpr float OVERRIDE_VALUE_A = 0.9f;
constexpr float OVERRIDE_VALUE_B = 0.65f;

// One read of the loader: `length` file bytes from `fileOffset` over the
// image from `imageOffset`.
struct ConfigRead {
    size_t fileOffset;
    size_t imageOffset;
    size_t length;
};

struct ConfigLayout {
    uint32_t version;
    size_t bytes;
    int readCount;
    ConfigRead reads[3];
};

constexpr size_t OLD_CONFIG_BYTES = 28;  // words 0..6 in versions 1..3

constexpr ConfigLayout CONFIG_LAYOUTS[] = {
    {1, CONFIG_V1_BYTES, 1, {{4, IMAGE_CONFIG_OFFSET, OLD_CONFIG_BYTES}}},
    {2,
     CONFIG_V2_BYTES,
     2,
     {{4, IMAGE_CONFIG_OFFSET, OLD_CONFIG_BYTES},
      {32, IMAGE_BLOCK_OFFSET, sizeof(ConfigParameterBlock)}}},
    {3,
     CONFIG_V3_BYTES,
     3,
     {{4, IMAGE_CONFIG_OFFSET, OLD_CONFIG_BYTES},
      {32, IMAGE_BLOCK_OFFSET, sizeof(ConfigParameterBlock)},
      {416, IMAGE_TRAILER_OFFSET, 4}}},
    {4,
     CONFIG_V4_BYTES,
     3,
     {{4, IMAGE_CONFIG_OFFSET, sizeof(HardwareConfig)},
      {56, IMAGE_BLOCK_OFFSET, sizeof(ConfigParameterBlock)},
      {440, IMAGE_TRAILER_OFFSET, 4}}},
};

// Each layout's reads follow one another from byte 4 and end at its size.
constexpr bool LayoutIsContiguous(const ConfigLayout& layout) {
    size_t at = 4;
    for (int i = 0; i < layout.readCount; ++i) {
        if (layout.reads[i].fileOffset != at)
            return false;
        at += layout.reads[i].length;
    }
    return at == layout.bytes;
}
static_assert(LayoutIsContiguous(CONFIG_LAYOUTS[0]) && LayoutIsContiguous(CONFIG_LAYOUTS[1]) &&
                  LayoutIsContiguous(CONFIG_LAYOUTS[2]) && LayoutIsContiguous(CONFIG_LAYOUTS[3]),
              "layouts cover their files exactly");
static_assert(sizeof(CONFIG_LAYOUTS) / sizeof(CONFIG_LAYOUTS[0]) == CONFIG_VERSION,
              "one layout per known version");

constexpr ConfigParameterBlock MakeProgramStartBlock() {
    ConfigParameterBlock block{};
    for (int i = 6; i <= 8; ++i)
        block.words[i] = 0.35f;
    for (int i = 9; i <= 11; ++i)
        block.words[i] = 0.65f;
    for (int i = 12; i <= 14; ++i)
        block.words[i] = 0.5f;
    for (int i = 15; i <= 17; ++i)
        block.words[i] = 0.25f;
    for (int i = 18; i <= 22; ++i)
        block.words[i] = 0.65f;
    block.words[24] = 0.99f;
    block.words[25] = 0.99f;
    for (int i = 0; i < 30; ++i)
        block.words[30 + i] = block.words[i];
    return block;
}
constexpr ConfigParameterBlock PROGRAM_START_BLOCK = MakeProgramStartBlock();

struct HeightForWidth {
    int32_t width;
    int32_t height;
};
constexpr HeightForWidth HEIGHT_FOR_WIDTH[] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 960}};

uint32_t GetLittle32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void PutLittle32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

// Record words are moved as bit patterns, so floats (NaN payloads included)
// survive a load and save unchanged.
void EncodeWords(uint8_t* out, const void* record, int words) {
    const uint8_t* bytes = static_cast<const uint8_t*>(record);
    for (int i = 0; i < words; ++i) {
        uint32_t v;
        std::memcpy(&v, bytes + 4 * i, 4);
        PutLittle32(out + 4 * i, v);
    }
}

void DecodeWords(void* record, const uint8_t* in, int words) {
    uint8_t* bytes = static_cast<uint8_t*>(record);
    for (int i = 0; i < words; ++i) {
        uint32_t v = GetLittle32(in + 4 * i);
        std::memcpy(bytes + 4 * i, &v, 4);
    }
}

void DecodeImage(const uint8_t image[CONFIG_V4_BYTES]) {
    DecodeWords(&hardwareConfig, image + IMAGE_CONFIG_OFFSET, CONFIG_WORDS);
    DecodeWords(&configParameterBlock, image + IMAGE_BLOCK_OFFSET, CONFIG_PARAMETER_WORDS);
    configTrailer = GetLittle32(image + IMAGE_TRAILER_OFFSET);
}

// Every HardwareConfig word except lowTextureDetail.
void AssignConfigDefaults() {
    int32_t keptDetail = hardwareConfig.lowTextureDetail;
    hardwareConfig = HardwareConfig{640, 480, 16, 0, 1, 1, 1, 1, 1, 1.0f, 1.0f, 1.0f, keptDetail};
}

const ConfigLayout* FindLayout(uint32_t version) {
    for (const ConfigLayout& layout : CONFIG_LAYOUTS)
        if (layout.version == version)
            return &layout;
    return nullptr;
}

// Copies what the file holds of each read over the image; reads past the end
// of the file copy nothing.
void ApplyReads(const ConfigLayout& layout, const uint8_t* file, size_t size) {
    uint8_t image[CONFIG_V4_BYTES];
    EncodeHardwareConfig(image);
    for (int i = 0; i < layout.readCount; ++i) {
        const ConfigRead& read = layout.reads[i];
        if (read.fileOffset >= size)
            break;
        size_t n = size - read.fileOffset < read.length ? size - read.fileOffset : read.length;
        std::memcpy(image + read.imageOffset, file + read.fileOffset, n);
    }
    DecodeImage(image);
}

// Reads the version and what its layout finds in the file's bytes; version 4
// then forces parameter words 24 and 25, even when the file ended before them.
void ApplyFileBytes(const uint8_t* bytes, size_t size) {
    configLoadReport.bytesRead = size < 4 ? size : 4;
    if (size < 4)
        return;
    configLoadReport.version = GetLittle32(bytes);
    const ConfigLayout* layout = FindLayout(configLoadReport.version);
    if (!layout)
        return;
    configLoadReport.recognised = 1;
    configLoadReport.expectedBytes = layout->bytes;
    configLoadReport.bytesRead = size < layout->bytes ? size : layout->bytes;
    ApplyReads(*layout, bytes, size);
    if (layout->version == 4) {
        configParameterBlock.words[OVERRIDE_WORD_A] = OVERRIDE_VALUE_A;
        configParameterBlock.words[OVERRIDE_WORD_B] = OVERRIDE_VALUE_B;
    }
}

// ---- saving -------------------------------------------------------------

struct SaveFailure {
    const char* step;
    int error;
};

// Every message names the running program first (the setup screen or the tool).
bool ReportSaveFailure(const char* path, SaveFailure failure) {
    std::fprintf(stderr,
                 "%s: Could not save the settings to %s: %s: %s\n",
                 program_invocation_short_name,
                 path,
                 failure.step,
                 std::strerror(failure.error));
    return false;
}

// Room for a step message that names the backup file.
char backupStep[PATH_MAX + 64];

constexpr int MAX_LINK_DEPTH = 16;

// The file the saver replaces: what a symbolic link points at, even when that
// does not exist yet, so the link stays a link; else the path itself.
bool ResolveSaveTarget(const char* path, char* out, size_t outSize) {
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

// What a write puts into a file: an image in memory, or (fd >= 0) all that an
// open file holds, from its start.
struct SaveSource {
    const uint8_t* bytes;
    size_t size;
    int fd;
};

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
        if (WriteAll(fd, src.bytes, src.size))
            return true;
        *failure = {"cannot write", errno};
        return false;
    }
    uint8_t chunk[4096];
    for (off_t at = 0;;) {
        ssize_t n = pread(src.fd, chunk, sizeof chunk, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *failure = {"cannot read the file to keep", errno};
            return false;
        }
        if (n == 0) {
            *written = at;
            return true;
        }
        if (!WriteAll(fd, chunk, size_t(n))) {
            *failure = {"cannot write", errno};
            return false;
        }
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
    if (ok && regular && ftruncate(fd, written) != 0) {
        *failure = {"cannot write", errno};
        ok = false;
    }
    if (ok && regular && fsync(fd) != 0) {
        *failure = {"cannot flush to disk", errno};
        ok = false;
    }
    if (close(fd) != 0 && ok) {
        *failure = {"cannot close", errno};
        ok = false;
    }
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

// Makes the rename itself durable; a directory that cannot be synced still
// holds the new file, so this cannot fail the save.
void SyncDirectoryOf(const char* target) {
    char dir[PATH_MAX];
    const char* slash = std::strrchr(target, '/');
    if (!slash) {
        std::snprintf(dir, sizeof dir, ".");
    } else {
        int len = slash == target ? 1 : int(slash - target);
        std::snprintf(dir, sizeof dir, "%.*s", len, target);
    }
    int fd = open(dir, O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return;
    fsync(fd);
    close(fd);
}

enum WriteOutcome { WRITE_DONE, WRITE_FAILED, WRITE_IN_PLACE };

// Writes a temporary file beside the target and renames it over the target.
// Returns WRITE_IN_PLACE, having changed nothing, when the temporary file
// cannot be created or cannot carry the old file's owner and group. A new
// file takes the mode of `model` (and its owner where it may) when given.
WriteOutcome ReplaceThroughTemporary(const char* target,
                                     const struct stat* old,
                                     const struct stat* model,
                                     const SaveSource& src,
                                     SaveFailure* failure) {
    char temporary[PATH_MAX];
    if (std::snprintf(temporary, sizeof temporary, "%s.XXXXXX", target) >= int(sizeof temporary))
        return WRITE_IN_PLACE;
    int fd = mkstemp(temporary);
    if (fd < 0)
        return WRITE_IN_PLACE;
    const struct stat* like = old ? old : model;
    if (like && !CarryOwner(fd, *like) && old) {
        close(fd);
        unlink(temporary);
        return WRITE_IN_PLACE;
    }
    // After the owner: a change of owner clears the set-id bits. A file system
    // without modes still takes the settings.
    (void)fchmod(fd, like ? like->st_mode & 07777 : DefaultNewFileMode());
    if (!FillAndClose(fd, src, failure)) {
        unlink(temporary);
        return WRITE_FAILED;
    }
    if (std::rename(temporary, target) != 0) {
        *failure = {"cannot replace it", errno};
        unlink(temporary);
        return WRITE_FAILED;
    }
    SyncDirectoryOf(target);
    return WRITE_DONE;
}

// Writes over the file as it stands, as "wb" did, but without cutting it
// first; creates it (with the mode of `model` when given) if it is missing.
bool WriteInPlace(const char* target,
                  const struct stat* model,
                  const SaveSource& src,
                  SaveFailure* failure) {
    // Non-blocking only while opening: a FIFO nobody reads is refused at once
    // instead of holding the program at its exit.
    int fd = open(
        target, O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, model ? model->st_mode & 07777 : 0666);
    if (fd < 0) {
        *failure = {"cannot open it for writing", errno};
        return false;
    }
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        *failure = {"cannot open it for writing", errno};
        close(fd);
        return false;
    }
    return FillAndClose(fd, src, failure);
}

// Puts the source into the file at `target` (links already followed). A
// regular file with one name whose owner and group the new file can carry, or
// a missing one, is replaced through a temporary file and a rename, so a crash
// leaves the old or the new file whole. Any other file stays the same file and
// is written in place: a second name keeps seeing it, another owner keeps it,
// a device or FIFO stays one. Mode, owner and group are kept either way.
bool WriteSettingsFile(const char* target,
                       const struct stat* model,
                       const SaveSource& src,
                       SaveFailure* failure) {
    struct stat old;
    bool exists = stat(target, &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) {
        *failure = {"cannot replace it", EISDIR};
        return false;
    }
    // A file the user may not write stays as it is, as an overwrite would.
    if (exists && access(target, W_OK) != 0) {
        *failure = {"cannot write it", errno};
        return false;
    }
    if (!exists || (S_ISREG(old.st_mode) && old.st_nlink == 1)) {
        WriteOutcome outcome =
            ReplaceThroughTemporary(target, exists ? &old : nullptr, model, src, failure);
        if (outcome != WRITE_IN_PLACE)
            return outcome == WRITE_DONE;
    }
    return WriteInPlace(target, exists ? &old : model, src, failure);
}

// True when the open file holds bytes the loader cannot read: fewer than four,
// or an unknown version word. An empty file holds nothing to keep.
bool HoldsUnknownBytes(int fd) {
    uint8_t head[4];
    ssize_t n = pread(fd, head, sizeof head, 0);
    if (n == 0)
        return false;
    return n < 4 || !FindLayout(GetLittle32(head));
}

// True when the file at `path` holds exactly what `fd`'s file holds.
bool HoldsSameBytes(int fd, const char* path) {
    int other = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (other < 0)
        return false;
    struct stat a, b;
    bool same =
        fstat(fd, &a) == 0 && fstat(other, &b) == 0 && S_ISREG(b.st_mode) && a.st_size == b.st_size;
    uint8_t x[4096], y[4096];
    for (off_t at = 0; same && at < a.st_size; at += off_t(sizeof x)) {
        ssize_t n = pread(fd, x, sizeof x, at);
        same = n > 0 && pread(other, y, sizeof y, at) == n && std::memcmp(x, y, size_t(n)) == 0;
    }
    close(other);
    return same;
}

// The backup's name: the file the links lead to, plus the backup suffix.
bool BackupNameOf(const char* target, char* out, size_t outSize) {
    char name[PATH_MAX];
    int length = std::snprintf(name, sizeof name, "%s%s", target, CONFIG_BACKUP_SUFFIX);
    return length < int(sizeof name) && ResolveSaveTarget(name, out, outSize);
}

// Before a file the loader cannot read is replaced, its bytes go to the
// backup (left alone when it already holds them), and one line names it. A
// file that cannot be kept is not replaced.
bool KeepUnknownFile(const char* path, const char* target, SaveFailure* failure) {
    struct stat st;
    if (stat(target, &st) != 0 || !S_ISREG(st.st_mode))
        return true;
    int fd = open(target, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *failure = {"cannot read it to see whether it needs a backup", errno};
        return false;
    }
    char backup[PATH_MAX];
    bool ok = true;
    if (HoldsUnknownBytes(fd)) {
        ok = BackupNameOf(target, backup, sizeof backup);
        if (!ok)
            *failure = {"cannot keep its contents: the backup's name is too long", ENAMETOOLONG};
        if (ok && !HoldsSameBytes(fd, backup)) {
            ok = WriteSettingsFile(backup, &st, SaveSource{nullptr, 0, fd}, failure);
            if (!ok) {
                std::snprintf(
                    backupStep, sizeof backupStep, "cannot keep its contents in %s", backup);
                failure->step = backupStep;
            }
        }
        if (ok)
            std::fprintf(stderr,
                         "%s: %s holds settings this program cannot read; its bytes are "
                         "kept in %s\n",
                         program_invocation_short_name,
                         path,
                         backup);
    }
    close(fd);
    return ok;
}

}  // namespace

HardwareConfig hardwareConfig;
ConfigParameterBlock configParameterBlock = PROGRAM_START_BLOCK;
uint32_t configTrailer;
ConfigLoadReport configLoadReport;

void ResetHardwareConfig() {
    hardwareConfig = HardwareConfig{};
    configParameterBlock = PROGRAM_START_BLOCK;
    configTrailer = 0;
    configLoadReport = ConfigLoadReport{};
}

void LoadHardwareConfigFromBytes(const uint8_t* bytes, size_t size) {
    AssignConfigDefaults();
    configLoadReport = ConfigLoadReport{};
    configLoadReport.opened = 1;
    ApplyFileBytes(bytes, size);
}

void LoadHardwareConfigFrom(const char* path) {
    AssignConfigDefaults();
    configLoadReport = ConfigLoadReport{};
    FILE* f = std::fopen(path, "rb");
    if (!f) {
        configLoadReport.error = errno;
        return;
    }
    // Nothing past the longest layout is ever looked at.
    uint8_t file[CONFIG_V4_BYTES];
    size_t size = std::fread(file, 1, sizeof file, f);
    if (size < sizeof file && std::ferror(f))
        configLoadReport.error = errno;
    std::fclose(f);
    configLoadReport.opened = 1;
    ApplyFileBytes(file, size);
}

void LoadHardwareConfig() {
    LoadHardwareConfigFrom(CONFIG_FILE_NAME);
}

void CompleteHeightFromWidth() {
    for (const HeightForWidth& entry : HEIGHT_FOR_WIDTH)
        if (hardwareConfig.width == entry.width)
            hardwareConfig.height = entry.height;
}

void EncodeHardwareConfig(uint8_t out[CONFIG_V4_BYTES]) {
    PutLittle32(out, CONFIG_VERSION);
    EncodeWords(out + IMAGE_CONFIG_OFFSET, &hardwareConfig, CONFIG_WORDS);
    EncodeWords(out + IMAGE_BLOCK_OFFSET, &configParameterBlock, CONFIG_PARAMETER_WORDS);
    PutLittle32(out + IMAGE_TRAILER_OFFSET, configTrailer);
}

bool SaveHardwareConfigTo(const char* path) {
    uint8_t image[CONFIG_V4_BYTES];
    EncodeHardwareConfig(image);
    char target[PATH_MAX];
    if (!ResolveSaveTarget(path, target, sizeof target))
        return ReportSaveFailure(path, {"the name is too long", ENAMETOOLONG});
    SaveFailure failure{"", 0};
    if (!KeepUnknownFile(path, target, &failure) ||
        !WriteSettingsFile(target, nullptr, SaveSource{image, sizeof image, -1}, &failure))
        return ReportSaveFailure(path, failure);
    return true;
}

bool ConfigFileNeedsBackup(const char* path) {
    char target[PATH_MAX];
    struct stat st;
    if (!ResolveSaveTarget(path, target, sizeof target) || stat(target, &st) != 0 ||
        !S_ISREG(st.st_mode))
        return false;
    int fd = open(target, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return true;
    bool unknown = HoldsUnknownBytes(fd);
    close(fd);
    return unknown;
}

bool GetConfigBackupName(const char* path, char* out, size_t outSize) {
    char target[PATH_MAX];
    return ResolveSaveTarget(path, target, sizeof target) && BackupNameOf(target, out, outSize);
}

bool SaveHardwareConfig() {
    return SaveHardwareConfigTo(CONFIG_FILE_NAME);
}
