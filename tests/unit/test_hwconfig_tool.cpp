// The built quillon-hwconfig program, run as a separate process on real files:
// what it prints against what the loader holds, the file's state and --check
// findings, the files --set and --reset write against the library's own
// encoding, and the arguments and values it refuses.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
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

// A complete file of `version` with values that are hard to print right;
// version 2's parameter words are all equal, the others all differ.
std::string SampleFile(uint32_t version) {
    const uint32_t words[13] = {1152, 864, 24, 1, uint32_t(-7), 0, 2, 0, 0, Bits(0.1f),
                                version == 4 ? 0x7fc00000u : Bits(1e-45f),
                                version == 4 ? Bits(-INFINITY) : Bits(-0.0f), 3};
    std::string s = Le32(version);
    for (int i = 0; i < (version == 4 ? 13 : 7); ++i) s += Le32(words[i]);
    for (int i = 0; version >= 2 && i < CONFIG_PARAMETER_WORDS; ++i) s += Le32(Bits(version == 2 ? 0.1f : i / 3.0f - 5));
    return version >= 3 ? s + Le32(0xfffffffeu) : s;
}

const char* const FIELDS[13] = {"width", "height", "depth", "fullscreen", "flag4", "sound",
                                "joystickEnabled", "mouseUnlocked", "interfaceOn", "textRed",
                                "textGreen", "textBlue", "lowTextureDetail"};

// The shortest decimal that reads back to the same float (the standard's
// to_chars), NaN and the infinities by name.
std::string Shortest(float f, bool json) {
    if (std::isnan(f)) return json ? "\"NaN\"" : "nan";
    if (std::isinf(f)) return std::string(json ? "\"" : "") + (f < 0 ? "-" : "") + (json ? "Infinity\"" : "inf");
    char text[64];
    *std::to_chars(text, text + sizeof text - 1, f).ptr = '\0';
    return text;
}

