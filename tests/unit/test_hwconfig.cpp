// The configuration file: every version at every length through the loader;
// saves that keep modes, owners, links, devices, ACLs and an unreadable
// file's bytes, that fail without harm (no space, a size limit, a name
// swapped for a link) and that survive being killed.
#include "support/support.h"

namespace {

// A file of `version` whose body is pseudo-random bytes.
std::string Noisy(uint32_t version, size_t size, uint32_t seed) {
    std::string s = Le(version);
    while (s.size() < size) {
        seed = seed * 1664525u + 1013904223u;
        s += char(seed >> 24);
    }
    return s.substr(0, size);
}

// The records loaded from hwconfig.cfg holding `bytes`, encoded again.
std::string Loaded(const std::string& bytes) {
    ResetHardwareConfig();
    EXPECT_TRUE(WriteFileBytes(CONFIG_FILE_NAME, bytes));
    LoadHardwareConfig();
    return EncodedConfig();
}

// Every version cut at every length: each read takes what the file still
// holds over its place in the records, nothing past its layout; versions 1..3
// hold words 0..6 in place and the block and trailer 24 bytes early; version 4
// sets parameter words 24 and 25. What an empty or unknown file leaves (and
// so what a first run saves) is spelt out from the tables of defaults.
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
            ASSERT_EQ(Loaded(full.substr(0, n)), want) << "version " << version << " cut at " << n;
            ASSERT_EQ(configLoadReport.bytesRead, std::min(n, n < 4 ? n : layout[version])) << n;
        }
    }
    for (uint32_t version : {0u, 5u, 0x04000000u}) {  // the last is 4 in the wrong byte order
        EXPECT_EQ(Loaded(Noisy(version, CONFIG_V4_BYTES, version)), defaults) << version;
        EXPECT_EQ(configLoadReport.version, version);
    }
    ResetHardwareConfig();
    hardwareConfig.lowTextureDetail = 1;
    configParameterBlock.words[3] = 7;
    configTrailer = 99;
    ASSERT_TRUE(WriteFileBytes(CONFIG_FILE_NAME, Noisy(1, CONFIG_V1_BYTES, 5)));
    LoadHardwareConfig();  // what the loader does not assign stays
    EXPECT_EQ(hardwareConfig.lowTextureDetail, 1);
    EXPECT_EQ(configParameterBlock.words[3], 7);
    EXPECT_EQ(configTrailer, 99u);
    // The heights the four choices complete, then a width no label offers,
    // which keeps its height; each starts from a height of 5.
    std::string heights;
    for (int32_t width : {640, 800, 1024, 1280, 1152}) {
        hardwareConfig.width = width;
        hardwareConfig.height = 5;
        CompleteHeightFromWidth();
        heights += " " + std::to_string(hardwareConfig.height);
    }
    EXPECT_EQ(heights, " 480 600 768 960 5") << "for the widths 640 800 1024 1280 1152";
}

// Whose folder and file it is, and who saves: the test's own user (root when
// the suite runs as root), the player nobody:nogroup a launcher would drop
// to, or a stranger.
enum Who { ME, PLAYER, STRANGER };
enum Node { NONE, PLAIN, HARD_LINK, FOLDER, DANGLING, DEVICE, FIFO };

// How a row's quillon-hwconfig --reset runs, in the row's folder.
const char* const AS_PLAYER = "setpriv --reuid=nobody --regid=nogroup --clear-groups ";
const char* const THEN_PLAYER =
    "sh -c '\"$0\" \"$@\" && exec setpriv --reuid=nobody "
    "--regid=nogroup --clear-groups \"$0\" \"$@\"' ";
const char* const SIZE_LIMIT = "prlimit --fsize=400 ";  // SIGXFSZ at its default
const char* const NO_SPACE = "strace -o/dev/null -P\"$PWD\" -e inject=openat:error=ENOSPC:when=1 ";
// Holds the second open in the folder (the first is the check's) while the
// name becomes a link to a copy of the file.
const char* const SWAPPED =
    "bash -c '((sleep .5; cp -p hwconfig.cfg victim; ln -s victim l; mv -T l "
    "hwconfig.cfg) &); exec strace -o /dev/null -P \"$PWD\" -e "
    "inject=openat:delay_enter=1500000:when=2 \"$0\" \"$@\"' ";

