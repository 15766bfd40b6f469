// The built quillon-hwconfig program, run as a separate process on real files:
// what it prints against what the loader holds, --check verdicts, and --set
// files against the library's own encoding.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/hwconfig.h"
#include "support/gl_context.h"

namespace {

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

std::string ToolPath() {
    const char* dir = std::getenv("QUILLON_BINARY_DIR");
    return std::string(dir && *dir ? dir : QUILLON_BINARY_DIR) + "/quillon-hwconfig";
}

std::string TempOutput() {
    std::string path = std::string(P_tmpdir) + "/quillon-hwconfig-out-XXXXXX";
    close(mkstemp(&path[0]));
    return path;
}

ToolRun RunTool(std::vector<std::string> args) {
    std::string outPath = TempOutput(), errPath = TempOutput();
    std::string tool = ToolPath();
    pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv{&tool[0]};
        for (std::string& a : args) argv.push_back(&a[0]);
        argv.push_back(nullptr);
        int out = open(outPath.c_str(), O_WRONLY | O_TRUNC), err = open(errPath.c_str(), O_WRONLY | O_TRUNC);
        dup2(out, 1);
        dup2(err, 2);
        execv(tool.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ToolRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileBytes(outPath), ReadFileBytes(errPath)};
    unlink(outPath.c_str());
    unlink(errPath.c_str());
    return run;
}

std::string Le32(uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = char((v >> (8 * i)) & 0xff);
    return s;
}
uint32_t Bits(float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    return v;
}

// A complete file of `version` with values that are hard to print right.
std::string SampleFile(uint32_t version) {
    const uint32_t words[13] = {1152, 864, 24, 1, uint32_t(-7), 0, 2, 0, 0,
                                Bits(0.1f), version == 4 ? 0x7fc00000u : Bits(1e-45f),
                                version == 4 ? Bits(-INFINITY) : Bits(-0.0f), 3};
    std::string body;
    for (int i = 0; i < (version == 4 ? 13 : 7); ++i) body += Le32(words[i]);
    if (version >= 2)
        for (int i = 0; i < CONFIG_PARAMETER_WORDS; ++i) body += Le32(Bits(float(i) / 3.0f - 5.0f));
    if (version >= 3) body += Le32(0xfffffffeu);
    return Le32(version) + body;
}

struct FieldName {
    const char* name;
    size_t offset;
    bool isFloat;
};
const FieldName FIELDS[] = {
    {"width", 0, false},          {"height", 4, false},           {"depth", 8, false},
    {"fullscreen", 12, false},    {"flag4", 16, false},           {"sound", 20, false},
    {"joystickEnabled", 24, false}, {"mouseUnlocked", 28, false}, {"interfaceOn", 32, false},
    {"textRed", 36, true},        {"textGreen", 40, true},        {"textBlue", 44, true},
    {"lowTextureDetail", 48, false},
};

uint32_t FieldBits(const FieldName& f) {
    uint32_t v;
    std::memcpy(&v, reinterpret_cast<const char*>(&hardwareConfig) + f.offset, 4);
    return v;
}

// A printed float matches when it reads back to the same bits (NaN by name).
bool FloatMatches(const std::string& text, float want) {
    if (std::isnan(want)) return text == "\"NaN\"" || text == "nan" || text == "-nan";
    if (std::isinf(want)) return text == (want > 0 ? "\"Infinity\"" : "\"-Infinity\"") ||
                                 text == (want > 0 ? "inf" : "-inf");
    char* end = nullptr;
    float got = std::strtof(text.c_str(), &end);
    return !text.empty() && *end == '\0' && Bits(got) == Bits(want);
}

// Checks every named value against the records as the loader left them.
void ExpectValuesMatchRecords(std::map<std::string, std::string>& got, const std::string& what) {
    for (const FieldName& f : FIELDS) {
        uint32_t bits = FieldBits(f);
        float asFloat;
        std::memcpy(&asFloat, &bits, 4);
        if (f.isFloat)
            EXPECT_TRUE(FloatMatches(got[f.name], asFloat)) << what << " " << f.name << "=" << got[f.name];
        else
            EXPECT_EQ(got[f.name], std::to_string(int32_t(bits))) << what << " " << f.name;
        got.erase(f.name);
    }
    for (int i = 0; i < CONFIG_PARAMETER_WORDS; ++i) {
        std::string key = "parameterBlock[" + std::to_string(i) + "]";
        EXPECT_TRUE(FloatMatches(got[key], configParameterBlock.words[i])) << what << " " << key;
        got.erase(key);
    }
    EXPECT_EQ(got["configTrailer"], std::to_string(configTrailer)) << what;
    got.erase("configTrailer");
}

bool IsJsonNumber(const std::string& s) {
    size_t i = s[0] == '-' ? 1 : 0, digits = 0;
    while (i < s.size() && std::isdigit(uint8_t(s[i]))) ++i, ++digits;
    if (digits == 0 || (digits > 1 && s[s[0] == '-' ? 1 : 0] == '0')) return false;
    if (i < s.size() && s[i] == '.') {
        size_t start = ++i;
        while (i < s.size() && std::isdigit(uint8_t(s[i]))) ++i;
        if (i == start) return false;
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        if (++i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        size_t start = i;
        while (i < s.size() && std::isdigit(uint8_t(s[i]))) ++i;
        if (i == start) return false;
    }
    return i == s.size();
}

// Reads the one flat JSON object the tool prints: scalars and one list of
// scalars, keys without escapes. False on anything else.
bool ParseJson(const std::string& text, std::map<std::string, std::string>* out) {
    size_t i = 0;
    auto at = [&](size_t k) { return k < text.size() ? text[k] : '\0'; };
    auto ws = [&] { while (std::isspace(uint8_t(at(i)))) ++i; };
    auto scalar = [&](std::string* v) {
        ws();
        size_t start = i;
        if (at(i) == '"') {
            size_t close = text.find('"', i + 1);
            if (close == std::string::npos) return false;
            i = close + 1;
        } else {
            while (at(i) && !std::strchr(",]} \n", at(i))) ++i;
        }
        *v = text.substr(start, i - start);
        if (v->empty()) return false;
        return (*v)[0] == '"' ? v->find('\\') == std::string::npos : *v == "null" || IsJsonNumber(*v);
    };
    ws();
    if (at(i++) != '{') return false;
    for (bool more = true; more;) {
        std::string key, value;
        if (!scalar(&key) || key[0] != '"') return false;
        key = key.substr(1, key.size() - 2);
        ws();
        if (out->count(key) || at(i++) != ':') return false;
        ws();
        if (at(i) == '[') {
            ++i;
            for (int n = 0;; ++n) {
                if (!scalar(&value)) return false;
                (*out)[key + "[" + std::to_string(n) + "]"] = value;
                ws();
                if (at(i) == ']') break;
                if (at(i++) != ',') return false;
            }
            ++i;
            (*out)[key] = "list";
        } else if (!scalar(&value)) {
            return false;
        } else {
            (*out)[key] = value;
        }
        ws();
        more = at(i) == ',';
        if (at(i++) != (more ? ',' : '}')) return false;
    }
    ws();
    return i == text.size();
}

// "name: value" lines; the value stops at the first space.
std::map<std::string, std::string> ParseText(const std::string& text) {
    std::map<std::string, std::string> out;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = text.substr(start, end - start);
        size_t colon = line.find(": ");
        if (colon == std::string::npos) continue;
        std::string value = line.substr(colon + 2);
        out[line.substr(0, colon)] = value.substr(0, value.find(' '));
    }
    return out;
}

void LoadLikeTheProgram(const char* path) {
    ResetHardwareConfig();
    LoadHardwareConfigFrom(path);
}

std::string Encoded() {
    uint8_t out[CONFIG_V4_BYTES];
    EncodeHardwareConfig(out);
    return std::string(reinterpret_cast<char*>(out), sizeof out);
}

}  // namespace

