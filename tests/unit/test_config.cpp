// The configuration file: every version at every length through the loader;
// saves that keep modes, links, owners, devices and an unreadable file's
// bytes, that fail without harm and that survive being killed; and the
// quillon-hwconfig tool run on real files.
#include "support/support.h"

namespace {

// A file of `version` whose body is pseudo-random bytes.
std::string Noisy(uint32_t version, size_t size, uint32_t seed) {
    std::string s = Le(version);
    while (s.size() < size)
        s += char((seed = seed * 1664525u + 1013904223u) >> 24);
    return s.substr(0, size);
}

// Every version cut at every length: each read takes what the file still
// holds over its place in the records, nothing past its layout; versions 1..3
// hold words 0..6 in place and the block and trailer 24 bytes early; version 4
// sets parameter words 24 and 25. What a save writes after no file is spelt
// out from the tables of defaults.
TEST(ConfigFile, EveryVersionAtEveryLength) {
    TempWorkDir dir;
    const float group[30] = {0,    0,    0,    0,    0,    0,   .35f, .35f, .35f,
                             .65f, .65f, .65f, .5f,  .5f,  .5f, .25f, .25f, .25f,
                             .65f, .65f, .65f, .65f, .65f, 0,   .99f, .99f};
    std::string defaults = Le(4);
    for (uint32_t v : {640u, 480u, 16u, 0u, 1u, 1u, 1u, 1u, 1u, Bits(1), Bits(1), Bits(1), 0u})
        defaults += Le(v);
    for (int i = 0; i < 96 + 1; i++)
        defaults += Le(i < 60 ? Bits(group[i % 30]) : 0);  // 36 words and the trailer 0
    const size_t layout[] = {0, 32, 416, 420, 444};
    for (uint32_t version = 1; version <= 4; version++) {
        const std::string full = Noisy(version, CONFIG_V4_BYTES + 16, version * 77);
        for (size_t n = 0; n <= full.size(); n++) {
            std::string want = defaults;
            for (size_t i = 4; i < n && i < layout[version]; i++)
                want[version == 4 || i < 32 ? i : i + 24] = full[i];
            if (version == 4 && n >= 4)
                want.replace(56 + 96, 8, Le(Bits(0.9f)) + Le(Bits(0.65f)));
            ResetHardwareConfig(), WriteFileBytes(CONFIG_FILE_NAME, full.substr(0, n)),
                LoadHardwareConfig();
            ASSERT_EQ(EncodedConfig(), want) << "version " << version << " cut at " << n;
            ASSERT_EQ(configLoadReport.bytesRead, std::min(n, n < 4 ? n : layout[version]));
        }
    }
    for (uint32_t version :
         {0u, 5u, 0xffffffffu, 0x04000000u}) {  // the last is 4 in the wrong byte order
        ResetHardwareConfig(),
            WriteFileBytes(CONFIG_FILE_NAME, Noisy(version, CONFIG_V4_BYTES, version)),
            LoadHardwareConfig();
        EXPECT_TRUE(EncodedConfig() == defaults && configLoadReport.version == version) << version;
    }
    ResetHardwareConfig(), hardwareConfig.lowTextureDetail = 1, hardwareConfig.mouseUnlocked = 0,
                           configParameterBlock.words[3] = 7, configTrailer = 99;
    WriteFileBytes(CONFIG_FILE_NAME, Noisy(1, CONFIG_V1_BYTES, 5)),
        LoadHardwareConfig();  // what the loader does not assign stays
    EXPECT_TRUE(hardwareConfig.lowTextureDetail == 1 && hardwareConfig.mouseUnlocked == 1 &&
                configParameterBlock.words[3] == 7 && configTrailer == 99);
    for (auto [width, height, want] : {std::array{640, 1, 480},
                                       {800, 1, 600},
                                       {1024, 1, 768},
                                       {1280, 1024, 960},
                                       {1152, 864, 864},
                                       {641, 5, 5}}) {
        hardwareConfig.width = width, hardwareConfig.height = height, CompleteHeightFromWidth();
        EXPECT_EQ(hardwareConfig.height, want) << width;
    }
}

// Who saves (root, or the player nobody:nogroup as a launcher would drop to),
// whose folder and file it is, and what the name leads to; the saver runs in
// quillon-hwconfig --reset. A save keeps the file's kind, mode, owner, group
// and links and every name shows the new settings; a refused or failed one
// leaves the old bytes and one line on stderr naming the program, the file
// and the reason, and no temporary file.
TEST(ConfigSave, KeepsModesOwnersLinksAndDevicesOrFailsWithoutHarm) {
    if (geteuid() != 0 || !getpwnam("nobody") || !getgrnam("nogroup"))
        GTEST_SKIP() << "needs root, nobody and nogroup";
    const uid_t nobody = getpwnam("nobody")->pw_uid, nogroup = getgrnam("nogroup")->gr_gid;
    enum Node { NONE, PLAIN, HARD_LINK, FOLDER, DANGLING, DEVICE, FIFO };
    constexpr int64_t PLAYER = -1, STRANGER = 4321;
    const struct {
        const char* name;
        bool byPlayer, playersFolder;
        int64_t uid, gid;
        mode_t mode;
        Node node;
        int error = 0;
        bool limitSize = false;
    } rows[] = {
        {"a new file takes the umask", false, false, 0, 0, 0640, NONE},
        {"a dangling link: the link stays, its target is made", false, false, 0, 0, 0640, DANGLING},
        {"the mode is kept", false, false, 0, 0, 0604, PLAIN},
        {"shared install: root's 0666 file in root's folder", true, false, 0, 0, 0666, PLAIN},
        {"a stranger's 0666 file in the player's folder",
         true,
         true,
         STRANGER,
         STRANGER,
         0666,
         PLAIN},
        {"the player's file in a group he is not in", true, true, PLAYER, STRANGER, 0664, PLAIN},
        {"the player's read-only file is left alone",
         true,
         true,
         PLAYER,
         PLAYER,
         0444,
         PLAIN,
         EACCES},
        {"a file he may not write, in root's folder", true, false, 0, 0, 0644, PLAIN, EACCES},
        {"the player's file saved by root", false, true, PLAYER, PLAYER, 0640, PLAIN},
        {"a file with a second hard link", false, false, 0, 0, 0644, HARD_LINK},
        {"a link to a character device", false, false, 0, 0, 0666, DEVICE},
        {"a link to a FIFO nobody reads: refused, not waited on",
         false,
         false,
         0,
         0,
         0644,
         FIFO,
         ENXIO},
        {"a folder of that name", false, false, 0, 0, 0755, FOLDER, EISDIR},
        {"the file size limit hit part-way", false, false, 0, 0, 0644, PLAIN, EFBIG, true}};
    TempWorkDir dir;
    umask(027);  // the tool runs with it
    const std::string old = Noisy(3, CONFIG_V3_BYTES, 1), want = FirstRunFile();
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string folder = "d" + std::to_string(&r - rows),
                          cfg = folder + "/" + CONFIG_FILE_NAME;
        const std::string node = r.node >= DANGLING ? folder + "/node" : cfg,
                          second = folder + "/second";
        const uid_t uid = r.uid == PLAYER ? nobody : uid_t(r.uid),
                    gid = r.gid == PLAYER ? nogroup : uid_t(r.gid);
        const bool file = r.node < FOLDER || r.node == DANGLING,
                   made = r.node == NONE ||
                          r.node == DANGLING;  // reading a FIFO would wait for a writer
        ASSERT_TRUE(
            !mkdir(folder.c_str(), 0755) && !chmod(folder.c_str(), 0755) &&
            !chown(folder.c_str(), r.playersFolder ? nobody : 0, r.playersFolder ? nogroup : 0));
        ASSERT_TRUE(made || (r.node == DEVICE ? !mknod(node.c_str(), S_IFCHR | 0600, makedev(1, 3))
                             : r.node == FIFO ? !mkfifo(node.c_str(), 0600)
                             : r.node == FOLDER ? !mkdir(node.c_str(), 0755)
                                                : WriteFileBytes(node, old)));
        ASSERT_TRUE((r.node < DANGLING || !symlink("node", cfg.c_str())) &&
                    (r.node != HARD_LINK || !link(cfg.c_str(), second.c_str())) &&
                    (made || (!chown(node.c_str(), uid, gid) && !chmod(node.c_str(), r.mode))));
        struct stat before {
        }, after{}, link{};
        stat(cfg.c_str(), &before);
        const ProgramRun run = RunProgram(
            "quillon-hwconfig",
            {"--reset", cfg},
            std::string(r.byPlayer ? "setpriv --reuid=nobody --regid=nogroup --clear-groups "
                                   : "") +
                (r.limitSize ? "bash -c 'trap \"\" XFSZ; exec prlimit --fsize=100 \"$@\"' _ "
                             : ""));
        EXPECT_TRUE(run.status == (r.error ? 1 : 0) &&
                    (!r.error || (std::count(run.err.begin(), run.err.end(), '\n') == 1 &&
                                  run.err.rfind("quillon-hwconfig: ", 0) == 0 &&
                                  run.err.find(cfg) != std::string::npos &&
                                  run.err.find(std::strerror(r.error)) != std::string::npos)))
            << run.err;
        DIR* d = opendir(folder.c_str());  // no temporary file left behind
        for (dirent* e; d && (e = readdir(d));)
            EXPECT_NE(std::strncmp(e->d_name, "hwconfig.cfg.", 13), 0) << e->d_name;
        closedir(d);
        ASSERT_EQ(stat(cfg.c_str(), &after), 0);
        EXPECT_TRUE(after.st_mode == (made ? (S_IFREG | r.mode) : before.st_mode) &&
                    after.st_uid == uid && after.st_gid == gid && after.st_rdev == before.st_rdev &&
                    (made || after.st_nlink == before.st_nlink))
            << after.st_uid << ":" << after.st_gid;
        EXPECT_TRUE(!file ||
                    ReadFileBytes(r.node == HARD_LINK ? second : cfg) == (r.error ? old : want));
        EXPECT_TRUE(r.node < DANGLING || (lstat(cfg.c_str(), &link) == 0 && S_ISLNK(link.st_mode)));
    }
    umask(022);
}

