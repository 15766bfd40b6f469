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
    {2, CONFIG_V2_BYTES, 2, {{4, IMAGE_CONFIG_OFFSET, OLD_CONFIG_BYTES},
                             {32, IMAGE_BLOCK_OFFSET, sizeof(ConfigParameterBlock)}}},
    {3, CONFIG_V3_BYTES, 3, {{4, IMAGE_CONFIG_OFFSET, OLD_CONFIG_BYTES},
                             {32, IMAGE_BLOCK_OFFSET, sizeof(ConfigParameterBlock)},
                             {416, IMAGE_TRAILER_OFFSET, 4}}},
    {4, CONFIG_V4_BYTES, 3, {{4, IMAGE_CONFIG_OFFSET, sizeof(HardwareConfig)},
                             {56, IMAGE_BLOCK_OFFSET, sizeof(ConfigParameterBlock)},
                             {440, IMAGE_TRAILER_OFFSET, 4}}},
};

// Each layout's reads follow one another from byte 4 and end at its size.
constexpr bool LayoutIsContiguous(const ConfigLayout& layout) {
    size_t at = 4;
    for (int i = 0; i < layout.readCount; ++i) {
        if (layout.reads[i].fileOffset != at) return false;
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
    for (int i = 6; i <= 8; ++i) block.words[i] = 0.35f;
    for (int i = 9; i <= 11; ++i) block.words[i] = 0.65f;
    for (int i = 12; i <= 14; ++i) block.words[i] = 0.5f;
    for (int i = 15; i <= 17; ++i) block.words[i] = 0.25f;
    for (int i = 18; i <= 22; ++i) block.words[i] = 0.65f;
    block.words[24] = 0.99f;
    block.words[25] = 0.99f;
    for (int i = 0; i < 30; ++i) block.words[30 + i] = block.words[i];
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
        if (layout.version == version) return &layout;
    return nullptr;
}

// Copies what the file holds of each read over the image; reads past the end
// of the file copy nothing.
void ApplyReads(const ConfigLayout& layout, const uint8_t* file, size_t size) {
    uint8_t image[CONFIG_V4_BYTES];
    EncodeHardwareConfig(image);
    for (int i = 0; i < layout.readCount; ++i) {
        const ConfigRead& read = layout.reads[i];
        if (read.fileOffset >= size) break;
        size_t n = size - read.fileOffset < read.length ? size - read.fileOffset : read.length;
        std::memcpy(image + read.imageOffset, file + read.fileOffset, n);
    }
    DecodeImage(image);
}

// Reads the version and what its layout finds in the file's bytes; version 4
// then forces parameter words 24 and 25, even when the file ended before them.
void ApplyFileBytes(const uint8_t* bytes, size_t size) {
    configLoadReport.bytesRead = size < 4 ? size : 4;
    if (size < 4) return;
    configLoadReport.version = GetLittle32(bytes);
    const ConfigLayout* layout = FindLayout(configLoadReport.version);
    if (!layout) return;
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

bool ReportSaveFailure(const char* path, SaveFailure failure) {
    std::fprintf(stderr, "Could not save the settings to %s: %s: %s\n", path, failure.step,
                 std::strerror(failure.error));
    return false;
}

constexpr int MAX_LINK_DEPTH = 16;

// The file the saver replaces: what a symbolic link points at, even when that
// does not exist yet, so the link stays a link; else the path itself.
bool ResolveSaveTarget(const char* path, char* out, size_t outSize) {
    if (std::snprintf(out, outSize, "%s", path) >= int(outSize)) return false;
    struct stat st;
    for (int depth = 0; depth < MAX_LINK_DEPTH && lstat(out, &st) == 0 && S_ISLNK(st.st_mode);
         ++depth) {
        char link[PATH_MAX];
        ssize_t n = readlink(out, link, sizeof link - 1);
        if (n < 0) return true;
        link[n] = '\0';
        const char* slash = std::strrchr(out, '/');
        char next[PATH_MAX];
        int dirLength = link[0] == '/' || !slash ? 0 : int(slash - out) + 1;
        if (std::snprintf(next, sizeof next, "%.*s%s", dirLength, out, link) >= int(sizeof next))
            return false;
        if (std::snprintf(out, outSize, "%s", next) >= int(outSize)) return false;
    }
    return true;
}

// The mode a fresh file would get, or the old file's own mode.
mode_t ModeForNewFile(const struct stat* old) {
    if (old) return old->st_mode & 07777;
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// Writes, flushes, syncs and closes; on failure the temporary file stays for
// the caller to remove. Records the first error met.
bool WriteTemporaryFile(int fd, const uint8_t* bytes, size_t size, SaveFailure* failure) {
    FILE* f = fdopen(fd, "wb");
    if (!f) {
        *failure = {"cannot open the temporary file", errno};
        close(fd);
        return false;
    }
    bool ok = std::fwrite(bytes, 1, size, f) == size;
    if (ok) ok = std::fflush(f) == 0;
    if (!ok) *failure = {"cannot write the temporary file", errno};
    if (ok && fsync(fileno(f)) != 0) {
        *failure = {"cannot flush the temporary file to disk", errno};
        ok = false;
    }
    if (std::fclose(f) != 0 && ok) {
        *failure = {"cannot close the temporary file", errno};
        ok = false;
    }
    return ok;
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
    if (fd < 0) return;
    fsync(fd);
    close(fd);
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
    if (size < sizeof file && std::ferror(f)) configLoadReport.error = errno;
    std::fclose(f);
    configLoadReport.opened = 1;
    ApplyFileBytes(file, size);
}

void LoadHardwareConfig() { LoadHardwareConfigFrom(CONFIG_FILE_NAME); }

void CompleteHeightFromWidth() {
    for (const HeightForWidth& entry : HEIGHT_FOR_WIDTH)
        if (hardwareConfig.width == entry.width) hardwareConfig.height = entry.height;
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
    char temporary[PATH_MAX];
    if (!ResolveSaveTarget(path, target, sizeof target) ||
        std::snprintf(temporary, sizeof temporary, "%s.XXXXXX", target) >= int(sizeof temporary))
        return ReportSaveFailure(path, {"the name is too long", ENAMETOOLONG});
    struct stat old;
    bool exists = stat(target, &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        return ReportSaveFailure(path, {"cannot replace it", EISDIR});
    // A file the user may not write stays as it is, as an overwrite would.
    if (exists && access(target, W_OK) != 0)
        return ReportSaveFailure(path, {"cannot replace it", errno});
    int fd = mkstemp(temporary);
    if (fd < 0) return ReportSaveFailure(path, {"cannot create a temporary file", errno});
    // A file system without modes still takes the settings.
    (void)fchmod(fd, ModeForNewFile(exists && S_ISREG(old.st_mode) ? &old : nullptr));
    SaveFailure failure{"", 0};
    if (!WriteTemporaryFile(fd, image, sizeof image, &failure)) {
        unlink(temporary);
        return ReportSaveFailure(path, failure);
    }
    if (std::rename(temporary, target) != 0) {
        failure = {"cannot replace it", errno};
        unlink(temporary);
        return ReportSaveFailure(path, failure);
    }
    SyncDirectoryOf(target);
    return true;
}

bool SaveHardwareConfig() { return SaveHardwareConfigTo(CONFIG_FILE_NAME); }
