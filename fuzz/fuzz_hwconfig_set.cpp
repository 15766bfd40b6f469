// Any argument list to quillon-hwconfig --set: the tool returns, and the file
// is afterwards either untouched or a whole version-4 file; when the
// arguments were refused it is untouched; when they were accepted, --check
// finds nothing odd in it unless a width was assigned (any positive width is
// accepted, but only the screen's four are choices).
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/hwconfig.h"
#include "app/hwconfig_cli.h"
#include "fuzz/fuzz_support.h"

namespace {

constexpr int MOST_ARGUMENTS = 12;

// The file every run starts from: what a first run of the program writes.
std::string StartingFile() {
    static const uint8_t NO_BYTES[1] = {0};
    ResetHardwareConfig();
    LoadHardwareConfigFromBytes(NO_BYTES, 0);
    CompleteHeightFromWidth();
    uint8_t image[CONFIG_V4_BYTES];
    EncodeHardwareConfig(image);
    return std::string(reinterpret_cast<char*>(image), sizeof image);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = EnterFuzzDirectory() + "/" + CONFIG_FILE_NAME;
    static const std::string original = StartingFile();
    static const bool quiet = [] {
        int null = open("/dev/null", O_WRONLY);
        return null >= 0 && dup2(null, STDOUT_FILENO) >= 0;  // the tool's reports are not the point
    }();
    (void)quiet;
    std::string pieces[MOST_ARGUMENTS];
    int count = SplitAtNul(data, size, pieces, MOST_ARGUMENTS);
    std::vector<std::string> args = {"quillon-hwconfig", "--set"};
    bool widthAssigned = false;
    for (int i = 0; i < count; i++) {
        // Only the file of this run may be written: no argument names a path elsewhere.
        if (pieces[i].find('/') != std::string::npos) return 0;
        widthAssigned = widthAssigned || pieces[i].rfind("width=", 0) == 0;
        args.push_back(pieces[i]);
    }
    args.push_back(path);
    WriteWholeFile(path, original);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    int status = RunHwconfigTool(int(argv.size() - 1), argv.data());
    std::string after = ReadWholeFile(path);
    if (status == HWCONFIG_EXIT_USAGE && after != original) FuzzFail("refused arguments changed the file");
    if (after != original && (after.size() != CONFIG_V4_BYTES || after.compare(0, 4, std::string("\x04\0\0\0", 4)) != 0))
        FuzzFail("the file is neither the old one nor a whole version-4 file");
    if (status == HWCONFIG_EXIT_OK && !widthAssigned) {
        char* check[] = {args[0].data(), const_cast<char*>("--check"), const_cast<char*>(path.c_str()), nullptr};
        if (RunHwconfigTool(3, check) != HWCONFIG_EXIT_OK) FuzzFail("--set accepted a value --check reports");
    }
    return 0;
}
