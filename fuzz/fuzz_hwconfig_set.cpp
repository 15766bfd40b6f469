// Any argument list to quillon-hwconfig --set (the input split at NUL bytes):
// the tool returns, and the file is afterwards either untouched or a whole
// version-4 file; when the arguments were refused it is untouched; when they
// were accepted, --check finds nothing odd in it unless a width was assigned
// (any positive width is accepted, but only the screen's four are choices).
// fuzz/run closes the tool's output (-close_fd_mask).
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = EnterFuzzDirectory() + "/" + CONFIG_FILE_NAME;
    static const std::string original = FirstRunFile();  // every run starts from it
    char tool[] = "quillon-hwconfig";
    char set[] = "--set";
    char check[] = "--check";
    std::vector<std::string> pieces(1);
    for (size_t i = 0; i < size; i++) {
        if (data[i] == 0 && pieces.size() < 12)
            pieces.emplace_back();
        else
            pieces.back() += char(data[i]);
    }
    std::vector<char*> argv = {tool, set};
    bool widthAssigned = false;
    for (std::string& piece : pieces) {
        if (piece.find('/') != std::string::npos)
            return 0;  // only the file of this run may be written
        widthAssigned = widthAssigned || piece.rfind("width=", 0) == 0;
        argv.push_back(&piece[0]);
    }
    argv.push_back(const_cast<char*>(path.c_str()));
    argv.push_back(nullptr);
    if (!WriteFileBytes(path, original))
        FuzzFail("could not write a file");
    const int status = RunHwconfigTool(int(argv.size() - 1), argv.data());
    const std::string after = ReadFileBytes(path);
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