// A file the loader cannot read is kept in hwconfig.cfg.bak before the save
// (quillon-hwconfig --reset's) replaces it, with one line on stderr; a backup is rewritten only when it
// holds other bytes ("earlier": a backup already there).
TEST(ConfigSave, UnrecognisedFileIsKeptInOneBackup) {
    const std::string v5 = Noisy(5, 500, 9),
                      bak = std::string(CONFIG_FILE_NAME) + CONFIG_BACKUP_SUFFIX;
    const struct {
        const char* name;
        std::string file, earlier;
        bool kept;
    } rows[] = {{"version 5", v5, "", true},
                {"three bytes", std::string("\4\0\0", 3), "", true},
                {"empty: nothing to keep", "", "", false},
                {"version 2 cut short", Noisy(2, 100, 1), "", false},
                {"version 4", Noisy(4, CONFIG_V4_BYTES, 2), "", false},
                {"the backup already holds these bytes", v5, v5, true},
                {"the backup holds other bytes", v5, "an older file", true}};
    for (const auto& r : rows) {
        TempWorkDir dir;
        const timespec past[2] = {{1000, 0}, {1000, 0}};
        ASSERT_TRUE(WriteFileBytes(CONFIG_FILE_NAME, r.file) &&
                    (r.earlier.empty() || (WriteFileBytes(bak, r.earlier) &&
                                           !utimensat(AT_FDCWD, bak.c_str(), past, 0))));
        struct stat st {};
        const std::string err = RunProgram("quillon-hwconfig", {"--reset"}).err;
        EXPECT_TRUE(ReadFileBytes(CONFIG_FILE_NAME) == FirstRunFile() &&
                    ReadFileBytes(bak) == (r.kept ? r.file : ""))
            << r.name;
        EXPECT_TRUE(std::count(err.begin(), err.end(), '\n') == r.kept &&
                    (!r.kept || err.find(bak) != std::string::npos))
            << r.name << ": " << err;
        EXPECT_TRUE(stat(bak.c_str(), &st) == (r.kept ? 0 : -1) &&
                    (r.earlier.empty() || r.earlier != r.file || st.st_mtime == 1000))
            << r.name;
    }
}