struct SaveRow {
    const char* name;
    const char* run;  // "" runs it as the test's user
    Who folder;
    Who owner;  // and group
    mode_t mode;
    Node node;
    int error = 0;              // 0: saved
    const char* acl = nullptr;  // setfacl -m gives it to the file
};

const std::string OLD_FILE = Noisy(3, CONFIG_V3_BYTES, 1);

// The row's folder, made the working directory, and what its name leads to.
void MakeSaveRow(const SaveRow& r, const std::string& folder, const uid_t ids[6]) {
    const char* node = r.node >= DANGLING ? "node" : CONFIG_FILE_NAME;
    const bool made = r.node == NONE || r.node == DANGLING;  // by the save
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
    ASSERT_EQ(chown(folder.c_str(), ids[r.folder], ids[3 + r.folder]), 0);
    ASSERT_EQ(chdir(folder.c_str()), 0);
    const int status = r.node == FOLDER   ? mkdir(node, 0755)
                       : r.node == DEVICE ? mknod(node, S_IFCHR | 0600, makedev(1, 3))
                       : r.node == FIFO   ? mkfifo(node, 0600)
                       : made             ? 0
                                          : WriteFileBytes(node, OLD_FILE) - 1;
    ASSERT_EQ(status, 0) << node;
    ASSERT_TRUE(r.node < DANGLING || symlink("node", CONFIG_FILE_NAME) == 0);
    ASSERT_TRUE(r.node != HARD_LINK || link(CONFIG_FILE_NAME, "second") == 0);
    ASSERT_TRUE(made || chown(node, ids[r.owner], ids[3 + r.owner]) == 0);
    ASSERT_TRUE(made || chmod(node, r.mode) == 0);
    ASSERT_TRUE(!r.acl ||
                std::system(("setfacl -m " + std::string(r.acl) + " " + node).c_str()) == 0);
}

// What the row's name leads to (its second name when it has one): whether
// it is a link, the kind, mode, owner and group, and the ACL when it has one.
std::string InodeOf(const SaveRow& r) {
    const std::string path = r.node == HARD_LINK ? " second" : " hwconfig.cfg";
    std::string command = r.node >= DANGLING ? "{ stat -c %F hwconfig.cfg; " : "{ ";
    command += "stat -Lc '%F %a %u:%g'" + path + (r.acl ? "; getfacl -cn" + path : "");
    FILE* p = popen((command + "; } 2>&1 | tr -s '\\n' ' '").c_str(), "r");
    char text[512] = "";
    text[p ? std::fread(text, 1, sizeof text - 1, p) : 0] = '\0';
    return p && pclose(p) == 0 ? text : "cannot run " + command;
}

// What the file `name` holds: none, the old bytes, the new or other.
std::string Holds(const std::string& name, const std::string& old, const std::string& fresh) {
    const std::string bytes = ReadFileBytes(name);
    return bytes.empty() ? "none" : bytes == old ? "old" : bytes == fresh ? "new" : "other";
}

// The end of the one line a failed save says ("nothing" when silent; all
// it said when that is not one line naming the program and the file).
std::string Said(const std::string& err) {
    const bool one =
        std::count(err.begin(), err.end(), '\n') == 1 &&
        err.rfind("quillon-hwconfig: Could not save the settings to hwconfig.cfg: ", 0) == 0;
    const size_t end = err.rfind(": ");
    return err.empty() ? "nothing" : one ? err.substr(end + 2, err.size() - end - 3) : err;
}

// Removes the files saves left beside the settings and says how many (one
// that cannot be removed counts twice); -1 when the folder cannot be read.
int Temporaries(const char* folder) {
    DIR* d = opendir(folder);
    int n = 0;
    for (dirent* e = d ? readdir(d) : nullptr; e; e = readdir(d))
        if (std::strncmp(e->d_name, "hwconfig.cfg.", 13) == 0)
            n += 1 - unlinkat(dirfd(d), e->d_name, 0);
    return d && closedir(d) == 0 ? n : -1;
}

