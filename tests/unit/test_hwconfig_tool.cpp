// The built quillon-hwconfig program, run as a separate process on real files:
// what it prints against what the loader holds, --check verdicts, and --set
// files against the library's own encoding.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
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
    std::string out, err;
};

std::string TempOutput() {
    std::string path = std::string(P_tmpdir) + "/quillon-hwconfig-out-XXXXXX";
    close(mkstemp(&path[0]));
    return path;
}

ToolRun RunTool(std::vector<std::string> args) {
    const char* dir = std::getenv("QUILLON_BINARY_DIR");
    std::string tool = std::string(dir && *dir ? dir : QUILLON_BINARY_DIR) + "/quillon-hwconfig";
    std::string outPath = TempOutput(), errPath = TempOutput();
    pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv{&tool[0]};
        for (std::string& a : args) argv.push_back(&a[0]);
        argv.push_back(nullptr);
        dup2(open(outPath.c_str(), O_WRONLY), 1);
        dup2(open(errPath.c_str(), O_WRONLY), 2);
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

std::string Le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
uint32_t Bits(float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    return v;
}

// A complete file of `version` with values that are hard to print right.
std::string SampleFile(uint32_t version) {
    const uint32_t words[13] = {1152, 864, 24, 1, uint32_t(-7), 0, 2, 0, 0, Bits(0.1f),
                                version == 4 ? 0x7fc00000u : Bits(1e-45f),
                                version == 4 ? Bits(-INFINITY) : Bits(-0.0f), 3};
    std::string s = Le32(version);
    for (int i = 0; i < (version == 4 ? 13 : 7); ++i) s += Le32(words[i]);
    for (int i = 0; version >= 2 && i < CONFIG_PARAMETER_WORDS; ++i) s += Le32(Bits(i / 3.0f - 5));
    return version >= 3 ? s + Le32(0xfffffffeu) : s;
}

const char* const FIELDS[13] = {"width", "height", "depth", "fullscreen", "flag4", "sound",
                                "joystickEnabled", "mouseUnlocked", "interfaceOn", "textRed",
                                "textGreen", "textBlue", "lowTextureDetail"};

// A printed float matches when it reads back to the same bits (NaN by name).
bool FloatMatches(const std::string& text, float want) {
    if (std::isnan(want)) return text == "\"NaN\"" || text == "nan" || text == "-nan";
    if (std::isinf(want)) return text == (want > 0 ? "\"Infinity\"" : "\"-Infinity\"") || text == (want > 0 ? "inf" : "-inf");
    char* end = nullptr;
    float got = std::strtof(text.c_str(), &end);
    return !text.empty() && *end == '\0' && Bits(got) == Bits(want);
}

// Every value printed under its name, against the records as the loader left
// them; the names checked are removed from `got`.
void ExpectValuesMatchRecords(std::map<std::string, std::string>& got, const std::string& what) {
    for (int i = 0; i < 13; ++i) {
        uint32_t bits;
        std::memcpy(&bits, reinterpret_cast<const char*>(&hardwareConfig) + 4 * i, 4);
        float f;
        std::memcpy(&f, &bits, 4);
        bool ok = i >= 9 && i <= 11 ? FloatMatches(got[FIELDS[i]], f) : got[FIELDS[i]] == std::to_string(int32_t(bits));
        EXPECT_TRUE(ok) << what << " " << FIELDS[i] << "=" << got[FIELDS[i]];
        got.erase(FIELDS[i]);
    }
    for (int i = 0; i < CONFIG_PARAMETER_WORDS; ++i) {
        std::string key = "parameterBlock[" + std::to_string(i) + "]";
        EXPECT_TRUE(FloatMatches(got[key], configParameterBlock.words[i])) << what << " " << key;
        got.erase(key);
    }
    EXPECT_EQ(got["configTrailer"], std::to_string(configTrailer)) << what;
    got.erase("configTrailer");
}

// A JSON scalar: null, a string without escapes, or a number in JSON's form.
bool IsJsonScalar(const std::string& s) {
    if (s == "null") return true;
    if (s.size() >= 2 && s[0] == '"') return s.find_first_of("\"\\", 1) == s.size() - 1;
    size_t digit = s[0] == '-' ? 1 : 0;
    if (s.find_first_not_of("-+.0123456789eE") != std::string::npos || !std::isdigit(uint8_t(s[digit])) ||
        (s[digit] == '0' && std::isdigit(uint8_t(s[digit + 1]))) || s.find(".e") != std::string::npos || s.back() == '.')
        return false;
    char* end = nullptr;
    std::strtod(s.c_str(), &end);
    return *end == '\0';
}

// Reads the flat object the tool prints (scalars and lists of scalars) into
// name -> text, list items as name[i]. False on anything else.
bool ParseJson(const std::string& text, std::map<std::string, std::string>* out) {
    std::vector<std::string> tokens;
    for (size_t i = 0; i < text.size();) {
        size_t end = text[i] == '"' ? text.find('"', i + 1) + 1 : std::strchr("{}[],:", text[i]) ? i + 1
                   : std::min(text.find_first_of("{}[],: \n", i), text.size());
        if (end == 0) return false;
        if (!std::isspace(uint8_t(text[i]))) tokens.push_back(text.substr(i, end - i));
        i = std::max(end, i + 1);
    }
    size_t t = 0;
    auto next = [&]() -> const std::string& { static const std::string none; return t < tokens.size() ? tokens[t++] : none; };
    if (next() != "{") return false;
    for (std::string sep = ","; sep == ",";) {
        std::string key = next();
        if (key.size() < 2 || key[0] != '"' || next() != ":") return false;
        key = key.substr(1, key.size() - 2);
        std::string value = next();
        if (out->count(key)) return false;
        if (value == "[") {
            for (int n = 0; value != "]"; ++n) {
                std::string item = next();
                if (!IsJsonScalar(item)) return false;
                (*out)[key + "[" + std::to_string(n) + "]"] = item;
                if ((value = next()) != "," && value != "]") return false;
            }
            value = "list";
        } else if (!IsJsonScalar(value)) {
            return false;
        }
        (*out)[key] = value;
        sep = next();
        if (sep != "," && sep != "}") return false;
    }
    return t == tokens.size();
}

// "name: value" lines; the value ends at the first space.
std::map<std::string, std::string> ParseText(const std::string& text) {
    std::map<std::string, std::string> out;
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = text.substr(start, end - start);
        size_t colon = line.find(": ");
        if (colon != std::string::npos) out[line.substr(0, colon)] = line.substr(colon + 2, line.find(' ', colon + 2) - colon - 2);
    }
    return out;
}