// Text and JSON show exactly what the loader holds, for every version, an
// unknown version and no file at all.
TEST(HwconfigTool, PrintsWhatTheLoaderHolds) {
    TempWorkDir dir;
    const uint32_t versions[] = {1, 2, 3, 4, 9, 0};
    for (uint32_t version : versions) {
        std::string what = "version " + std::to_string(version);
        unlink("in.cfg");
        std::string bytes = version ? SampleFile(version) : "";
        if (!bytes.empty()) {
            ASSERT_TRUE(WriteFileBytes("in.cfg", bytes));
        }
        LoadLikeTheProgram("in.cfg");

        ToolRun json = RunTool({"--json", "in.cfg"});
        ASSERT_EQ(json.status, 0) << what << json.err;
        std::map<std::string, std::string> values;
        ASSERT_TRUE(ParseJson(json.out, &values)) << what << "\n" << json.out;
        bool known = version >= 1 && version <= 4;
        EXPECT_EQ(values["version"], known ? std::to_string(version) : "null") << what;
        EXPECT_EQ(values["parameterBlock"], "list");
        EXPECT_EQ(values.count("parameterBlock[96]"), 0u);
        values.erase("version");
        values.erase("parameterBlock");
        ExpectValuesMatchRecords(values, what + " json");
        EXPECT_TRUE(values.empty()) << what << ": unexpected key " << values.begin()->first;

        ToolRun text = RunTool({"in.cfg"});
        ASSERT_EQ(text.status, 0) << what;
        std::map<std::string, std::string> lines = ParseText(text.out);
        EXPECT_EQ(lines["version"], known ? std::to_string(version) : version ? "9" : "none") << what;
        ExpectValuesMatchRecords(lines, what + " text");
    }
}