// A child saving two different records in turn is killed at random moments,
// hundreds of times: the file is always one of the three whole files, and a
// killed save leaves at most its own temporary file. QUILLON_FAULT_SEED
// replays a printed seed.
TEST(ConfigSave, SaveKilledAtAnyMomentLeavesAWholeFile) {
    TempWorkDir dir;
    std::string files[3];
    for (int i = 0; i < 3; i++)
        ResetHardwareConfig(), hardwareConfig.width = 640 + 160 * i, files[i] = EncodedConfig();
    WriteFileBytes(CONFIG_FILE_NAME, files[0]);
    const char* replay = std::getenv("QUILLON_FAULT_SEED");
    const unsigned seed =
        replay ? unsigned(std::strtoul(replay, nullptr, 10)) : unsigned(std::time(nullptr));
    std::printf("[  SEED    ] %u\n", seed);
    std::mt19937 random(seed);
    int seen[3] = {0, 0, 0};
    std::vector<FileListEntry> list(FILE_LIST_MAX + 1);
    for (int round = 0; round < 300; round++) {
        pid_t pid = fork();
        for (int32_t i = 0; pid == 0; i++)
            ResetHardwareConfig(), hardwareConfig.width = i % 2 ? 960 : 800, SaveHardwareConfig();
        usleep(useconds_t(random() % 3000)), kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
        const int which = int(std::find(files, files + 3, ReadFileBytes(CONFIG_FILE_NAME)) - files);
        ASSERT_LT(which, 3) << "round " << round << ", seed " << seed;
        seen[which]++, ListFiles("*.*", list.data(), 0);
        for (int i = 0; list[i].name[0]; i++)
            ASSERT_TRUE(std::string(list[i].name) == CONFIG_FILE_NAME ||
                        (!std::strncmp(list[i].name, "hwconfig.cfg.", 13) && !unlink(list[i].name)))
                << list[i].name;
    }
    std::printf(
        "[  ROUNDS  ] old %d, first record %d, second record %d\n", seen[0], seen[1], seen[2]);
    EXPECT_GT(seen[1] + seen[2], 0) << "no save ever completed: the test proves nothing";
}

