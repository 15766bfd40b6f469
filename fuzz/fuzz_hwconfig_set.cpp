// Any argument list to quillon-hwconfig --set: the tool returns, and the file
// is afterwards either untouched or a whole version-4 file; when the
// arguments were refused it is untouched; when they were accepted, --check
// finds nothing odd in it unless a width was assigned (any positive width is
// accepted, but only the screen's four are choices).
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = EnterFuzzDirectory() + "/" + CONFIG_FILE_NAME;
    static const std::string original =
        [] {  // what a first run of the program writes; every run starts from it
            int null = open("/dev/null", O_WRONLY);  // the tool's reports are not the point
            if (null < 0 || dup2(null, STDOUT_FILENO) < 0)
                FuzzFail("no /dev/null");
            return FirstRunFile();
        }();
    std::string pieces[12];
    int count = SplitAtNul(data, size, pieces, 12);
    char tool[] = "quillon-hwconfig", set[] = "--set", check[] = "--check";
    std::vector<char*> argv = {tool, set};
    bool widthAssigned = false;
    for (int i = 0; i < count; i++) {
        if (pieces[i].find('/') != std::string::npos)
            return 0;  // only the file of this run may be written
        widthAssigned = widthAssigned || pieces[i].rfind("width=", 0) == 0,
        argv.push_back(pieces[i].data());
    }
    argv.push_back(const_cast<char*>(path.c_str())), argv.push_back(nullptr);
    if (!WriteFileBytes(path, original))
        FuzzFail("could not write a file");
    const int status = RunHwconfigTool(int(argv.size() - 1), argv.data());
    std::string after = ReadFileBytes(path);
    if (status == HWCONFIG_EXIT_USAGE && after != original)
        FuzzFail("refused arguments changed the file");
    if (after != original &&
        (after.size() != CONFIG_V4_BYTES || after.compare(0, 4, std::string("\4\0\0\0", 4)) != 0))
        FuzzFail("the file is neither the old one nor a whole version-4 file");
    char* checkArgv[] = {tool, check, const_cast<char*>(path.c_str()), nullptr};
    if (status == HWCONFIG_EXIT_OK && !widthAssigned &&
        RunHwconfigTool(3, checkArgv) != HWCONFIG_EXIT_OK)
        FuzzFail("--set accepted a value --check reports");
    return 0;
}