TEST(HwconfigTool, CheckVerdicts) {
    TempWorkDir dir;
    struct Case {
        const char* name;
        std::string bytes;
        int status;
    };
    const Case cases[] = {
        {"missing", "", 1},
        {"two bytes", "\x04\x00", 1},
        {"unknown version", Le32(5) + std::string(440, '\0'), 1},
        {"version 4 cut at 20", SampleFile(4).substr(0, 20), 1},
        {"version 3 one byte short", SampleFile(3).substr(0, 419), 1},
        {"version 1", SampleFile(1), 0},
        {"version 2", SampleFile(2), 0},
        {"version 3", SampleFile(3), 0},
        {"version 4", SampleFile(4), 0},
        {"version 4 with a tail", SampleFile(4) + "tail", 0},
    };
    for (const Case& c : cases) {
        unlink("c.cfg");
        if (!c.bytes.empty()) {
            ASSERT_TRUE(WriteFileBytes("c.cfg", c.bytes));
        }
        ToolRun run = RunTool({"--check", "c.cfg"});
        EXPECT_EQ(run.status, c.status) << c.name << ": " << run.out << run.err;
        const std::string& said = c.status ? run.err : run.out;
        EXPECT_NE(said.find("c.cfg: "), std::string::npos) << c.name;
        EXPECT_NE(said.find(c.status ? "setup program" : "complete"), std::string::npos) << c.name;
    }
    WriteFileBytes("c.cfg", SampleFile(4) + "tail");
    EXPECT_NE(RunTool({"--check", "c.cfg"}).out.find("4 trailing bytes are ignored"), std::string::npos);
}