// ---- quillon-hwconfig ------------------------------------------------------

ProgramRun Tool(std::vector<std::string> args) {
    return RunProgram("quillon-hwconfig", std::move(args));
}

const char* const FIELDS[13] = {"width",
                                "height",
                                "depth",
                                "fullscreen",
                                "flag4",
                                "sound",
                                "joystickEnabled",
                                "mouseUnlocked",
                                "interfaceOn",
                                "textRed",
                                "textGreen",
                                "textBlue",
                                "lowTextureDetail"};

// A complete file of `version` with values that are hard to print right;
// version 2's parameter words are all equal, the others all differ.
std::string Sample(uint32_t version) {
    const uint32_t words[13] = {1152,
                                864,
                                24,
                                1,
                                uint32_t(-7),
                                0,
                                2,
                                0,
                                0,
                                Bits(0.1f),
                                version == 4 ? 0x7fc00000u : Bits(1e-45f),
                                version == 4 ? Bits(-INFINITY) : Bits(-0.0f),
                                3};
    std::string s = Le(version);
    for (int i = 0; i < (version == 4 ? 13 : 7); i++)
        s += Le(words[i]);
    for (int i = 0; version >= 2 && i < CONFIG_PARAMETER_WORDS; i++)
        s += Le(Bits(version == 2 ? 0.1f : i / 3.0f - 5));
    return version >= 3 ? s + Le(0xfffffffeu) : s;
}

