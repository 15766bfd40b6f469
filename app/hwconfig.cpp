#include "app/hwconfig.h"

#include "platform/savefile.h"

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

// How each failed step of a save is told.
constexpr const char* SAVE_STEP_TEXT[] = {
    "the name is too long",
    "cannot open its folder",
    "cannot look at it",
    "cannot replace it",
    "cannot write it",
    "cannot create a temporary file beside it",
    "cannot open it for writing",
    "another file took its name during the save",
    "the file size limit would cut it short",
    "cannot read the file to keep",
    "cannot write",
    "cannot flush to disk",
    "cannot close",
    "cannot replace it",
};
static_assert(sizeof(SAVE_STEP_TEXT) / sizeof(SAVE_STEP_TEXT[0]) == SAVE_STEP_COUNT,
              "one text per save step");

// Every message names the running program first (the setup screen or the tool).
bool ReportSaveFailure(const char* path, const char* step, int error) {
    std::fprintf(stderr,
                 "%s: Could not save the settings to %s: %s%s%s\n",
                 program_invocation_short_name,
                 path,
                 step,
                 error ? ": " : "",
                 error ? std::strerror(error) : "");
    return false;
}

bool ReportStepFailure(const char* path, const SaveFailure& failure) {
    return ReportSaveFailure(path, SAVE_STEP_TEXT[failure.step], failure.error);
}

// Room for a step message that names the backup file.
char backupStep[PATH_MAX + 64];

// True when the open file holds bytes the loader cannot read: fewer than four,
// or an unknown version word. An empty file holds nothing to keep.
bool HoldsUnknownBytes(int fd) {
    uint8_t head[4];
    ssize_t n = pread(fd, head, sizeof head, 0);
    if (n == 0)
        return false;
    return n < 4 || !FindLayout(GetLittle32(head));
}

// True when the two open files hold the same bytes.
bool HoldsSameBytes(int fd, int other) {
    struct stat a, b;
    if (other < 0 || fstat(fd, &a) != 0 || fstat(other, &b) != 0 || a.st_size != b.st_size)
        return false;
    uint8_t x[4096], y[4096];
    bool same = true;
    for (off_t at = 0; same && at < a.st_size; at += off_t(sizeof x)) {
        ssize_t n = pread(fd, x, sizeof x, at);
        same = n > 0 && pread(other, y, sizeof y, at) == n && std::memcmp(x, y, size_t(n)) == 0;
    }
    return same;
}

// The backup's name: the file the links lead to, plus the backup suffix.
bool BackupNameOf(const char* target, char* out, size_t outSize) {
    char name[PATH_MAX];
    int length = std::snprintf(name, sizeof name, "%s%s", target, CONFIG_BACKUP_SUFFIX);
    return length < int(sizeof name) && ResolveLinks(name, out, outSize);
}

// Puts the checked file's bytes into its backup, left alone when it already
// holds them, the backup taking the file's mode, owner and attributes.
bool WriteBackup(const char* path, const SaveTarget& target, const char* name) {
    SaveTarget backup;
    SaveFailure failure = {SAVE_STEP_NAME, 0};
    bool kept = OpenSaveTarget(name, &backup, &failure) &&
                (HoldsSameBytes(target.file, backup.file) ||
                 WriteSaveTarget(backup, &target, SaveSource{nullptr, 0, target.file}, &failure));
    CloseSaveTarget(&backup);
    if (kept)
        return true;
    std::snprintf(backupStep,
                  sizeof backupStep,
                  "cannot keep its contents in %s: %s",
                  name,
                  SAVE_STEP_TEXT[failure.step]);
    return ReportSaveFailure(path, backupStep, failure.error);
}

// Before a file the loader cannot read is replaced, its bytes go to the
// backup, and one line names it. A file that cannot be kept is not replaced.
bool KeepUnknownFile(const char* path, const SaveTarget& target) {
    if (!target.exists || !S_ISREG(target.checked.st_mode))
        return true;
    if (target.file < 0)
        return ReportSaveFailure(
            path, "cannot read it to see whether it needs a backup", target.readError);
    if (!HoldsUnknownBytes(target.file))
        return true;
    char backup[PATH_MAX];
    if (!BackupNameOf(target.path, backup, sizeof backup))
        return ReportSaveFailure(
            path, "cannot keep its contents: the backup's name is too long", ENAMETOOLONG);
    if (!WriteBackup(path, target, backup))
        return false;
    std::fprintf(stderr,
                 "%s: %s holds settings this program cannot read; its bytes are kept in %s\n",
                 program_invocation_short_name,
                 path,
                 backup);
    return true;
}

// The save itself, with the file size signal already made harmless.
bool SaveImage(const char* path, const uint8_t image[CONFIG_V4_BYTES]) {
    SaveTarget target;
    SaveFailure failure = {SAVE_STEP_NAME, 0};
    if (!OpenSaveTarget(path, &target, &failure))
        return ReportStepFailure(path, failure);
    bool saved = KeepUnknownFile(path, target);
    if (saved &&
        !WriteSaveTarget(target, nullptr, SaveSource{image, CONFIG_V4_BYTES, -1}, &failure))
        saved = ReportStepFailure(path, failure);
    CloseSaveTarget(&target);
    return saved;
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
    FileSizeSignal fileSizeSignal;
    HoldFileSizeSignal(&fileSizeSignal);
    bool saved = SaveImage(path, image);
    ReleaseFileSizeSignal(&fileSizeSignal);
    return saved;
}

bool ConfigFileNeedsBackup(const char* path) {
    SaveTarget target;
    SaveFailure failure = {SAVE_STEP_NAME, 0};
    if (!OpenSaveTarget(path, &target, &failure))
        return false;
    bool needs = target.exists && S_ISREG(target.checked.st_mode) &&
                 (target.file < 0 || HoldsUnknownBytes(target.file));
    CloseSaveTarget(&target);
    return needs;
}

bool GetConfigBackupName(const char* path, char* out, size_t outSize) {
    char target[PATH_MAX];
    return ResolveLinks(path, target, sizeof target) && BackupNameOf(target, out, outSize);
}

bool SaveHardwareConfig() {
    return SaveHardwareConfigTo(CONFIG_FILE_NAME);
}