// Who saves (the test's user, or the player a launcher would drop to, or
// both in turn), whose folder and file it is, what the name leads to and what
// gets in the way. A save keeps the file's kind, mode, owner, group and ACL,
// links stay links and every name shows the new settings; a refused or
// failed one leaves the old bytes and one line on stderr naming the program,
// the file and the reason. Never a temporary file left. Rows that need root
// are skipped without it.
TEST(ConfigSave, KeepsWhatTheFileHadOrFailsWithoutHarm) {
    const passwd* player = getpwnam("nobody");  // in the group nogroup
    ASSERT_NE(player, nullptr);
    const uid_t ids[6] = {getuid(), player->pw_uid, 4321, getgid(), player->pw_gid, 4321};
    const SaveRow rows[] = {
        {"a new file takes the umask", "", ME, ME, 0640, NONE},
        {"a dangling link stays, its target is made", "", ME, ME, 0640, DANGLING},
        {"the mode is kept", "", ME, ME, 0604, PLAIN},
        {"shared install: root's 0666 file and folder", AS_PLAYER, ME, ME, 0666, PLAIN},
        {"a stranger's 0666 file, the player's folder", AS_PLAYER, PLAYER, STRANGER, 0666, PLAIN},
        {"the player's read-only file is left", AS_PLAYER, PLAYER, PLAYER, 0444, PLAIN, EACCES},
        {"the player's file saved by root", "", PLAYER, PLAYER, 0640, PLAIN},
        {"a file with a second hard link", "", ME, ME, 0644, HARD_LINK},
        {"a link to a character device", "", ME, ME, 0666, DEVICE},
        {"a link to a FIFO nobody reads: refused at once", "", ME, ME, 0644, FIFO, ENXIO},
        {"a folder of that name", "", ME, ME, 0755, FOLDER, EISDIR},
        {"a size limit below the file: replaced", SIZE_LIMIT, ME, ME, 0644, PLAIN, EFBIG},
        {"a size limit below the file: in place", SIZE_LIMIT, ME, ME, 0644, HARD_LINK, EFBIG},
        {"no space for the temporary file", NO_SPACE, ME, ME, 0640, NONE, ENOSPC},
        {"the name swapped for a link before writing", SWAPPED, ME, ME, 0644, HARD_LINK, ELOOP},
        {"an ACL is carried, the mode kept", "", ME, ME, 0640, PLAIN, 0, "u:nobody:rw"},
        {"and the player can still save", THEN_PLAYER, ME, ME, 0640, PLAIN, 0, "u:nobody:rw"},
    };
    TempWorkDir dir;
    const std::string fresh = FirstRunFile();
    for (const SaveRow& r : rows) {
        SCOPED_TRACE(r.name);
        if (ids[0] && (std::strstr(r.run, "setpriv") || r.folder || r.owner || r.node == DEVICE)) {
            std::printf("[  SKIPPED ] %s: needs root\n", r.name);
            continue;
        }
        ASSERT_NO_FATAL_FAILURE(MakeSaveRow(r, dir.path + "/d" + std::to_string(&r - rows), ids));
        const bool file = r.node <= HARD_LINK || r.node == DANGLING;  // reading a FIFO would wait
        const bool made = r.node == NONE || r.node == DANGLING;
        const std::string bytes = !file ? "-" : r.error ? made ? "none" : "old" : "new";
        const std::string created = (r.node == DANGLING ? "symbolic link " : "") +
                                    std::string("regular file 640 ") + std::to_string(ids[0]) +
                                    ":" + std::to_string(ids[3]) + " ";
        std::string want = "status=" + std::to_string(r.error ? 1 : 0) +
                           " said=" + (r.error ? std::strerror(r.error) : "nothing");
        want += " bytes=" + bytes + (r.node == HARD_LINK ? "/" + bytes : "");
        want += " inode=" + (made && !r.error ? created : InodeOf(r)) + "temps=0";
        const std::string how = "umask 027; " + std::string(r.run);  // new files are 0640
        const ProgramRun run = RunProgram("quillon-hwconfig", {"--reset", CONFIG_FILE_NAME}, how);
        std::string got = "status=" + std::to_string(run.status) + " said=" + Said(run.err);
        got += " bytes=" + (file ? Holds(CONFIG_FILE_NAME, OLD_FILE, fresh) : "-");
        got += r.node == HARD_LINK ? "/" + Holds("second", OLD_FILE, fresh) : "";
        EXPECT_EQ(got + " inode=" + InodeOf(r) + "temps=" + std::to_string(Temporaries(".")), want);
        ASSERT_EQ(chdir(dir.path.c_str()), 0);
    }
}