// The shortest decimal that reads back to the same float; NaN and the infinities by name.
std::string Shortest(float f, bool json) {
    char text[64];
    *std::to_chars(text, text + sizeof text - 1, f).ptr = '\0';
    return !json || std::isfinite(f) ? text
           : std::isnan(f)           ? "\"NaN\""
           : f < 0                   ? "\"-Infinity\""
                                     : "\"Infinity\"";
}

// The records as the tool prints them after its state line: the parameter
// words one a line ("all"), as runs of equal words ("runs"), or as JSON.
std::string Printed(const std::string& form) {
    std::ostringstream out;
    const bool json = form == "json";
    for (int i = 0; i < 13; i++) {
        uint32_t bits;
        float f;
        std::memcpy(&bits, reinterpret_cast<const char*>(&hardwareConfig) + 4 * i, 4),
            std::memcpy(&f, &bits, 4);
        out << (json ? "  \"" : "") << FIELDS[i] << (json ? "\": " : ": ")
            << (i >= 9 && i <= 11 ? Shortest(f, json) : std::to_string(int32_t(bits)))
            << (json ? ",\n" : "\n");
    }
    const float* w = configParameterBlock.words;
    out << (json ? "  \"parameterBlock\": [" : "parameterBlock: 96 words");
    for (int a = 0, b; a < CONFIG_PARAMETER_WORDS; a = b + 1) {
        for (b = a;
             form == "runs" && b + 1 < CONFIG_PARAMETER_WORDS && Bits(w[b + 1]) == Bits(w[a]);)
            b++;
        if (json)
            out << (a ? ", " : "") << Shortest(w[a], true);
        else if (a == 0 && b == CONFIG_PARAMETER_WORDS - 1)
            out << ", all " << Shortest(w[a], false);
        else
            out << (a == b ? "\n  word " + std::to_string(a)
                           : "\n  words " + std::to_string(a) + "-" + std::to_string(b))
                << ": " << Shortest(w[a], false);
    }
    out << (json ? "],\n  \"configTrailer\": " : "\nconfigTrailer: ") << configTrailer
        << (json ? "\n}\n" : "\n");
    return out.str();
}

std::string WithWord(std::string file, int field, uint32_t word) {
    return file.replace(4 + 4 * field, 4, Le(word));
}

