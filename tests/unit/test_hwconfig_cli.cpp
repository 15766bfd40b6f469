// quillon-hwconfig run on real files: what it prints and reports for each
// state of a file, what --set and --reset write, what it refuses, and --help.
// GCC 12 warns inside <regex> of a std::function it thinks unset when the
// sanitizers are on; the warning is about the library, not this file.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include "support/support.h"

#include <regex>

namespace {

// The tool run on `args` (split at spaces).
ProgramRun Tool(const std::string& args) {
    std::istringstream words(args);
    return RunProgram("quillon-hwconfig", {std::istream_iterator<std::string>(words), {}});
}

// The first group of each match of `pattern` in `text`, joined by `separator`.
std::string Matches(const std::string& text, const char* pattern, const char* separator = " ") {
    std::string found;
    const std::regex re(pattern);
    for (std::sregex_iterator i(text.begin(), text.end(), re), end; i != end; ++i)
        found += (found.empty() ? "" : separator) + (*i)[1].str();
    return found;
}

// A complete file of `version` holding values that are hard to print or odd to
// the setup program: 1152 864 24 1 -7 0 2, then in version 4 0 0 1e-45 NaN
// -inf 3; parameter words all 0.1 in version 2, all 0 after; trailer 0xfffffffe.
std::string Sample(uint32_t version) {
    std::string s = Le(version) + Le(1152) + Le(864) + Le(24) + Le(1) + Le(-7) + Le(0) + Le(2);
    if (version == 4)
        s += Le(0) + Le(0) + Le(Bits(1e-45f)) + Le(0x7fc00000u) + Le(Bits(-INFINITY)) + Le(3);
    for (int i = 0; version >= 2 && i < CONFIG_PARAMETER_WORDS; i++)
        s += Le(Bits(version == 2 ? 0.1f : 0.0f));
    return version >= 3 ? s + Le(0xfffffffeu) : s;
}

// The first-run file with some fields' words replaced.
std::string Changed(std::initializer_list<std::pair<int, uint32_t>> words) {
    std::string file = FirstRunFile();
    for (const auto& [field, word] : words)
        file.replace(4 + 4 * field, 4, Le(word));
    return file;
}

TEST(HwconfigCli, PrintsChecksSetsResetsRefusesAndHelps) {
    TempWorkDir dir;
    ASSERT_TRUE(WriteFileBytes("c.cfg", Sample(4)));
    EXPECT_EQ(
        Tool("c.cfg").out,
        "c.cfg: complete, version 4, 444 bytes\nwidth: 1152\nheight: 864\ndepth: 24\n"
        "fullscreen: 1\nflag4: -7\nsound: 0\njoystickEnabled: 2\nmouseUnlocked: 0\n"
        "interfaceOn: 0\ntextRed: 1e-45\ntextGreen: nan\ntextBlue: -inf\nlowTextureDetail: 3\n"
        "parameterBlock: 96 words\n  words 0-23: 0\n  word 24: 0.9\n  word 25: 0.65\n"
        "  words 26-95: 0\nconfigTrailer: 4294967294\n");
    EXPECT_EQ(Matches(Tool("--all c.cfg").out, "\n  (word (?:0|23|24|25|95): \\S+)"),
              "word 0: 0 word 23: 0 word 24: 0.9 word 25: 0.65 word 95: 0");
    EXPECT_EQ(
        Tool("-j c.cfg").out,
        "{\n  \"status\": \"complete\",\n  \"version\": 4,\n  \"width\": 1152,\n  \"height\": "
        "864,\n  \"depth\": 24,\n  \"fullscreen\": 1,\n  \"flag4\": -7,\n  \"sound\": 0,\n  "
        "\"joystickEnabled\": 2,\n  \"mouseUnlocked\": 0,\n  \"interfaceOn\": 0,\n  "
        "\"textRed\": 1e-45,\n  \"textGreen\": \"NaN\",\n  \"textBlue\": \"-Infinity\",\n  "
        "\"lowTextureDetail\": 3,\n  \"parameterBlock\": [0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "
        "0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0.9, 0.65, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "
        "0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "
        "0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0],\n"
        "  \"configTrailer\": 4294967294\n}\n");
    ASSERT_TRUE(WriteFileBytes("c.cfg", Changed({{4, -7}, {10, 0x7fc00000u}, {12, 3}}) + "tail"));
    EXPECT_EQ(
        Tool("-c c.cfg").out,
        "c.cfg: complete, version 4, 444 bytes; the setup program sets parameter words 24 and "
        "25 to 0.9 and 0.65; 4 trailing bytes are ignored\n"
        "c.cfg: flag4 is -7, not 0 or 1: the setup program keeps it as it is\n"
        "c.cfg: textGreen is nan, not 0 to 1: the setup program keeps it and draws its "
        "slider's marker off the ramp\n"
        "c.cfg: lowTextureDetail is 3, not 0 or 1: the screen shows it as on and each press "
        "flips only its lowest bit\n");
    // Each file (named for what it is): printing's exit status and what it
    // could not do, --check's exit status and the fields it reports. Then how
    // --check states each kind of file.
    ASSERT_EQ(mkdir("folder", 0755), 0);
    const std::tuple<const char*, std::string, const char*> rows[] = {
        {"none", "", "print 1 open check 1:"},
        {"folder", "", "print 1 read check 1:"},
        {"two-bytes", std::string("\4\0", 2), "print 0 check 1:"},
        {"version-9", Le(9) + FirstRunFile().substr(4), "print 0 check 1:"},
        {"short", Sample(3).substr(0, 419), "print 0 check 1: width flag4 joystickEnabled"},
        {"version-2", Sample(2), "print 0 check 1: width flag4 joystickEnabled"},
        {"range-ends", Changed({{9, 0}, {10, Bits(1)}, {2, 1}, {1, 0}}), "print 0 check 0:"},
        {"out", Changed({{11, Bits(-1e-45f)}, {3, -1}}), "print 0 check 1: fullscreen textBlue"},
        {"odd", Changed({{0, 123}, {1, 0}, {9, Bits(2)}}), "print 0 check 1: width height textRed"},
    };
    for (const auto& [path, file, want] : rows) {
        ASSERT_TRUE(file.empty() || WriteFileBytes(path, file));
        const ProgramRun print = Tool(path);
        const ProgramRun check = Tool(std::string("--check ") + path);
        EXPECT_EQ("print " + std::to_string(print.status) +
                      Matches(print.err, "^quillon-hwconfig: cannot( \\w+) ") + " check " +
                      std::to_string(check.status) + ":" +
                      Matches(check.out, "\n\\S+:( \\w+) is ", ""),
                  want)
            << path;
    }
    std::string states;
    for (const char* path : {"none", "folder", "two-bytes", "version-9", "short", "version-2"})
        states += Matches(Tool(std::string("-c ") + path).out, "^([^\n]*\n)");
    EXPECT_EQ(states,
              "none: missing; the defaults stand; the setup program creates it at exit\n"
              "folder: unreadable (Is a directory); the defaults stand; the setup program tries to "
              "replace it at exit\n"
              "two-bytes: unrecognised, 2 bytes, too short for a version word; the defaults stand; "
              "the setup program writes a new version-4 file at exit, keeping the file's bytes in "
              "two-bytes.bak first\n"
              "version-9: unrecognised, version 9; the defaults stand; the setup program writes a "
              "new version-4 file at exit, keeping the file's bytes in version-9.bak first\n"
              "short: short, version 3, 419 of 420 bytes; the fields it does not hold keep their "
              "defaults; the setup program writes a complete version-4 file at exit\n"
              "version-2: complete, version 2, 416 bytes; the setup program writes it back as "
              "version 4 at exit\n");
    // --set writes what the program would after the changes (the height completed
    // from the width unless set), keeping what it loaded; --reset writes the
    // first-run file. Each row: the exit status (and a note on a file of no known
    // version), then the fields as the tool prints the file afterwards (the lines
    // that start with c or p are not fields).
    const std::string wide = Sample(4).replace(4, 8, Le(1280) + Le(1024));
    const std::tuple<std::string, const char*, const char*> writes[] = {
        {"", "--set width=800", "0: 800 600 16 0 1 1 1 1 1 1 1 1 0"},
        {wide, "fullscreen=0 --set", "0: 1280 960 24 0 -7 0 2 0 0 1e-45 nan -inf 3"},
        {Sample(2), "-s sound=0 textRed=0.25", "0: 1152 864 24 1 -7 0 2 1 1 0.25 1 1 0"},
        {Sample(1),
         "-s width=1024 width=800 height=2147483647 depth=010 flag4=+1 textGreen=-0 textBlue=1e-3",
         "0: 800 2147483647 10 1 1 0 2 1 1 1 -0 0.001 0"},
        {wide,
         "-s textRed=1. textGreen=.5E+0 height=007",
         "0: 1280 7 24 1 -7 0 2 0 0 1 0.5 -inf 3"},
        {Le(7) + Sample(4).substr(4), "-s sound=0", "0 note: 640 480 16 0 1 0 1 1 1 1 1 1 0"},
    };
    for (const auto& [start, args, want] : writes) {
        ASSERT_TRUE(start.empty() || WriteFileBytes("-s.cfg", start));
        const ProgramRun run = Tool(args + std::string(" -- -s.cfg"));
        EXPECT_EQ(std::to_string(run.status) + (run.err.empty() ? ":" : " note:") +
                      Matches(Tool("-- -s.cfg").out, "\n(?![cp])\\w+:( [^\n]*)", ""),
                  want)
            << args;
        ASSERT_EQ(unlink("-s.cfg"), 0);
    }
    ASSERT_EQ(Tool("-r").status, 0);
    EXPECT_TRUE(SameBytes(FirstRunFile(), ReadFileBytes(CONFIG_FILE_NAME)));
    EXPECT_EQ(Tool("--set width=800 folder").status, 1) << "a save that fails";
    // Refused values and arguments exit 2 with one message naming what was
    // wrong and what is allowed, and leave the file as it was. --help lists
    // every field with its valid values.
    ASSERT_TRUE(WriteFileBytes(CONFIG_FILE_NAME, Sample(4)));
    std::istringstream refused(  // each is said back with its field
        "width=0|width=|width=+|width=0x10|width= 5|width=5 |width=1.0|width=12x|width=1e3|"
        "width=2147483648|height=-1|depth=-2147483648|fullscreen=2|flag4=-1|sound=2|"
        "joystickEnabled=3|mouseUnlocked=-2147483648|interfaceOn=10|lowTextureDetail=1.0|"
        "textRed=-5|textRed=nan|textRed=inf|textRed=1e39|textRed=.|textRed=-.|textRed=.e1|"
        "textRed=0x1p3|textRed=0.5x|textRed= 0.5|textRed=0,5|textGreen=1e|textGreen=1e+|"
        "textGreen=1.0000001|textBlue=-1e-45");
    for (std::string arg; std::getline(refused, arg, '|');) {
        const std::string said = "refused " + arg + ": " + arg.substr(0, arg.find('=')) + " takes ";
        const std::string err = RunProgram("quillon-hwconfig", {"-s", arg}).err;
        EXPECT_EQ(err.substr(0, 18 + said.size()), "quillon-hwconfig: " + said);
    }
    const std::pair<const char*, const char*> arguments[] = {
        // arguments, their message's start
        {"-s width=0", "refused width=0: width takes a whole number of 1 or more\n"},
        {"-s sound=1 sound=2", "refused sound=2: sound takes 0 or 1\n"},
        {"-s textRed=2", "refused textRed=2: textRed takes a number from 0 to 1\n"},
        {"-s colour=1", "unknown field in 'colour=1'; the fields are: width height depth"},
        {"--set", "--set needs at least one FIELD=VALUE\n"},
        {"--json=1", "unknown option or unexpected value: --json=1\n"},
        {"--all --check", "--all goes with printing, not with --check\n"},
        {"-s width=800 a.cfg b.cfg", "only one FILE may be given; also got b.cfg\n"},
    };
    for (const auto& [args, said] : arguments) {
        const ProgramRun run = Tool(args);
        EXPECT_EQ(std::to_string(run.status) + " " + run.err.substr(0, 18 + std::strlen(said)),
                  std::string("2 quillon-hwconfig: ") + said);
    }
    EXPECT_TRUE(SameBytes(Sample(4), ReadFileBytes(CONFIG_FILE_NAME)));
    EXPECT_EQ(Matches(Tool("--help").out, "\n  (\\w+) +(?:0 or 1|1 or more|0 to 1) "),
              "width height depth fullscreen flag4 sound joystickEnabled mouseUnlocked interfaceOn "
              "textRed textGreen textBlue lowTextureDetail");
}

}  // namespace