std::string Encoded() {
    uint8_t out[CONFIG_V4_BYTES];
    EncodeHardwareConfig(out);
    return std::string(reinterpret_cast<char*>(out), sizeof out);
}

}  // namespace

// Text and JSON show what the loader holds, for every version, an unknown
// version (9) and no file (0).
TEST(HwconfigTool, PrintsWhatTheLoaderHolds) {
    TempWorkDir dir;
    for (uint32_t version : {1u, 2u, 3u, 4u, 9u, 0u}) {
        std::string what = "version " + std::to_string(version);
        unlink("in.cfg");
        if (version) {
            ASSERT_TRUE(WriteFileBytes("in.cfg", SampleFile(version))) << what;
        }
        ResetHardwareConfig();
        LoadHardwareConfigFrom("in.cfg");
        std::string known = version >= 1 && version <= 4 ? std::to_string(version) : "null";

        ToolRun json = RunTool({"--json", "in.cfg"});
        std::map<std::string, std::string> values;
        ASSERT_EQ(json.status, 0) << what << json.err;
        ASSERT_TRUE(ParseJson(json.out, &values)) << what << "\n" << json.out;
        EXPECT_EQ(values["version"], known);
        EXPECT_EQ(values["parameterBlock"], "list");
        values.erase("version");
        values.erase("parameterBlock");
        ExpectValuesMatchRecords(values, what + " json");
        EXPECT_TRUE(values.empty()) << what << ": unexpected key " << values.begin()->first;

        ToolRun text = RunTool({"in.cfg"});
        std::map<std::string, std::string> lines = ParseText(text.out);
        EXPECT_EQ(text.status, 0);
        EXPECT_EQ(lines["version"], version == 0 ? "none" : version == 9 ? "9" : known);
        ExpectValuesMatchRecords(lines, what + " text");
    }
}

TEST(HwconfigTool, CheckVerdicts) {
    TempWorkDir dir;
    const std::pair<std::string, int> cases[] = {
        {"", 1},  // no file
        {std::string("\x04\x00", 2), 1},
        {Le32(5) + std::string(440, '\0'), 1},
        {SampleFile(4).substr(0, 20), 1},
        {SampleFile(3).substr(0, 419), 1},
        {SampleFile(1), 0}, {SampleFile(2), 0}, {SampleFile(3), 0}, {SampleFile(4), 0},
        {SampleFile(4) + "tail", 0},
    };
    for (const auto& c : cases) {
        unlink("c.cfg");
        if (!c.first.empty()) {
            ASSERT_TRUE(WriteFileBytes("c.cfg", c.first));
        }
        ToolRun run = RunTool({"--check", "c.cfg"});
        EXPECT_EQ(run.status, c.second) << c.first.size() << " bytes: " << run.out << run.err;
        EXPECT_EQ((c.second ? run.err : run.out).rfind("c.cfg: ", 0), 0u) << run.out << run.err;
        EXPECT_NE((c.second ? run.err : run.out).find(c.second ? "setup program" : "complete version"),
                  std::string::npos);
    }
    EXPECT_NE(RunTool({"--check", "c.cfg"}).out.find("4 trailing bytes are ignored"), std::string::npos);
}