// Every form of printing against the records the loader leaves, and the
// file's state as --json, the text and --check give it, with the values
// --check reports ("" no file, "/" a folder, "@" a link to itself).
TEST(ConfigTool, PrintsStatesAndCheckFindings) {
    TempWorkDir dir;
    const std::string fresh = FirstRunFile();
    const struct {
        const char* name;
        std::string file;
        const char* status;
        int version, check;
        const char* findings;
    } rows[] = {
        {"no file", "", "missing", -1, 1, ""},
        {"a folder", "/", "unreadable", -1, 1, ""},
        {"a link to itself", "@", "unreadable", -1, 1, ""},
        {"two bytes", std::string("\4\0", 2), "unrecognised", -1, 1, ""},
        {"version 9", Le(9) + fresh.substr(4), "unrecognised", 9, 1, ""},
        {"version 3 one byte short",
         Sample(3).substr(0, 419),
         "short",
         3,
         1,
         "width flag4 joystickEnabled"},
        {"first-run file", fresh, "complete", 4, 0, ""},
        {"version 1", Sample(1), "complete", 1, 1, "width flag4 joystickEnabled"},
        {"version 2", Sample(2), "complete", 2, 1, "width flag4 joystickEnabled"},
        {"version 4, odd values",
         Sample(4),
         "complete",
         4,
         1,
         "width flag4 joystickEnabled textGreen textBlue lowTextureDetail"},
        {"textRed 1.5, depth 0",
         WithWord(WithWord(fresh, 9, Bits(1.5f)), 2, 0),
         "complete",
         4,
         1,
         "depth textRed"},
        {"height 0 under a chosen width is completed", WithWord(fresh, 1, 0), "complete", 4, 0, ""},
        {"height 0 under width 123 is kept",
         WithWord(WithWord(fresh, 0, 123), 1, 0),
         "complete",
         4,
         1,
         "width height"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        rmdir("c.cfg"), unlink("c.cfg"), ResetHardwareConfig();
        ASSERT_TRUE(r.file == "/"   ? !mkdir("c.cfg", 0755)
                    : r.file == "@" ? !symlink("c.cfg", "c.cfg")
                                    : r.file.empty() || WriteFileBytes("c.cfg", r.file));
        LoadHardwareConfigFrom("c.cfg");
        const bool unreadable = r.file.empty() || r.file == "/" || r.file == "@";
        const ProgramRun all = Tool({"c.cfg", "--all"}), runs = Tool({"c.cfg"}),
                         json = Tool({"-j", "c.cfg"}), check = Tool({"-c", "c.cfg"});
        for (const ProgramRun* run : {&all, &runs, &check})
            EXPECT_EQ(run->out.rfind(std::string("c.cfg: ") + r.status, 0), 0u) << run->out;
        EXPECT_TRUE(all.out.substr(all.out.find('\n') + 1) == Printed("all") &&
                    runs.out.substr(runs.out.find('\n') + 1) == Printed("runs"))
            << runs.out;
        EXPECT_EQ(json.out,
                  "{\n  \"status\": \"" + std::string(r.status) + "\",\n  \"version\": " +
                      (r.version < 0 ? "null" : std::to_string(r.version)) + ",\n" +
                      Printed("json"));
        EXPECT_TRUE(runs.status == unreadable && json.status == unreadable &&
                    runs.err.rfind(unreadable ? "quillon-hwconfig: cannot " : "", 0) == 0 &&
                    unreadable == !runs.err.empty())
            << runs.err;
        std::string found;
        for (const char* field : FIELDS)
            found += check.out.find(std::string("\nc.cfg: ") + field + " is ") != std::string::npos
                         ? (found.empty() ? "" : " ") + std::string(field)
                         : "";
        EXPECT_TRUE(check.status == r.check && found == r.findings) << check.out;
        EXPECT_EQ(check.out.find("c.cfg.bak") != std::string::npos,
                  !std::strcmp(r.status, "unrecognised"))
            << "the backup the saver will keep";
    }
    WriteFileBytes("c.cfg", fresh + "tail");
    EXPECT_NE(Tool({"--check", "c.cfg"}).out.find("4 trailing bytes are ignored"),
              std::string::npos);
}

// --set and --reset write what the program would write after the same changes
// (the height completed from the width unless set); refused arguments and
// values exit 2 with a message naming what was wrong and what is allowed,
// and leave the file untouched.
TEST(ConfigTool, SetsResetsAndRefuses) {
    TempWorkDir dir;
    const std::string wide = Sample(4).replace(4, 8, Le(1280) + Le(1024));
    const struct {
        std::string start;
        std::vector<std::string> args;
        void (*change)();
    } writes[] = {{"",
                   {"--set", "width=800"},
                   [] {
                       hardwareConfig.width = 800;
                   }},
                  {wide,
                   {"fullscreen=0", "--set"},
                   [] {
                       hardwareConfig.fullscreen = 0;
                   }},
                  {Sample(2),
                   {"-s", "sound=0", "textRed=0.25"},
                   [] {
                       hardwareConfig.sound = 0, hardwareConfig.textRed = 0.25f;
                   }},
                  {wide,
                   {"--set", "width=800", "height=1000"},
                   [] {
                       hardwareConfig.width = 800, hardwareConfig.height = 1000;
                   }},
                  {Sample(1),
                   {"--set",
                    "depth=2147483647",
                    "flag4=+1",
                    "textBlue=1e-3",
                    "textGreen=-0",
                    "textRed=.5",
                    "width=1024",
                    "width=640"},
                   [] {
                       hardwareConfig.depth = INT32_MAX, hardwareConfig.flag4 = 1,
                       hardwareConfig.textBlue = 1e-3f, hardwareConfig.textGreen = -0.0f;
                       hardwareConfig.textRed = 0.5f, hardwareConfig.width = 640;
                   }},
                  {Le(7) + Sample(4).substr(4),
                   {"--set", "lowTextureDetail=1"},
                   [] {
                       hardwareConfig.lowTextureDetail = 1;
                   }},
                  {Sample(4), {"-r"}, [] {
                       FirstRunFile();
                   }}};
    for (const auto& w : writes) {
        unlink("-s.cfg"), ResetHardwareConfig();
        ASSERT_TRUE(w.start.empty() || WriteFileBytes("-s.cfg", w.start));
        LoadHardwareConfigFrom("-s.cfg"), w.change();
        if (w.args.back().rfind("height=", 0) != 0)
            CompleteHeightFromWidth();
        std::vector<std::string> args = w.args;
        args.insert(args.end(), {"--", "-s.cfg"});
        EXPECT_TRUE(Tool(args).status == 0 && ReadFileBytes("-s.cfg") == EncodedConfig())
            << w.args[0] << " " << w.args.back();
    }
    ASSERT_EQ(Tool({"--reset"}).status, 0);  // FILE defaults to hwconfig.cfg
    EXPECT_EQ(ReadFileBytes(CONFIG_FILE_NAME), FirstRunFile());
    const struct {
        std::vector<std::string> args;
        const char* mention;
    } refused[] = {{{"--set", "fullscreen=2"}, "fullscreen=2: fullscreen takes 0 or 1"},
                   {{"-s", "flag4=-1"}, "flag4 takes 0 or 1"},
                   {{"-s", "sound=2"}, "sound takes 0 or 1"},
                   {{"-s", "mouseUnlocked=-2147483648"}, "mouseUnlocked takes"},
                   {{"-s", "width=800", "lowTextureDetail=2"}, "lowTextureDetail=2"},
                   {{"-s", "textRed=-5"}, "textRed takes a number from 0 to 1"},
                   {{"-s", "textGreen=1.0000001"}, "textGreen takes"},
                   {{"-s", "textRed=nan"}, "textRed="},
                   {{"-s", "width=0"}, "width=0: width takes a whole number of 1 or more"},
                   {{"-s", "depth=-1"}, "depth takes"},
                   {{"-s", "colour=1"}, "unknown field"},
                   {{"-s", "joystickEnabled=3"}, "joystickEnabled takes"},
                   {{"-s", "interfaceOn=10"}, "interfaceOn"},
                   {{"-s", "height=-1"}, "height takes"},
                   {{"-s", "width=12x"}, "width=12x"},
                   {{"-s", "width=2147483648"}, "width="},
                   {{"--set"}, "--set needs"},
                   {{"width=800"}, "need --set"},
                   {{"--frob"}, "--frob"},
                   {{"-jc"}, "--check"},
                   {{"--reset", "width=800"}, "need --set"},
                   {{"-s", "width=800", "other.cfg"}, "only one FILE"}};
    for (auto r : refused) {
        r.args.push_back(CONFIG_FILE_NAME);
        const ProgramRun run = Tool(r.args);
        EXPECT_TRUE(run.status == 2 && run.err.rfind("quillon-hwconfig: ", 0) == 0 &&
                    run.err.find(r.mention) != std::string::npos)
            << run.err;
        EXPECT_EQ(ReadFileBytes(CONFIG_FILE_NAME), FirstRunFile()) << r.mention;
    }
    mkdir("dir.cfg", 0755);
    const ProgramRun failed = Tool({"--reset", "dir.cfg"}), help = Tool({"--help"}),
                     version = Tool({"-V"});
    EXPECT_TRUE(failed.status == 1 && failed.err.rfind("quillon-hwconfig: ", 0) == 0)
        << "a save that fails: " << failed.err;
    EXPECT_TRUE(help.status == 0 && help.out.rfind("Usage: quillon-hwconfig", 0) == 0 &&
                Tool({"-h"}).out == help.out);
    EXPECT_TRUE(version.status == 0 &&
                version.out == std::string("quillon-hwconfig ") + QUILLON_VERSION + "\n" &&
                Tool({"--version"}).out == version.out);
}

}  // namespace