// A file the loader cannot read is kept in hwconfig.cfg.bak before the save
// (quillon-hwconfig --reset's) replaces it, with one line naming the backup;
// a backup already holding these bytes is left as it is ("earlier": a backup
// there before, dated 1970).
TEST(ConfigSave, UnrecognisedFileIsKeptInOneBackup) {
    const std::string v5 = Noisy(5, 500, 9);
    const std::string bak = std::string(CONFIG_FILE_NAME) + CONFIG_BACKUP_SUFFIX;
    const struct {
        const char* name;
        std::string file;
        std::string earlier;
        const char* want;
    } rows[] = {
        {"version 5", v5, "", "file=new bak=old said=kept"},
        {"three bytes", std::string("\4\0\0", 3), "", "file=new bak=old said=kept"},
        {"empty: nothing to keep", "", "", "file=new bak=none said=nothing"},
        {"version 2 cut short", Noisy(2, 100, 1), "", "file=new bak=none said=nothing"},
        {"the backup already holds these bytes", v5, v5, "file=new bak=old untouched said=kept"},
        {"the backup holds other bytes", v5, "an older file", "file=new bak=old said=kept"},
    };
    const std::string fresh = FirstRunFile();
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        TempWorkDir dir;
        const timespec past[2] = {{1000, 0}, {1000, 0}};
        ASSERT_TRUE(WriteFileBytes(CONFIG_FILE_NAME, r.file));
        ASSERT_TRUE(r.earlier.empty() || WriteFileBytes(bak, r.earlier));
        ASSERT_TRUE(r.earlier.empty() || utimensat(AT_FDCWD, bak.c_str(), past, 0) == 0);
        const std::string err = RunProgram("quillon-hwconfig", {"--reset"}).err;
        struct stat st {};
        const bool untouched = stat(bak.c_str(), &st) == 0 && st.st_mtime == 1000;
        std::string got = "file=" + Holds(CONFIG_FILE_NAME, r.file, fresh);
        got += " bak=" + Holds(bak, r.file, fresh);
        got += untouched ? " untouched" : "";
        const bool named =
            std::count(err.begin(), err.end(), '\n') == 1 && err.find(bak) != std::string::npos;
        got += " said=" + (err.empty() ? "nothing" : named ? "kept" : err);
        EXPECT_EQ(got, r.want);
    }
}

// A child saving two different records in turn is killed at random moments,
// hundreds of times: the file is always one of the three whole files, and a
// killed save leaves at most its own temporary file. QUILLON_FAULT_SEED
// replays a printed seed.
TEST(ConfigSave, SaveKilledAtAnyMomentLeavesAWholeFile) {
    TempWorkDir dir;
    ResetHardwareConfig();
    const std::string zero = EncodedConfig();
    const std::string files[3] = {
        zero, Le(4) + Le(800) + zero.substr(8), Le(4) + Le(960) + zero.substr(8)};
    ASSERT_TRUE(WriteFileBytes(CONFIG_FILE_NAME, files[0]));
    const char* replay = std::getenv("QUILLON_FAULT_SEED");
    const unsigned seed =
        replay ? unsigned(std::strtoul(replay, nullptr, 10)) : unsigned(std::time(nullptr));
    std::printf("[  SEED    ] %u\n", seed);
    std::mt19937 random(seed);
    int seen[3] = {0, 0, 0};
    for (int round = 0; round < 300; round++) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0) << "fork";
        for (int32_t i = 0; pid == 0; i++) {
            ResetHardwareConfig();
            hardwareConfig.width = i % 2 ? 960 : 800;
            SaveHardwareConfig();
        }
        usleep(useconds_t(random() % 3000));
        ASSERT_EQ(kill(pid, SIGKILL), 0);
        ASSERT_EQ(waitpid(pid, nullptr, 0), pid);
        const int which = int(std::find(files, files + 3, ReadFileBytes(CONFIG_FILE_NAME)) - files);
        ASSERT_LT(which, 3) << "round " << round << ", seed " << seed;
        seen[which]++;
        ASSERT_LE(unsigned(Temporaries(".")), 1u) << "temporary files, round " << round;
    }
    std::printf("[  ROUNDS  ] old %d, width 800 %d, width 960 %d\n", seen[0], seen[1], seen[2]);
    EXPECT_GT(seen[1] + seen[2], 0) << "no save ever completed: the test proves nothing";
}

}  // namespace