// --set writes what the program would write after the same changes.
TEST(HwconfigTool, SetWritesTheProgramsFile) {
    TempWorkDir dir;
    std::string wide = SampleFile(4).replace(4, 8, Le32(1280) + Le32(1024));
    std::string unknown = Le32(7) + SampleFile(4).substr(4);
    struct Case {
        std::string start;  // empty: no file
        std::vector<std::string> args;
        void (*change)();   // the same change made to the records; the height completed after it unless set
    };
    const Case cases[] = {
        {"", {"width=800"}, [] { hardwareConfig.width = 800; }},
        {SampleFile(2), {"sound=0", "textRed=0.25"}, [] { hardwareConfig.sound = 0; hardwareConfig.textRed = 0.25f; }},
        {wide, {"fullscreen=0"}, [] { hardwareConfig.fullscreen = 0; }},
        {wide, {"width=800", "height=1000"}, [] { hardwareConfig.width = 800; hardwareConfig.height = 1000; }},
        {SampleFile(1), {"depth=-2147483648", "flag4=+2147483647", "textBlue=1e-3", "textGreen=-0", "textRed=.5"}, [] {
             hardwareConfig.depth = INT32_MIN;
             hardwareConfig.flag4 = INT32_MAX;
             hardwareConfig.textBlue = 1e-3f;
             hardwareConfig.textGreen = -0.0f;
             hardwareConfig.textRed = 0.5f;
         }},
        {SampleFile(3), {"width=800", "width=1024"}, [] { hardwareConfig.width = 1024; }},
        {unknown, {"lowTextureDetail=1"}, [] { hardwareConfig.lowTextureDetail = 1; }},
    };
    for (const Case& c : cases) {
        unlink("-s.cfg");
        if (!c.start.empty()) {
            ASSERT_TRUE(WriteFileBytes("-s.cfg", c.start));
        }
        ResetHardwareConfig();
        LoadHardwareConfigFrom("-s.cfg");
        c.change();
        if (c.args.back().rfind("height=", 0) != 0) CompleteHeightFromWidth();
        std::vector<std::string> args{"--set"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.insert(args.end(), {"--", "-s.cfg"});
        ToolRun run = RunTool(args);
        EXPECT_EQ(run.status, 0) << c.args[0] << ": " << run.err;
        EXPECT_EQ(ReadFileBytes("-s.cfg"), Encoded()) << c.args[0];
    }
}

TEST(HwconfigTool, BadArgumentsLeaveTheFileUntouched) {
    TempWorkDir dir;
    const std::vector<std::string> cases[] = {
        {"--set", "colour=1"}, {"--set", "width="}, {"--set", "width=12x"}, {"--set", "width=2147483648"},
        {"--set", "width=-2147483649"}, {"--set", "width=0x10"}, {"--set", "width= 5"}, {"--set", "width=1.0"},
        {"--set", "textRed=nan"}, {"--set", "textRed=inf"}, {"--set", "textRed=1e39"}, {"--set", "textRed=0x1p3"},
        {"--set", "textRed=."}, {"--set", "textRed=1e"}, {"--set"}, {"width=800"}, {"--frob"},
        {"--json", "--check"}, {"--set", "width=800", "other.cfg"},
    };
    std::string original = SampleFile(4);
    ASSERT_TRUE(WriteFileBytes(CONFIG_FILE_NAME, original));
    for (std::vector<std::string> args : cases) {
        args.push_back(CONFIG_FILE_NAME);
        ToolRun run = RunTool(args);
        EXPECT_EQ(run.status, 2) << args[args.size() - 2];
        EXPECT_EQ(run.err.rfind("quillon-hwconfig: ", 0), 0u) << args[args.size() - 2];
        EXPECT_EQ(ReadFileBytes(CONFIG_FILE_NAME), original) << args[args.size() - 2];
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
    for (const char* field : FIELDS) EXPECT_NE(help.out.find(field), std::string::npos) << field;
    ToolRun version = RunTool({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("quillon-hwconfig ") + QUILLON_VERSION + "\n");
}
