#include "app/hwconfig_cli.h"

#include <getopt.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/hwconfig.h"
#include "app/setup_screen.h"
#include "app/version.h"

namespace {

constexpr const char* TOOL_NAME = "quillon-hwconfig";

// At exit the setup program keeps the bytes of a file it could not recognise
// under the file's name with this suffix before it writes the new file.

// ---- the fields -------------------------------------------------------------
// One table drives parsing, checking, printing and --help.

enum FieldKind { FIELD_SWITCH, FIELD_SIZE, FIELD_COLOUR, FIELD_KIND_COUNT };

// What a kind of field holds; --set refuses anything else and --check reports it.
struct KindRule {
    const char* allowed;      // short, for --help
    const char* description;  // for messages
    double least, most;
    bool isFloat;
};

constexpr KindRule KIND_RULES[FIELD_KIND_COUNT] = {
    {"0 or 1", "0 or 1", 0, 1, false},
    {"1 or more", "a whole number of 1 or more", 1, INT32_MAX, false},
    {"0 to 1", "a number from 0 to 1", 0, 1, true},
};

struct ConfigField {
    const char* name;
    size_t offset;  // within HardwareConfig
    FieldKind kind;
    bool onScreen;        // a switch of the setup screen, flipped by its lowest bit
    const char* meaning;  // one line of --help
};

constexpr ConfigField CONFIG_FIELDS[] = {
    {"width",
     offsetof(HardwareConfig, width),
     FIELD_SIZE,
     true,
     "pixels across; choices: 640, 800, 1024, 1280"},
    {"height",
     offsetof(HardwareConfig, height),
     FIELD_SIZE,
     false,
     "pixels down; set from a chosen width at exit"},
    {"depth",
     offsetof(HardwareConfig, depth),
     FIELD_SIZE,
     false,
     "colour depth in bits per pixel; not on screen"},
    {"fullscreen",
     offsetof(HardwareConfig, fullscreen),
     FIELD_SWITCH,
     true,
     "the screen's \"Fullscreen\" switch"},
    {"flag4",
     offsetof(HardwareConfig, flag4),
     FIELD_SWITCH,
     false,
     "carried through for the game; not on screen"},
    {"sound", offsetof(HardwareConfig, sound), FIELD_SWITCH, true, "the screen's \"Sound\" switch"},
    {"joystickEnabled",
     offsetof(HardwareConfig, joystickEnabled),
     FIELD_SWITCH,
     false,
     "the joystick is polled while 1; not on screen"},
    {"mouseUnlocked",
     offsetof(HardwareConfig, mouseUnlocked),
     FIELD_SWITCH,
     true,
     "the screen's \"Mouse Unlocked\" switch"},
    {"interfaceOn",
     offsetof(HardwareConfig, interfaceOn),
     FIELD_SWITCH,
     true,
     "the screen's \"Interface\" switch"},
    {"textRed",
     offsetof(HardwareConfig, textRed),
     FIELD_COLOUR,
     true,
     "interface text colour, red (first slider)"},
    {"textGreen",
     offsetof(HardwareConfig, textGreen),
     FIELD_COLOUR,
     true,
     "interface text colour, green (second slider)"},
    {"textBlue",
     offsetof(HardwareConfig, textBlue),
     FIELD_COLOUR,
     true,
     "interface text colour, blue (third slider)"},
    {"lowTextureDetail",
     offsetof(HardwareConfig, lowTextureDetail),
     FIELD_SWITCH,
     true,
     "the screen's \"Low Texture Detail\" switch"},
};
constexpr int CONFIG_FIELD_COUNT = sizeof(CONFIG_FIELDS) / sizeof(CONFIG_FIELDS[0]);
static_assert(CONFIG_FIELD_COUNT * 4 == sizeof(HardwareConfig), "every word has a name");
constexpr int WIDTH_FIELD = 0;
constexpr int HEIGHT_FIELD = 1;

constexpr bool FieldsAreInFileOrder() {
    for (int i = 0; i < CONFIG_FIELD_COUNT; ++i)
        if (CONFIG_FIELDS[i].offset != size_t(4 * i))
            return false;
    return true;
}
static_assert(FieldsAreInFileOrder(), "the table lists the words in file order");

// --help prints a meaning after 30 columns of name and values, within 80.
constexpr size_t MEANING_WIDTH = 50;
constexpr bool MeaningsFitHelp() {
    for (const ConfigField& f : CONFIG_FIELDS) {
        size_t n = 0;
        while (f.meaning[n])
            ++n;
        if (n > MEANING_WIDTH)
            return false;
    }
    return true;
}
static_assert(MeaningsFitHelp(), "each meaning fits one line of --help");

// ---- exit statuses and help ---------------------------------------------------

struct ExitStatusLine {
    int status;
    const char* meaning;
};

// The one list of exit statuses; the manual page repeats these lines.
constexpr ExitStatusLine EXIT_STATUS_LINES[] = {
    {HWCONFIG_EXIT_OK, "success"},
    {HWCONFIG_EXIT_FAILED, "printing: FILE is missing or unreadable (the defaults are shown)"},
    {HWCONFIG_EXIT_FAILED, "--check: FILE is not complete, or holds a value it reports"},
    {HWCONFIG_EXIT_FAILED, "--set, --reset: FILE could not be saved"},
    {HWCONFIG_EXIT_USAGE, "bad arguments or a refused value; no file was touched"},
};

const char* USAGE_TEXT =
    "Usage: quillon-hwconfig [-a | -j] [FILE]\n"
    "       quillon-hwconfig -c [FILE]\n"
    "       quillon-hwconfig -s FIELD=VALUE... [FILE]\n"
    "       quillon-hwconfig -r [FILE]\n"
    "Shows, checks, edits or resets a Quillon hardware configuration file (FILE,\n"
    "by default hwconfig.cfg in the working directory), read and written exactly\n"
    "as the setup program reads and writes it.\n"
    "\n"
    "  (no option)   print the file's state, then each field as the setup program\n"
    "                holds it after loading the file; equal parameter words are\n"
    "                shown as runs\n"
    "  -a, --all     print every parameter word on its own line\n"
    "  -j, --json    print the same as one JSON object; \"status\" is one of\n"
    "                missing, unreadable, unrecognised, short, complete; NaN and\n"
    "                infinite floats are the strings \"NaN\", \"Infinity\", \"-Infinity\"\n"
    "  -c, --check   say how the setup program will take the file and report each\n"
    "                value it would show or keep oddly\n"
    "  -s, --set     write the version-4 file the setup program would write after\n"
    "                loading FILE if just these fields were changed; the height is\n"
    "                completed from the width unless height is set too; a later\n"
    "                assignment to the same field wins\n"
    "  -r, --reset   write the file the setup program writes on a first run\n"
    "  -h, --help    show this help\n"
    "  -V, --version show the version\n"
    "  --            the next argument is FILE, even if it starts with '-' or\n"
    "                holds '='\n"
    "--set and --reset write through the setup program's own saver.\n";

const char* EXAMPLES_TEXT =
    "Examples:\n"
    "  quillon-hwconfig                          show hwconfig.cfg\n"
    "  quillon-hwconfig --all saved.cfg          show every word of saved.cfg\n"
    "  quillon-hwconfig --json | jq .status      the file's state, for scripts\n"
    "  quillon-hwconfig --check                  what the setup program will make of it\n"
    "  quillon-hwconfig --set width=800 sound=0  800x600, no sound\n"
    "  quillon-hwconfig --reset                  back to the first-run defaults\n";

void PrintHelp() {
    std::fputs(USAGE_TEXT, stdout);
    std::printf("\nFields (valid values, meaning):\n");
    for (const ConfigField& f : CONFIG_FIELDS)
        std::printf("  %-16s %-10s %s\n", f.name, KIND_RULES[f.kind].allowed, f.meaning);
    std::printf(
        "  A value outside the valid ones is refused by --set and reported by\n"
        "  --check, as is a width that none of the screen's choices offers.\n\n%s",
        EXAMPLES_TEXT);
    std::printf("\nExit status:\n");
    int last = -1;
    for (const ExitStatusLine& line : EXIT_STATUS_LINES) {
        if (line.status != last)
            std::printf("  %d  %s\n", line.status, line.meaning);
        else
            std::printf("     %s\n", line.meaning);
        last = line.status;
    }
}

// ---- options ------------------------------------------------------------------

enum ToolMode { MODE_SHOW, MODE_JSON, MODE_CHECK, MODE_SET, MODE_RESET };

constexpr const char* MODE_NAMES[] = {"printing", "--json", "--check", "--set", "--reset"};

// A leading '-' hands every operand over in place (as option 1), so '--'
// still marks where FILE starts.
constexpr const char* SHORT_OPTIONS = "-acVhjrs";
constexpr option LONG_OPTIONS[] = {
    {"all", no_argument, nullptr, 'a'},
    {"check", no_argument, nullptr, 'c'},
    {"help", no_argument, nullptr, 'h'},
    {"json", no_argument, nullptr, 'j'},
    {"reset", no_argument, nullptr, 'r'},
    {"set", no_argument, nullptr, 's'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};
constexpr int OPERAND = 1;
constexpr int GO_ON = -1;  // parsing result: run the mode

struct ToolOptions {
    ToolMode mode;
    int32_t all;
    const char* path;
    int32_t fieldSet[CONFIG_FIELD_COUNT];    // the field was assigned (the last one counts)
    uint32_t fieldBits[CONFIG_FIELD_COUNT];  // its new word, as stored
    int32_t assignments;
};

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

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Skips a run of digits; returns how many there were.
int SkipDigits(const char** p) {
    int n = 0;
    while (IsDigit(**p)) {
        ++*p;
        ++n;
    }
    return n;
}

// Decimal only: optional sign, digits, nothing else (no spaces, no hex).
bool ParseInt32(const char* text, uint32_t* bits) {
    const char* p = text;
    if (*p == '+' || *p == '-')
        ++p;
    if (SkipDigits(&p) == 0 || *p != '\0')
        return false;
    errno = 0;
    long long v = std::strtoll(text, nullptr, 10);
    if (errno == ERANGE || v < INT32_MIN || v > INT32_MAX)
        return false;
    int32_t word = int32_t(v);
    std::memcpy(bits, &word, 4);
    return true;
}

// Plain decimal notation with an optional exponent; the result must be finite.
bool ParseFiniteFloat(const char* text, uint32_t* bits) {
    const char* p = text;
    if (*p == '+' || *p == '-')
        ++p;
    int digits = SkipDigits(&p);
    if (*p == '.') {
        ++p;
        digits += SkipDigits(&p);
    }
    if (digits == 0)
        return false;
    if (*p == 'e' || *p == 'E') {
        ++p;
        if (*p == '+' || *p == '-')
            ++p;
        if (SkipDigits(&p) == 0)
            return false;
    }
    if (*p != '\0')
        return false;
    float v = std::strtof(text, nullptr);
    if (!std::isfinite(v))
        return false;
    std::memcpy(bits, &v, 4);
    return true;
}

float BitsToFloat(uint32_t bits) {
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}

// True when the word holds a value its field's kind allows (never for NaN).
bool IsAllowed(int field, uint32_t bits) {
    const KindRule& rule = KIND_RULES[CONFIG_FIELDS[field].kind];
    double v = rule.isFloat ? double(BitsToFloat(bits)) : double(int32_t(bits));
    return v >= rule.least && v <= rule.most;
}

void PrintFieldNames(FILE* out) {
    for (const ConfigField& f : CONFIG_FIELDS)
        std::fprintf(out, " %s", f.name);
    std::fprintf(out, "\n");
}

int ParseAssignment(const char* arg, ToolOptions* options) {
    const char* equals = std::strchr(arg, '=');
    int field = FindField(arg, size_t(equals - arg));
    if (field < 0) {
        std::fprintf(stderr, "%s: unknown field in '%s'; the fields are:", TOOL_NAME, arg);
        PrintFieldNames(stderr);
        return HWCONFIG_EXIT_USAGE;
    }
    const ConfigField& f = CONFIG_FIELDS[field];
    uint32_t bits;
    bool parsed = KIND_RULES[f.kind].isFloat ? ParseFiniteFloat(equals + 1, &bits)
                                             : ParseInt32(equals + 1, &bits);
    if (!parsed || !IsAllowed(field, bits)) {
        std::fprintf(stderr,
                     "%s: refused %s: %s takes %s\n",
                     TOOL_NAME,
                     arg,
                     f.name,
                     KIND_RULES[f.kind].description);
        return HWCONFIG_EXIT_USAGE;
    }
    options->fieldSet[field] = 1;
    options->fieldBits[field] = bits;
    ++options->assignments;
    return GO_ON;
}

int SelectMode(ToolOptions* options, ToolMode mode) {
    if (options->mode != MODE_SHOW && options->mode != mode)
        return UsageError("choose one of --json, --check, --set and --reset, not also ",
                          MODE_NAMES[mode]);
    options->mode = mode;
    return GO_ON;
}

int TakePath(ToolOptions* options, const char* arg) {
    if (options->path)
        return UsageError("only one FILE may be given; also got ", arg);
    options->path = arg;
    return GO_ON;
}

// getopt names an unknown short option in optopt; a long one (unknown, or
// given a value it does not take) is the argument just passed.
int RefuseOption(char** argv) {
    if (optopt && !std::strchr(SHORT_OPTIONS + 1, optopt)) {
        char shortOption[] = {'-', char(optopt), '\0'};
        return UsageError("unknown option ", shortOption);
    }
    return UsageError("unknown option or unexpected value: ", argv[optind - 1]);
}

// One option or operand; returns GO_ON or the exit status to leave with
// (help and version print here and succeed).
int TakeOption(int code, char** argv, ToolOptions* options) {
    switch (code) {
        case 'h':
            PrintHelp();
            return HWCONFIG_EXIT_OK;
        case 'V':
            std::printf("%s %s\n", TOOL_NAME, QuillonVersion());
            return HWCONFIG_EXIT_OK;
        case 'a':
            options->all = 1;
            return GO_ON;
        case 'j':
            return SelectMode(options, MODE_JSON);
        case 'c':
            return SelectMode(options, MODE_CHECK);
        case 's':
            return SelectMode(options, MODE_SET);
        case 'r':
            return SelectMode(options, MODE_RESET);
        case OPERAND:
            return std::strchr(optarg, '=') ? ParseAssignment(optarg, options)
                                            : TakePath(options, optarg);
        default:
            return RefuseOption(argv);
    }
}

int CheckCombination(ToolOptions* options) {
    if (options->assignments > 0 && options->mode != MODE_SET)
        return UsageError("field assignments need --set", "");
    if (options->mode == MODE_SET && options->assignments == 0)
        return UsageError("--set needs at least one FIELD=VALUE", "");
    if (options->all && options->mode != MODE_SHOW && options->mode != MODE_JSON)
        return UsageError("--all goes with printing, not with ", MODE_NAMES[options->mode]);
    if (!options->path)
        options->path = CONFIG_FILE_NAME;
    return GO_ON;
}

// Fills `options`; returns GO_ON, or the exit status to leave with.
int ParseArguments(int argc, char** argv, ToolOptions* options) {
    *options = ToolOptions{};
    optind = 0;  // a fresh scan, whatever an earlier call left behind
    opterr = 0;  // every message is the tool's own
    int status = GO_ON;
    for (int code; status == GO_ON &&
                   (code = getopt_long(argc, argv, SHORT_OPTIONS, LONG_OPTIONS, nullptr)) != -1;)
        status = TakeOption(code, argv, options);
    for (int i = optind; status == GO_ON && i < argc; ++i)
        status = TakePath(options, argv[i]);
    return status == GO_ON ? CheckCombination(options) : status;
}

// ---- the file's state -----------------------------------------------------------

enum FileStatus {
    STATUS_MISSING,
    STATUS_UNREADABLE,
    STATUS_UNRECOGNISED,
    STATUS_SHORT,
    STATUS_COMPLETE,
    STATUS_COUNT
};
constexpr const char* STATUS_NAMES[STATUS_COUNT] = {
    "missing", "unreadable", "unrecognised", "short", "complete"};

FileStatus JudgeLoad() {
    const ConfigLoadReport& r = configLoadReport;
    if (!r.opened)
        return r.error == ENOENT ? STATUS_MISSING : STATUS_UNREADABLE;
    if (r.error)
        return STATUS_UNREADABLE;
    if (!r.recognised)
        return STATUS_UNRECOGNISED;
    if (r.bytesRead < r.expectedBytes)
        return STATUS_SHORT;
    return STATUS_COMPLETE;
}

// The status word and its facts, e.g. "short, version 4, 20 of 444 bytes;
// the fields it does not hold keep their defaults".
void DescribeState(FileStatus status, char* out, size_t size) {
    const ConfigLoadReport& r = configLoadReport;
    const char* name = STATUS_NAMES[status];
    switch (status) {
        case STATUS_COMPLETE:
            std::snprintf(out, size, "%s, version %u, %zu bytes", name, r.version, r.expectedBytes);
            break;
        case STATUS_SHORT:
            std::snprintf(out,
                          size,
                          "%s, version %u, %zu of %zu bytes; the fields it does not hold "
                          "keep their defaults",
                          name,
                          r.version,
                          r.bytesRead,
                          r.expectedBytes);
            break;
        case STATUS_UNRECOGNISED:
            if (r.bytesRead < 4)
                std::snprintf(out,
                              size,
                              "%s, %zu bytes, too short for a version word; the defaults "
                              "stand",
                              name,
                              r.bytesRead);
            else
                std::snprintf(out, size, "%s, version %u; the defaults stand", name, r.version);
            break;
        case STATUS_MISSING:
            std::snprintf(out, size, "%s; the defaults stand", name);
            break;
        default:
            std::snprintf(out, size, "%s (%s); the defaults stand", name, std::strerror(r.error));
            break;
    }
}

// Says on stderr that the file could not be read; true when it could.
bool ReportUnreadable(FileStatus status, const char* path) {
    if (status != STATUS_MISSING && status != STATUS_UNREADABLE)
        return true;
    std::fprintf(stderr,
                 "%s: cannot %s %s: %s\n",
                 TOOL_NAME,
                 configLoadReport.opened ? "read" : "open",
                 path,
                 std::strerror(configLoadReport.error));
    return false;
}

// ---- printing ------------------------------------------------------------------------

uint32_t FieldBits(int field) {
    uint32_t bits;
    std::memcpy(
        &bits, reinterpret_cast<const uint8_t*>(&hardwareConfig) + CONFIG_FIELDS[field].offset, 4);
    return bits;
}

void SetFieldBits(int field, uint32_t bits) {
    std::memcpy(
        reinterpret_cast<uint8_t*>(&hardwareConfig) + CONFIG_FIELDS[field].offset, &bits, 4);
}

uint32_t ParameterBits(int word) {
    uint32_t bits;
    std::memcpy(&bits, &configParameterBlock.words[word], 4);
    return bits;
}

// The shortest decimal that reads back to the same float; NaN and the
// infinities by name (as JSON strings when `json`).
void FormatFloat(float v, bool json, char* out, size_t size) {
    if (std::isnan(v)) {
        std::snprintf(out, size, json ? "\"NaN\"" : "nan");
    } else if (std::isinf(v)) {
        std::snprintf(out, size, json ? "\"%sInfinity\"" : "%sinf", v < 0 ? "-" : "");
    } else {
        std::to_chars_result r = std::to_chars(out, out + size - 1, v);
        *r.ptr = '\0';
    }
}

void FormatFieldValue(int field, bool json, char* out, size_t size) {
    uint32_t bits = FieldBits(field);
    if (KIND_RULES[CONFIG_FIELDS[field].kind].isFloat)
        FormatFloat(BitsToFloat(bits), json, out, size);
    else
        std::snprintf(out, size, "%d", int(int32_t(bits)));
}

constexpr size_t VALUE_TEXT_SIZE = 48;
constexpr size_t STATE_TEXT_SIZE = 512;

// The first word after `first` whose bits differ from it.
int RunEnd(int first) {
    int end = first + 1;
    while (end < CONFIG_PARAMETER_WORDS && ParameterBits(end) == ParameterBits(first))
        ++end;
    return end;
}

// Runs of equal words, one line each ("  words 6-8: 0.35"); with `all`, each
// word on its own line.
void PrintParameterBlock(bool all) {
    char value[VALUE_TEXT_SIZE];
    FormatFloat(configParameterBlock.words[0], false, value, sizeof value);
    if (!all && RunEnd(0) == CONFIG_PARAMETER_WORDS) {
        std::printf("parameterBlock: %d words, all %s\n", CONFIG_PARAMETER_WORDS, value);
        return;
    }
    std::printf("parameterBlock: %d words\n", CONFIG_PARAMETER_WORDS);
    for (int first = 0, end; first < CONFIG_PARAMETER_WORDS; first = end) {
        end = all ? first + 1 : RunEnd(first);
        FormatFloat(configParameterBlock.words[first], false, value, sizeof value);
        if (end - first == 1)
            std::printf("  word %d: %s\n", first, value);
        else
            std::printf("  words %d-%d: %s\n", first, end - 1, value);
    }
}

void ShowText(const char* path, FileStatus status, bool all) {
    char state[STATE_TEXT_SIZE];
    DescribeState(status, state, sizeof state);
    std::printf("%s: %s\n", path, state);
    char value[VALUE_TEXT_SIZE];
    for (int i = 0; i < CONFIG_FIELD_COUNT; ++i) {
        FormatFieldValue(i, false, value, sizeof value);
        std::printf("%s: %s\n", CONFIG_FIELDS[i].name, value);
    }
    PrintParameterBlock(all);
    std::printf("configTrailer: %u\n", configTrailer);
}

void ShowJson(FileStatus status) {
    std::printf("{\n  \"status\": \"%s\",\n", STATUS_NAMES[status]);
    // The version word as read, even an unrecognised one; null when there is none.
    if (configLoadReport.opened && configLoadReport.bytesRead >= 4)
        std::printf("  \"version\": %u,\n", configLoadReport.version);
    else
        std::printf("  \"version\": null,\n");
    char value[VALUE_TEXT_SIZE];
    for (int i = 0; i < CONFIG_FIELD_COUNT; ++i) {
        FormatFieldValue(i, true, value, sizeof value);
        std::printf("  \"%s\": %s,\n", CONFIG_FIELDS[i].name, value);
    }
    std::printf("  \"parameterBlock\": [");
    for (int i = 0; i < CONFIG_PARAMETER_WORDS; ++i) {
        FormatFloat(configParameterBlock.words[i], true, value, sizeof value);
        std::printf("%s%s", i ? ", " : "", value);
    }
    std::printf("],\n  \"configTrailer\": %u\n}\n", configTrailer);
}

// ---- checking ----------------------------------------------------------------------

// Bytes the file holds beyond its version's layout (read by nobody).
long long TrailingBytes(const char* path) {
    struct stat st;
    if (stat(path, &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    long long extra = (long long)st.st_size - (long long)configLoadReport.expectedBytes;
    return extra > 0 ? extra : 0;
}

// What the setup program does with the file at exit, for --check.
void PrintExitFate(FileStatus status, const char* path) {
    const ConfigLoadReport& r = configLoadReport;
    switch (status) {
        case STATUS_COMPLETE:
            if (r.version == CONFIG_VERSION)
                std::printf("; the setup program sets parameter words 24 and 25 to 0.9 and 0.65");
            else
                std::printf("; the setup program writes it back as version %u at exit",
                            CONFIG_VERSION);
            if (long long extra = TrailingBytes(path))
                std::printf("; %lld trailing bytes are ignored", extra);
            break;
        case STATUS_SHORT:
            std::printf("; the setup program writes a complete version-%u file at exit",
                        CONFIG_VERSION);
            break;
        case STATUS_UNRECOGNISED:
            std::printf("; the setup program writes a new version-%u file at exit", CONFIG_VERSION);
            break;
        case STATUS_MISSING:
            std::printf("; the setup program creates it at exit");
            break;
        default:
            std::printf("; the setup program tries to replace it at exit");
            break;
    }
    char backup[PATH_MAX];
    if (ConfigFileNeedsBackup(path) && GetConfigBackupName(path, backup, sizeof backup))
        std::printf(", keeping the file's bytes in %s first", backup);
    std::printf("\n");
}

// Why a value outside its field's valid ones matters to the setup program.
const char* OddValueFate(int field) {
    const ConfigField& f = CONFIG_FIELDS[field];
    if (f.kind == FIELD_SWITCH && f.onScreen)
        return "the screen shows it as on and each press flips only its lowest bit";
    if (f.kind == FIELD_COLOUR)
        return "the setup program keeps it and draws its slider's marker off the ramp";
    return "the setup program keeps it as it is";
}

// One line per value the setup program would show or keep oddly, judged on
// the records as it would write them; returns how many.
int ReportOddValues(const char* path) {
    CompleteHeightFromWidth();
    int found = 0;
    char value[VALUE_TEXT_SIZE];
    for (int i = 0; i < CONFIG_FIELD_COUNT; ++i) {
        FormatFieldValue(i, false, value, sizeof value);
        const ConfigField& f = CONFIG_FIELDS[i];
        if (!IsAllowed(i, FieldBits(i))) {
            std::printf("%s: %s is %s, not %s: %s\n",
                        path,
                        f.name,
                        value,
                        KIND_RULES[f.kind].allowed,
                        OddValueFate(i));
            ++found;
        } else if (i == WIDTH_FIELD && !IsResolutionChoice(hardwareConfig.width)) {
            std::printf(
                "%s: width is %s, which none of the screen's resolutions offers: none is "
                "lit, and the setup program keeps the width and height as they are\n",
                path,
                value);
            ++found;
        }
    }
    return found;
}

int Check(const char* path, FileStatus status) {
    ReportUnreadable(status, path);
    char state[STATE_TEXT_SIZE];
    DescribeState(status, state, sizeof state);
    std::printf("%s: %s", path, state);
    PrintExitFate(status, path);
    int odd = ReportOddValues(path);
    return status == STATUS_COMPLETE && odd == 0 ? HWCONFIG_EXIT_OK : HWCONFIG_EXIT_FAILED;
}

// ---- writing ---------------------------------------------------------------------------

int Set(const ToolOptions& options, FileStatus status) {
    if (status != STATUS_COMPLETE && status != STATUS_MISSING)
        std::fprintf(stderr,
                     "%s: note: %s is not a complete file of a known version; the "
                     "fields it does not hold keep the program's defaults\n",
                     TOOL_NAME,
                     options.path);
    for (int i = 0; i < CONFIG_FIELD_COUNT; ++i)
        if (options.fieldSet[i])
            SetFieldBits(i, options.fieldBits[i]);
    if (!options.fieldSet[HEIGHT_FIELD])
        CompleteHeightFromWidth();
    if (!SaveHardwareConfigTo(options.path))
        return HWCONFIG_EXIT_FAILED;
    std::printf("%s: wrote version %u, %zu bytes\n", options.path, CONFIG_VERSION, CONFIG_V4_BYTES);
    return HWCONFIG_EXIT_OK;
}

// Writes what a first run of the setup program writes: no file, so the
// defaults stand, and the height completed from the width.
int Reset(const char* path) {
    static const uint8_t NO_BYTES[1] = {0};
    ResetHardwareConfig();
    LoadHardwareConfigFromBytes(NO_BYTES, 0);
    CompleteHeightFromWidth();
    if (!SaveHardwareConfigTo(path))
        return HWCONFIG_EXIT_FAILED;
    std::printf("%s: wrote the setup program's first-run defaults, version %u, %zu bytes\n",
                path,
                CONFIG_VERSION,
                CONFIG_V4_BYTES);
    return HWCONFIG_EXIT_OK;
}

}  // namespace

int RunHwconfigTool(int argc, char** argv) {
    ToolOptions options;
    int status = ParseArguments(argc, argv, &options);
    if (status != GO_ON)
        return status;
    if (options.mode == MODE_RESET)
        return Reset(options.path);
    ResetHardwareConfig();
    LoadHardwareConfigFrom(options.path);
    FileStatus fileStatus = JudgeLoad();
    bool readable = true;
    switch (options.mode) {
        case MODE_SHOW:
            readable = ReportUnreadable(fileStatus, options.path);
            ShowText(options.path, fileStatus, options.all);
            break;
        case MODE_JSON:
            readable = ReportUnreadable(fileStatus, options.path);
            ShowJson(fileStatus);
            break;
        case MODE_CHECK:
            return Check(options.path, fileStatus);
        case MODE_SET:
            return Set(options, fileStatus);
        case MODE_RESET:
            break;
    }
    return readable ? HWCONFIG_EXIT_OK : HWCONFIG_EXIT_FAILED;
}