// --set writes what the program would write after the same changes.
TEST(HwconfigTool, SetWritesTheProgramsFile) {
    TempWorkDir dir;
    struct Case {
        const char* name;
        uint32_t startVersion;  // 0: no file
        std::vector<std::string> args;
        void (*change)();
        bool keepHeight;
    };
    std::string wide = SampleFile(4);
    wide.replace(4, 8, Le32(1280) + Le32(1024));
    const Case cases[] = {
        {"no file", 0, {"--set", "width=800"}, [] { hardwareConfig.width = 800; }, false},
        {"version 2", 2, {"--set", "sound=0", "textRed=0.25"},
         [] { hardwareConfig.sound = 0; hardwareConfig.textRed = 0.25f; }, false},
        {"height completed", 4, {"--set", "fullscreen=0"}, [] { hardwareConfig.fullscreen = 0; }, false},
        {"height set", 4, {"--set", "width=800", "height=1000"},
         [] { hardwareConfig.width = 800; hardwareConfig.height = 1000; }, true},
        {"extremes", 1, {"--set", "depth=-2147483648", "flag4=+2147483647", "textBlue=1e-3", "textGreen=-0", "textRed=.5"},
         [] {
             hardwareConfig.depth = INT32_MIN;
             hardwareConfig.flag4 = INT32_MAX;
             hardwareConfig.textBlue = 1e-3f;
             hardwareConfig.textGreen = -0.0f;
             hardwareConfig.textRed = 0.5f;
         }, false},
        {"last wins", 3, {"--set", "width=800", "width=1024"}, [] { hardwareConfig.width = 1024; }, false},
        {"unknown version", 7, {"--set", "lowTextureDetail=1"}, [] { hardwareConfig.lowTextureDetail = 1; }, false},
    };
    for (const Case& c : cases) {
        unlink("-s.cfg");
        std::string start = c.startVersion == 4   ? wide
                            : c.startVersion == 7 ? Le32(7) + SampleFile(4).substr(4)
                            : c.startVersion      ? SampleFile(c.startVersion)
                                                  : "";
        if (!start.empty()) {
            ASSERT_TRUE(WriteFileBytes("-s.cfg", start));
        }
        LoadLikeTheProgram("-s.cfg");
        c.change();
        if (!c.keepHeight) CompleteHeightFromWidth();
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--", "-s.cfg"});
        ToolRun run = RunTool(args);
        EXPECT_EQ(run.status, 0) << c.name << ": " << run.err;
        EXPECT_EQ(ReadFileBytes("-s.cfg"), Encoded()) << c.name;
    }
}

TEST(HwconfigTool, BadArgumentsLeaveTheFileUntouched) {
    TempWorkDir dir;
    const std::vector<std::string> cases[] = {
        {"--set", "colour=1"},        {"--set", "width="},          {"--set", "width=12x"},
        {"--set", "width=2147483648"}, {"--set", "width=-2147483649"}, {"--set", "width=0x10"},
        {"--set", "width= 5"},         {"--set", "width=1.0"},       {"--set", "textRed=nan"},
        {"--set", "textRed=inf"},      {"--set", "textRed=1e39"},    {"--set", "textRed=0x1p3"},
        {"--set", "textRed=."},        {"--set", "textRed=1e"},      {"--set"},
        {"width=800"},                 {"--frob"},                   {"--json", "--check"},
        {"--set", "width=800", "other.cfg"},
    };
    std::string original = SampleFile(4);
    ASSERT_TRUE(WriteFileBytes(CONFIG_FILE_NAME, original));
    for (const std::vector<std::string>& args : cases) {
        std::vector<std::string> full = args;
        full.push_back(CONFIG_FILE_NAME);
        ToolRun run = RunTool(full);
        EXPECT_EQ(run.status, 2) << args.back();
        EXPECT_NE(run.err.find("quillon-hwconfig: "), std::string::npos) << args.back();
        EXPECT_EQ(ReadFileBytes(CONFIG_FILE_NAME), original) << args.back();
    }
    ASSERT_EQ(mkdir("dir.cfg", 0755), 0);
    ToolRun failed = RunTool({"--set", "width=800", "dir.cfg"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.err.find("Could not save the settings to dir.cfg"), std::string::npos) << failed.err;
}

TEST(HwconfigTool, HelpAndVersion) {
    ToolRun help = RunTool({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: quillon-hwconfig", 0), 0u);
    for (const FieldName& f : FIELDS) EXPECT_NE(help.out.find(f.name), std::string::npos) << f.name;
    ToolRun version = RunTool({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("quillon-hwconfig ") + QUILLON_VERSION + "\n");
}
