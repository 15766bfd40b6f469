#include "app/hwconfig_cli.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/hwconfig.h"
#include "app/version.h"

namespace {

constexpr const char* TOOL_NAME = "quillon-hwconfig";

enum FieldKind { FIELD_INT, FIELD_FLOAT };

struct ConfigField {
    const char* name;
    size_t offset;  // within HardwareConfig
    FieldKind kind;
};

constexpr ConfigField CONFIG_FIELDS[] = {
    {"width", offsetof(HardwareConfig, width), FIELD_INT},
    {"height", offsetof(HardwareConfig, height), FIELD_INT},
    {"depth", offsetof(HardwareConfig, depth), FIELD_INT},
    {"fullscreen", offsetof(HardwareConfig, fullscreen), FIELD_INT},
    {"flag4", offsetof(HardwareConfig, flag4), FIELD_INT},
    {"sound", offsetof(HardwareConfig, sound), FIELD_INT},
    {"joystickEnabled", offsetof(HardwareConfig, joystickEnabled), FIELD_INT},
    {"mouseUnlocked", offsetof(HardwareConfig, mouseUnlocked), FIELD_INT},
    {"interfaceOn", offsetof(HardwareConfig, interfaceOn), FIELD_INT},
    {"textRed", offsetof(HardwareConfig, textRed), FIELD_FLOAT},
    {"textGreen", offsetof(HardwareConfig, textGreen), FIELD_FLOAT},
    {"textBlue", offsetof(HardwareConfig, textBlue), FIELD_FLOAT},
    {"lowTextureDetail", offsetof(HardwareConfig, lowTextureDetail), FIELD_INT},
};
constexpr int CONFIG_FIELD_COUNT = sizeof(CONFIG_FIELDS) / sizeof(CONFIG_FIELDS[0]);
static_assert(CONFIG_FIELD_COUNT * 4 == sizeof(HardwareConfig), "every word has a name");
constexpr int HEIGHT_FIELD = 1;

enum ToolMode { MODE_SHOW, MODE_JSON, MODE_CHECK, MODE_SET };

constexpr const char* MODE_OPTIONS[] = {"", "--json", "--check", "--set"};

struct ToolOptions {
    ToolMode mode;
    const char* path;
    int32_t fieldSet[CONFIG_FIELD_COUNT];     // the field was assigned (the last one counts)
    uint32_t fieldBits[CONFIG_FIELD_COUNT];  // its new word, as stored
    int32_t assignments;
};

// How far the program understands a loaded file.
enum LoadVerdict { LOAD_COMPLETE, LOAD_UNOPENED, LOAD_UNREADABLE, LOAD_NO_VERSION,
                   LOAD_UNKNOWN_VERSION, LOAD_SHORT };

const char* HELP_TEXT =
    "Usage: quillon-hwconfig [--json | --check | --set FIELD=VALUE...] [FILE]\n"
    "Shows, checks or edits a Quillon hardware configuration file (default\n"
    "hwconfig.cfg in the working directory), read exactly as the setup program\n"
    "reads it.\n"
    "\n"
    "  (no option)  print the version and every field as the program holds it\n"
    "               after loading the file\n"
    "  --json       print the same as one JSON object; version is null when the\n"
    "               file has no recognised version; NaN and infinite floats are\n"
    "               written as the strings \"NaN\", \"Infinity\" and \"-Infinity\"\n"
    "  --check      exit 0 for a complete file of a known version; otherwise\n"
    "               exit 1 and say what the setup program will do with it\n"
    "  --set        write the version-4 file the setup program would write after\n"
    "               loading FILE if just these fields were changed; the height is\n"
    "               completed from the width (640, 800, 1024, 1280 -> 480, 600,\n"
    "               768, 960) unless height is set too. A later assignment of the\n"
    "               same field wins. The file is replaced only when completely\n"
    "               written; on any error it is left untouched.\n"
    "  --help       show this help\n"
    "  --version    show the version\n"
    "  --           the next argument is FILE, even if it starts with '-' or\n"
    "               holds '='\n"
    "\n"
    "Fields: width height depth fullscreen flag4 sound joystickEnabled\n"
    "mouseUnlocked interfaceOn lowTextureDetail (whole numbers, 32-bit signed)\n"
    "and textRed textGreen textBlue (finite decimal numbers, e.g. 0.5 or 1e-3).\n"
    "\n"
    "Exit status: 0 success; 1 --check found an incomplete or unknown file, or\n"
    "--set could not save; 2 bad arguments (nothing written).\n";

int UsageError(const char* message, const char* detail) {
    std::fprintf(stderr, "%s: %s%s\nTry '%s --help'.\n", TOOL_NAME, message, detail, TOOL_NAME);
    return HWCONFIG_EXIT_USAGE;
}

int FindField(const char* name, size_t length) {
    for (int i = 0; i < CONFIG_FIELD_COUNT; ++i)
        if (std::strlen(CONFIG_FIELDS[i].name) == length &&
            std::strncmp(CONFIG_FIELDS[i].name, name, length) == 0)
            return i;
    return -1;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Skips a run of digits; returns how many there were.
int SkipDigits(const char** p) {
    int n = 0;
    while (IsDigit(**p)) ++*p, ++n;
    return n;
}

// Decimal only: optional sign, digits, nothing else (no spaces, no hex).
bool ParseInt32(const char* text, int32_t* out) {
    const char* p = text;
    if (*p == '+' || *p == '-') ++p;
    if (SkipDigits(&p) == 0 || *p != '\0') return false;
    errno = 0;
    long long v = std::strtoll(text, nullptr, 10);
    if (errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return false;
    *out = int32_t(v);
    return true;
}

// Plain decimal notation with an optional exponent; the result must be finite.
bool ParseFiniteFloat(const char* text, float* out) {
    const char* p = text;
    if (*p == '+' || *p == '-') ++p;
    int digits = SkipDigits(&p);
    if (*p == '.') ++p, digits += SkipDigits(&p);
    if (digits == 0) return false;
    if (*p == 'e' || *p == 'E') {
        ++p;
        if (*p == '+' || *p == '-') ++p;
        if (SkipDigits(&p) == 0) return false;
    }
    if (*p != '\0') return false;
    float v = std::strtof(text, nullptr);
    if (!std::isfinite(v)) return false;
    *out = v;
    return true;
}

int ParseAssignment(const char* arg, ToolOptions* options) {
    const char* equals = std::strchr(arg, '=');
    int field = FindField(arg, size_t(equals - arg));
    if (field < 0) {
        std::fprintf(stderr, "%s: unknown field in '%s'; the fields are:", TOOL_NAME, arg);
        for (const ConfigField& f : CONFIG_FIELDS) std::fprintf(stderr, " %s", f.name);
        std::fprintf(stderr, "\n");
        return HWCONFIG_EXIT_USAGE;
    }
    const char* value = equals + 1;
    uint32_t bits;
    if (CONFIG_FIELDS[field].kind == FIELD_INT) {
        int32_t v;
        if (!ParseInt32(value, &v))
            return UsageError(arg, ": not a whole number within the 32-bit signed range");
        std::memcpy(&bits, &v, 4);
    } else {
        float v;
        if (!ParseFiniteFloat(value, &v))
            return UsageError(arg, ": not a finite decimal number");
        std::memcpy(&bits, &v, 4);
    }
    options->fieldSet[field] = 1;
    options->fieldBits[field] = bits;
    ++options->assignments;
    return HWCONFIG_EXIT_OK;
}

int SelectMode(ToolOptions* options, ToolMode mode) {
    if (options->mode != MODE_SHOW && options->mode != mode)
        return UsageError("choose one of --json, --check and --set, not ", MODE_OPTIONS[mode]);
    options->mode = mode;
    return HWCONFIG_EXIT_OK;
}

int TakePath(ToolOptions* options, const char* arg) {
    if (options->path) return UsageError("only one FILE may be given; also got ", arg);
    options->path = arg;
    return HWCONFIG_EXIT_OK;
}

int ParseOption(ToolOptions* options, const char* arg) {
    if (!std::strcmp(arg, "--json")) return SelectMode(options, MODE_JSON);
    if (!std::strcmp(arg, "--check")) return SelectMode(options, MODE_CHECK);
    if (!std::strcmp(arg, "--set")) return SelectMode(options, MODE_SET);
    return UsageError("unknown option ", arg);
}

// Fills `options`; returns -1 to go on, else the exit status to leave with
// (help and version print here and succeed).
int ParseArguments(int argc, char** argv, ToolOptions* options) {
    *options = ToolOptions{};
    bool afterDashes = false;
    int status = HWCONFIG_EXIT_OK;
    for (int i = 1; i < argc && status == HWCONFIG_EXIT_OK; ++i) {
        const char* arg = argv[i] ? argv[i] : "";
        if (afterDashes) {
            status = TakePath(options, arg);
        } else if (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h")) {
            std::fputs(HELP_TEXT, stdout);
            return HWCONFIG_EXIT_OK;
        } else if (!std::strcmp(arg, "--version")) {
            std::printf("%s %s\n", TOOL_NAME, QuillonVersion());
            return HWCONFIG_EXIT_OK;
        } else if (!std::strcmp(arg, "--")) {
            afterDashes = true;
        } else if (arg[0] == '-' && arg[1] != '\0') {
            status = ParseOption(options, arg);
        } else if (std::strchr(arg, '=')) {
            status = ParseAssignment(arg, options);
        } else {
            status = TakePath(options, arg);
        }
    }
    if (status != HWCONFIG_EXIT_OK) return status;
    if (options->assignments > 0 && options->mode != MODE_SET)
        return UsageError("field assignments need --set", "");
    if (options->mode == MODE_SET && options->assignments == 0)
        return UsageError("--set needs at least one FIELD=VALUE", "");
    if (!options->path) options->path = CONFIG_FILE_NAME;
    return -1;
}

LoadVerdict JudgeLoad() {
    const ConfigLoadReport& r = configLoadReport;
    if (!r.opened) return LOAD_UNOPENED;
    if (r.error) return LOAD_UNREADABLE;
    if (r.bytesRead < 4) return LOAD_NO_VERSION;
    if (!r.recognised) return LOAD_UNKNOWN_VERSION;
    if (r.bytesRead < r.expectedBytes) return LOAD_SHORT;
    return LOAD_COMPLETE;
}

// ---- output ---------------------------------------------------------------

uint32_t FieldBits(int field) {
    uint32_t bits;
    std::memcpy(&bits, reinterpret_cast<const uint8_t*>(&hardwareConfig) + CONFIG_FIELDS[field].offset,
                4);
    return bits;
}

void SetFieldBits(int field, uint32_t bits) {
    std::memcpy(reinterpret_cast<uint8_t*>(&hardwareConfig) + CONFIG_FIELDS[field].offset, &bits,
                4);
}

float BitsToFloat(uint32_t bits) {
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}

// Nine significant digits bring every single-precision value back exactly.
void PrintTextFloat(float v) { std::printf("%.9g", double(v)); }

void PrintJsonFloat(float v) {
    if (std::isnan(v))
        std::printf("\"NaN\"");
    else if (std::isinf(v))
        std::printf(v > 0 ? "\"Infinity\"" : "\"-Infinity\"");
    else
        std::printf("%.9g", double(v));
}

void PrintFieldValue(int field, bool json) {
    uint32_t bits = FieldBits(field);
    if (CONFIG_FIELDS[field].kind == FIELD_INT) {
        int32_t v;
        std::memcpy(&v, &bits, 4);
        std::printf("%d", int(v));
    } else if (json) {
        PrintJsonFloat(BitsToFloat(bits));
    } else {
        PrintTextFloat(BitsToFloat(bits));
    }
}

void PrintTextVersion(LoadVerdict verdict) {
    const ConfigLoadReport& r = configLoadReport;
    switch (verdict) {
    case LOAD_COMPLETE: std::printf("version: %u\n", r.version); break;
    case LOAD_SHORT:
        std::printf("version: %u (the file ends after %zu of %zu bytes; later fields keep their "
                    "defaults)\n", r.version, r.bytesRead, r.expectedBytes);
        break;
    case LOAD_UNKNOWN_VERSION:
        std::printf("version: %u (not recognised; the defaults stand)\n", r.version);
        break;
    case LOAD_NO_VERSION:
        std::printf("version: none (%zu bytes, no version word; the defaults stand)\n", r.bytesRead);
        break;
    case LOAD_UNOPENED:
    case LOAD_UNREADABLE:
        std::printf("version: none (cannot %s: %s; the defaults stand)\n",
                    verdict == LOAD_UNOPENED ? "open" : "read", std::strerror(r.error));
        break;
    }
}

void ShowText(const char* path) {
    std::printf("file: %s\n", path);
    PrintTextVersion(JudgeLoad());
    for (int i = 0; i < CONFIG_FIELD_COUNT; ++i) {
        std::printf("%s: ", CONFIG_FIELDS[i].name);
        PrintFieldValue(i, false);
        std::printf("\n");
    }
    for (int i = 0; i < CONFIG_PARAMETER_WORDS; ++i) {
        std::printf("parameterBlock[%d]: ", i);
        PrintTextFloat(configParameterBlock.words[i]);
        std::printf("\n");
    }
    std::printf("configTrailer: %u\n", configTrailer);
}

void ShowJson() {
    if (configLoadReport.recognised)
        std::printf("{\n  \"version\": %u,\n", configLoadReport.version);
    else
        std::printf("{\n  \"version\": null,\n");
    for (int i = 0; i < CONFIG_FIELD_COUNT; ++i) {
        std::printf("  \"%s\": ", CONFIG_FIELDS[i].name);
        PrintFieldValue(i, true);
        std::printf(",\n");
    }
    std::printf("  \"parameterBlock\": [");
    for (int i = 0; i < CONFIG_PARAMETER_WORDS; ++i) {
        if (i) std::printf(", ");
        PrintJsonFloat(configParameterBlock.words[i]);
    }
    std::printf("],\n  \"configTrailer\": %u\n}\n", configTrailer);
}

// Bytes the file holds beyond its version's layout (read by nobody).
long long TrailingBytes(const char* path) {
    struct stat st;
    if (stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return 0;
    long long extra = (long long)st.st_size - (long long)configLoadReport.expectedBytes;
    return extra > 0 ? extra : 0;
}

int Check(const char* path) {
    const ConfigLoadReport& r = configLoadReport;
    const char* rewrite = "the setup program will use its defaults and write a new version-4 file at exit";
    switch (JudgeLoad()) {
    case LOAD_COMPLETE:
        std::printf("%s: complete version %u file (%zu bytes); the setup program reads all of it",
                    path, r.version, r.expectedBytes);
        if (r.version == CONFIG_VERSION)
            std::printf(" and sets parameter words 24 and 25 to 0.9 and 0.65");
        else
            std::printf(", keeps the defaults of the fields version %u lacks and writes it back "
                        "as version 4 at exit", r.version);
        if (long long extra = TrailingBytes(path)) std::printf("; %lld trailing bytes are ignored", extra);
        std::printf("\n");
        return HWCONFIG_EXIT_OK;
    case LOAD_SHORT:
        std::fprintf(stderr, "%s: version %u file cut short: %zu of %zu bytes; the setup program "
                     "takes the fields it holds, keeps the defaults for the rest and writes a "
                     "complete version-4 file at exit\n", path, r.version, r.bytesRead,
                     r.expectedBytes);
        break;
    case LOAD_UNKNOWN_VERSION:
        std::fprintf(stderr, "%s: unknown version %u; the setup program ignores the file's "
                     "contents: %s\n", path, r.version, rewrite);
        break;
    case LOAD_NO_VERSION:
        std::fprintf(stderr, "%s: only %zu bytes, too short for a version word: %s\n", path,
                     r.bytesRead, rewrite);
        break;
    case LOAD_UNOPENED:
    case LOAD_UNREADABLE:
        std::fprintf(stderr, "%s: cannot %s it (%s): %s\n", path,
                     r.opened ? "read" : "open", std::strerror(r.error), rewrite);
        break;
    }
    return HWCONFIG_EXIT_FAILED;
}

int Set(const ToolOptions& options) {
    LoadVerdict verdict = JudgeLoad();
    if (verdict != LOAD_COMPLETE && !(verdict == LOAD_UNOPENED && configLoadReport.error == ENOENT))
        std::fprintf(stderr, "%s: note: %s is not a complete file of a known version; the "
                     "fields it does not hold keep the program's defaults\n", TOOL_NAME,
                     options.path);
    for (int i = 0; i < CONFIG_FIELD_COUNT; ++i)
        if (options.fieldSet[i]) SetFieldBits(i, options.fieldBits[i]);
    if (!options.fieldSet[HEIGHT_FIELD]) CompleteHeightFromWidth();
    if (!SaveHardwareConfigTo(options.path)) return HWCONFIG_EXIT_FAILED;
    std::printf("%s: wrote version %u, %zu bytes\n", options.path, CONFIG_VERSION, CONFIG_V4_BYTES);
    return HWCONFIG_EXIT_OK;
}

}  // namespace

int RunHwconfigTool(int argc, char** argv) {
    ToolOptions options;
    int status = ParseArguments(argc, argv, &options);
    if (status >= 0) return status;
    ResetHardwareConfig();
    LoadHardwareConfigFrom(options.path);
    switch (options.mode) {
    case MODE_SHOW: ShowText(options.path); return HWCONFIG_EXIT_OK;
    case MODE_JSON: ShowJson(); return HWCONFIG_EXIT_OK;
    case MODE_CHECK: return Check(options.path);
    case MODE_SET: return Set(options);
    }
    return HWCONFIG_EXIT_OK;
}