// Every value printed under its name, against the records as the loader left
// them; the names checked are removed from `got`.
void ExpectValuesMatchRecords(std::map<std::string, std::string>& got, bool json, const std::string& what) {
    for (int i = 0; i < 13; ++i) {
        uint32_t bits;
        std::memcpy(&bits, reinterpret_cast<const char*>(&hardwareConfig) + 4 * i, 4);
        float f;
        std::memcpy(&f, &bits, 4);
        EXPECT_EQ(got[FIELDS[i]], i >= 9 && i <= 11 ? Shortest(f, json) : std::to_string(int32_t(bits))) << what << " " << FIELDS[i];
        got.erase(FIELDS[i]);
    }
    for (int i = 0; i < CONFIG_PARAMETER_WORDS; ++i) {
        std::string key = "parameterBlock[" + std::to_string(i) + "]";
        EXPECT_EQ(got[key], Shortest(configParameterBlock.words[i], json)) << what << " " << key;
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

// "name: value" lines; parameter runs ("  words A-B: V", "  word A: V",
// "parameterBlock: 96 words, all V") spread to parameterBlock[i]; `runLines`
// counts the run lines.
std::map<std::string, std::string> ParseText(const std::string& text, int* runLines) {
    std::map<std::string, std::string> out;
    std::istringstream in(text);
    *runLines = 0;
    for (std::string line; std::getline(in, line);) {
        int a = 0, b = -1;
        char v[64];
        if (std::sscanf(line.c_str(), "  words %d-%d: %63s", &a, &b, v) == 3 ||
            (std::sscanf(line.c_str(), "  word %d: %63s", &a, v) == 2 && (b = a) >= 0) ||
            (std::sscanf(line.c_str(), "parameterBlock: 96 words, all %63s", v) == 1 && (b = 95) >= 0)) {
            ++*runLines;
            for (int i = a; i <= b; ++i) out["parameterBlock[" + std::to_string(i) + "]"] = v;
        } else if (size_t colon = line.find(": "); colon != std::string::npos) {
            out[line.substr(0, colon)] = line.substr(colon + 2);
        }
    }
    return out;
}

int CountParameterRuns() {
    int runs = 1;
    for (int i = 1; i < CONFIG_PARAMETER_WORDS; ++i)
        runs += Bits(configParameterBlock.words[i]) != Bits(configParameterBlock.words[i - 1]);
    return runs;
}

std::string Encoded() {
    uint8_t out[CONFIG_V4_BYTES];
    EncodeHardwareConfig(out);
    return std::string(reinterpret_cast<char*>(out), sizeof out);
}

// What the setup program writes when it starts without a file and leaves at once.
std::string FirstRunFile() {
    ResetHardwareConfig();
    LoadHardwareConfigFrom("no-such-file.cfg");
    CompleteHeightFromWidth();
    return Encoded();
}

// `file` with HardwareConfig word `field` replaced.
std::string WithWord(std::string file, int field, uint32_t word) { return file.replace(4 + 4 * field, 4, Le32(word)); }

}  // namespace

// Text (compact and --all) and JSON show what the loader holds, for every
// version, an unknown version (9) and no file (0).
TEST(HwconfigTool, PrintsWhatTheLoaderHolds) {
    TempWorkDir dir;
    for (uint32_t version : {1u, 2u, 3u, 4u, 9u, 0u}) {
        std::string what = "version " + std::to_string(version);
        SCOPED_TRACE(what);
        unlink("in.cfg");
        if (version) {
            ASSERT_TRUE(WriteFileBytes("in.cfg", SampleFile(version)));
        }
        ResetHardwareConfig();
        LoadHardwareConfigFrom("in.cfg");
        int exitStatus = version ? 0 : 1;  // a missing file is shown as defaults, and fails

        ToolRun json = RunTool({"--json", "in.cfg"});
        std::map<std::string, std::string> values;
        EXPECT_EQ(json.status, exitStatus) << json.err;
        ASSERT_TRUE(ParseJson(json.out, &values)) << json.out;
        EXPECT_EQ(values["version"], version ? std::to_string(version) : "null");
        EXPECT_EQ(values["parameterBlock"], "list");
        for (const char* key : {"version", "parameterBlock", "status"}) values.erase(key);
        ExpectValuesMatchRecords(values, true, "json");
        EXPECT_TRUE(values.empty()) << "unexpected key " << values.begin()->first;

        int allRuns = 0, compactRuns = 0;
        ToolRun all = RunTool({"in.cfg", "--all"});
        std::map<std::string, std::string> lines = ParseText(all.out, &allRuns);
        EXPECT_EQ(all.status, exitStatus);
        EXPECT_EQ(allRuns, CONFIG_PARAMETER_WORDS);
        ExpectValuesMatchRecords(lines, false, "--all");
        ToolRun compact = RunTool({"in.cfg"});
        std::map<std::string, std::string> compactLines = ParseText(compact.out, &compactRuns);
        EXPECT_EQ(compactRuns, CountParameterRuns()) << compact.out;
        ExpectValuesMatchRecords(compactLines, false, "compact");
    }
}

// The state of a file as --json, the text's first line and --check give it,
// and the values --check reports.
TEST(HwconfigTool, StatesAndCheckFindings) {
    TempWorkDir dir;
    const std::string fresh = FirstRunFile();
    struct Case {
        const char* name;
        std::string file;      // "" no file, "/" a directory, "@" a link to itself
        const char* status;
        int checkStatus;
        const char* findings;  // fields --check reports, in file order
    };
    const Case cases[] = {
        {"no file", "", "missing", 1, ""},
        {"a directory", "/", "unreadable", 1, ""},
        {"a link to itself", "@", "unreadable", 1, ""},
        {"two bytes", std::string("\x04\x00", 2), "unrecognised", 1, ""},
        {"version 5", Le32(5) + fresh.substr(4), "unrecognised", 1, ""},
        {"version 4 cut after 20 bytes", fresh.substr(0, 20), "short", 1, ""},
        {"version 3 one byte short", SampleFile(3).substr(0, 419), "short", 1, "width flag4 joystickEnabled"},
        {"first-run file", fresh, "complete", 0, ""},
        {"version 1", SampleFile(1), "complete", 1, "width flag4 joystickEnabled"},
        {"version 4, odd values", SampleFile(4), "complete", 1, "width flag4 joystickEnabled textGreen textBlue lowTextureDetail"},
        {"fullscreen 2", WithWord(fresh, 3, 2), "complete", 1, "fullscreen"},
        {"sound -1", WithWord(fresh, 5, uint32_t(-1)), "complete", 1, "sound"},
        {"textRed 1.5", WithWord(fresh, 9, Bits(1.5f)), "complete", 1, "textRed"},
        {"textBlue just below 0", WithWord(fresh, 11, Bits(-1e-45f)), "complete", 1, "textBlue"},
        {"depth 0", WithWord(fresh, 2, 0), "complete", 1, "depth"},
        {"height 0 under a chosen width is completed", WithWord(fresh, 1, 0), "complete", 0, ""},
        {"height 0 under width 123 is kept", WithWord(WithWord(fresh, 0, 123), 1, 0), "complete", 1, "width height"},
        {"width 1280 height 1024", WithWord(WithWord(fresh, 0, 1280), 1, 1024), "complete", 0, ""},
        {"trailing bytes (the last row: checked again below)", fresh + "tail", "complete", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rmdir("c.cfg"), unlink("c.cfg");
        if (c.file == "/") {
            ASSERT_EQ(mkdir("c.cfg", 0755), 0);
        } else if (c.file == "@") {
            ASSERT_EQ(symlink("c.cfg", "c.cfg"), 0);
        } else if (!c.file.empty()) {
            ASSERT_TRUE(WriteFileBytes("c.cfg", c.file));
        }
        bool unreadable = c.file.empty() || c.file == "/" || c.file == "@";
        std::map<std::string, std::string> json;
        ToolRun jsonRun = RunTool({"-j", "c.cfg"});
        ASSERT_TRUE(ParseJson(jsonRun.out, &json));
        EXPECT_EQ(json["status"], std::string("\"") + c.status + "\"");
        ToolRun text = RunTool({"c.cfg"});
        EXPECT_EQ(text.out.rfind(std::string("c.cfg: ") + c.status, 0), 0u) << text.out;
        EXPECT_EQ(text.status, unreadable ? 1 : 0);
        EXPECT_EQ(text.err.rfind(unreadable ? "quillon-hwconfig: cannot " : "", 0), 0u) << text.err;
        EXPECT_EQ(unreadable, !text.err.empty());

        ToolRun check = RunTool({"-c", "c.cfg"});
        EXPECT_EQ(check.status, c.checkStatus) << check.out;
        EXPECT_EQ(check.out.rfind(std::string("c.cfg: ") + c.status, 0), 0u) << check.out;
        std::string found;
        for (const char* field : FIELDS)
            if (check.out.find(std::string("\nc.cfg: ") + field + " is ") != std::string::npos)
                found += (found.empty() ? "" : " ") + std::string(field);
        EXPECT_EQ(found, c.findings) << check.out;
        // The setup program keeps an unrecognised file's bytes before replacing it.
        EXPECT_EQ(check.out.find("c.cfg.bak") != std::string::npos, std::strcmp(c.status, "unrecognised") == 0);
    }
    EXPECT_NE(RunTool({"--check", "c.cfg"}).out.find("4 trailing bytes are ignored"), std::string::npos);
}

// --set and --reset write what the program would write after the same changes.
TEST(HwconfigTool, SetAndResetWriteTheProgramsFile) {
    TempWorkDir dir;
    std::string wide = SampleFile(4).replace(4, 8, Le32(1280) + Le32(1024));
    std::string unknown = Le32(7) + SampleFile(4).substr(4);
    struct Case {
        std::string start;  // empty: no file
        std::vector<std::string> args;
        void (*change)();   // the same change made to the records; the height completed after it unless set
    };
    const Case cases[] = {
        {"", {"--set", "width=800"}, [] { hardwareConfig.width = 800; }},
        {SampleFile(2), {"-s", "sound=0", "textRed=0.25"}, [] { hardwareConfig.sound = 0; hardwareConfig.textRed = 0.25f; }},
        {wide, {"fullscreen=0", "--set"}, [] { hardwareConfig.fullscreen = 0; }},
        {wide, {"--set", "width=800", "height=1000"}, [] { hardwareConfig.width = 800; hardwareConfig.height = 1000; }},
        {SampleFile(1), {"--set", "depth=2147483647", "flag4=+1", "textBlue=1e-3", "textGreen=-0", "textRed=.5"}, [] {
             hardwareConfig.depth = INT32_MAX, hardwareConfig.flag4 = 1, hardwareConfig.textBlue = 1e-3f;
             hardwareConfig.textGreen = -0.0f, hardwareConfig.textRed = 0.5f; }},
        {SampleFile(3), {"--set", "width=800", "width=1024", "textRed=1", "textBlue=0"}, [] {
             hardwareConfig.width = 1024, hardwareConfig.textRed = 1.0f, hardwareConfig.textBlue = 0.0f; }},
        {unknown, {"--set", "lowTextureDetail=1"}, [] { hardwareConfig.lowTextureDetail = 1; }},
        {"", {"--reset"}, [] { FirstRunFile(); }},
        {SampleFile(4), {"-r"}, [] { FirstRunFile(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args.back());
        unlink("-s.cfg");
        if (!c.start.empty()) {
            ASSERT_TRUE(WriteFileBytes("-s.cfg", c.start));
        }
        ResetHardwareConfig();
        LoadHardwareConfigFrom("-s.cfg");
        c.change();
        if (c.args.back().rfind("height=", 0) != 0) CompleteHeightFromWidth();
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--", "-s.cfg"});
        ToolRun run = RunTool(args);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(ReadFileBytes("-s.cfg"), Encoded());
    }
    ASSERT_EQ(RunTool({"--reset"}).status, 0);  // FILE defaults to hwconfig.cfg
    EXPECT_EQ(ReadFileBytes(CONFIG_FILE_NAME), FirstRunFile());
}

// Refused arguments and values: exit 2, a message naming what was wrong and
// what is allowed, and the file untouched.
TEST(HwconfigTool, RefusesBadArgumentsAndValues) {
    TempWorkDir dir;
    struct Case {
        std::vector<std::string> args;
        const char* mention;
    };
    const Case cases[] = {
        {{"--set", "fullscreen=2"}, "fullscreen=2: fullscreen takes 0 or 1"}, {{"--set", "flag4=-1"}, "flag4=-1: flag4 takes 0 or 1"},
        {{"--set", "sound=2"}, "sound takes 0 or 1"}, {{"--set", "joystickEnabled=3"}, "joystickEnabled takes 0 or 1"},
        {{"--set", "mouseUnlocked=-2147483648"}, "mouseUnlocked takes 0 or 1"}, {{"--set", "interfaceOn=10"}, "interfaceOn takes 0 or 1"},
        {{"--set", "lowTextureDetail=2"}, "lowTextureDetail takes 0 or 1"}, {{"--set", "width=800", "sound=2"}, "sound=2"},
        {{"--set", "textRed=-5"}, "textRed=-5: textRed takes a number from 0 to 1"},
        {{"--set", "textGreen=1.0000001"}, "textGreen takes a number from 0 to 1"}, {{"--set", "textBlue=-1e-45"}, "textBlue takes"},
        {{"--set", "width=0"}, "width=0: width takes a whole number of 1 or more"},
        {{"--set", "height=-1"}, "height takes a whole number of 1 or more"}, {{"--set", "depth=-1"}, "depth takes a whole"},
        {{"--set", "colour=1"}, "unknown field"}, {{"--set", "width="}, "width="}, {{"--set", "width=12x"}, "width=12x"},
        {{"--set", "width=2147483648"}, "width="}, {{"--set", "width=0x10"}, "width="}, {{"--set", "width= 5"}, "width="},
        {{"--set", "width=1.0"}, "width="}, {{"--set", "textRed=nan"}, "textRed="}, {{"--set", "textRed=inf"}, "textRed="},
        {{"--set", "textRed=1e39"}, "textRed="}, {{"--set", "textRed=0x1p3"}, "textRed="}, {{"--set", "textRed=."}, "textRed="},
        {{"--set", "textRed=1e"}, "textRed="}, {{"--set"}, "--set needs"}, {{"width=800"}, "need --set"},
        {{"--frob"}, "--frob"}, {{"-x"}, "-x"}, {{"--json=1"}, "--json=1"}, {{"--json", "--check"}, "--check"},
        {{"-jc"}, "--check"}, {{"--reset", "width=800"}, "need --set"}, {{"--all", "--check"}, "--all"},
        {{"--set", "width=800", "other.cfg"}, "only one FILE"},
    };
    std::string original = SampleFile(4);
    ASSERT_TRUE(WriteFileBytes(CONFIG_FILE_NAME, original));
    for (Case c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args.back());
        c.args.push_back(CONFIG_FILE_NAME);
        ToolRun run = RunTool(c.args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err.rfind("quillon-hwconfig: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(c.mention), std::string::npos) << run.err;
        EXPECT_EQ(ReadFileBytes(CONFIG_FILE_NAME), original);
    }
    ASSERT_EQ(mkdir("dir.cfg", 0755), 0);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--reset", "dir.cfg"}, {"--set", "width=800", "dir.cfg"}}) {
        ToolRun failed = RunTool(args);  // the saver cannot replace a directory
        EXPECT_EQ(failed.status, 1) << args[0] << failed.err;
        EXPECT_FALSE(failed.err.empty()) << args[0];
    }
}

TEST(HwconfigTool, HelpAndVersion) {
    ToolRun help = RunTool({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: quillon-hwconfig", 0), 0u);
    EXPECT_EQ(RunTool({"-h"}).out, help.out);
    for (const char* field : FIELDS) EXPECT_NE(help.out.find(std::string("\n  ") + field + " "), std::string::npos) << field;
    for (const char* mode : {"--all", "--json", "--check", "--set", "--reset"})  // one example per mode
        EXPECT_NE(help.out.find(std::string("\n  quillon-hwconfig ") + mode), std::string::npos) << mode;
    ToolRun version = RunTool({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("quillon-hwconfig ") + QUILLON_VERSION + "\n");
    EXPECT_EQ(RunTool({"-V"}).out, version.out);
}
