// The hardware configuration: the record the game reads from hwconfig.cfg,
// its defaults, the loader of versions 1..4 and the version-4 saver.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr uint32_t CONFIG_VERSION = 4;
constexpr int CONFIG_PARAMETER_WORDS = 96;
constexpr size_t CONFIG_V1_BYTES = 32;
constexpr size_t CONFIG_V2_BYTES = 416;
constexpr size_t CONFIG_V3_BYTES = 420;
constexpr size_t CONFIG_V4_BYTES = 444;
constexpr const char* CONFIG_FILE_NAME = "hwconfig.cfg";
constexpr const char* CONFIG_BACKUP_SUFFIX = ".bak";  // where an unreadable file's bytes are kept

// Thirteen little-endian words, in file order.
struct HardwareConfig {
    int32_t width;
    int32_t height;
    int32_t depth;
    int32_t fullscreen;
    int32_t flag4;
    int32_t sound;
    int32_t joystickEnabled;
    int32_t mouseUnlocked;
    int32_t interfaceOn;
    float textRed;
    float textGreen;
    float textBlue;
    int32_t lowTextureDetail;
};
static_assert(sizeof(HardwareConfig) == 52, "HardwareConfig is 13 file words");
static_assert(offsetof(HardwareConfig, height) == 4 && offsetof(HardwareConfig, textRed) == 36 &&
                  offsetof(HardwareConfig, lowTextureDetail) == 48,
              "HardwareConfig words sit in file order");

// 96 floats the setup program carries from file to file unseen.
struct ConfigParameterBlock {
    float words[CONFIG_PARAMETER_WORDS];
};
static_assert(sizeof(ConfigParameterBlock) == 384, "parameter block is 384 file bytes");

extern HardwareConfig hardwareConfig;
extern ConfigParameterBlock configParameterBlock;
extern uint32_t configTrailer;

// Outcome of the last LoadHardwareConfig, for the support tool and messages.
struct ConfigLoadReport {
    int32_t opened;        // the file could be opened
    uint32_t version;      // version word read (0 when shorter than 4 bytes)
    int32_t recognised;    // version 1..4
    size_t bytesRead;      // bytes of the file consumed
    size_t expectedBytes;  // layout size of the version (0 when unrecognised)
    int32_t error;         // errno of a failed open or read, else 0
};
extern ConfigLoadReport configLoadReport;

// Puts all three records back to their program-start contents.
void ResetHardwareConfig();

// Assigns the defaults, then reads hwconfig.cfg if it opens: versions 1..4,
// each read copying what the file still holds; version 4 forces parameter
// words 24/25 to 0.9/0.65. Never fails.
void LoadHardwareConfig();
void LoadHardwareConfigFrom(const char* path);
// The same load from bytes already in memory (the file's first `size` bytes).
void LoadHardwareConfigFromBytes(const uint8_t* bytes, size_t size);

// The exit step: 640/800/1024/1280 wide get 480/600/768/960 high; any other
// width keeps the height it has.
void CompleteHeightFromWidth();

// Serialises the three records as the 444-byte version-4 image.
void EncodeHardwareConfig(uint8_t out[CONFIG_V4_BYTES]);

// Writes the version-4 file. The file the name leads to (links followed) is
// checked once, and nothing is ever written through a link or into another
// file that took its name after the check (the save fails instead). Nothing
// there yet, or a regular file with one name whose owner, group and extended
// attributes (its ACL among them) the new file can carry, is replaced by a
// temporary file beside it, renamed over it once completely written and
// flushed. A folder that refuses the user new files (EACCES, EPERM), more
// names, an owner, group or attribute the new file cannot carry, a device or
// a FIFO: written in place instead, every write and the close checked, and
// only when the file size limit allows all of it. Mode, owner, group and
// attributes are kept; a write past the size limit fails rather than killing
// the program. A file the loader cannot read is first kept in its backup
// (see below), with one line on stderr; if it cannot be kept it is not
// replaced. On failure (any other reason a temporary file cannot be made
// included) one line on stderr, beginning with the program's name, says why,
// the result is false, no temporary file is left and the old file is as it
// was, unless an in-place write failed part-way.
bool SaveHardwareConfig();
bool SaveHardwareConfigTo(const char* path);

// True when the next save of `path` keeps the file's bytes in its backup
// first: it is a regular file (links followed) of 1 to 3 bytes, or one whose
// version word is not 1..4, or one that cannot be read. Never writes.
bool ConfigFileNeedsBackup(const char* path);

// The backup's name for `path`: the file its links lead to, plus
// CONFIG_BACKUP_SUFFIX, links of that name followed. False when too long.
bool GetConfigBackupName(const char* path, char* out, size_t outSize);
