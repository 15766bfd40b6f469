// Any pattern and name through both wildcard tests: each returns 0 or 1, and
// within its stated bound of steps (a run that takes long is a hang to
// libFuzzer's -timeout).
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/dirsearch.h"
#include "render/filelist.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string pieces[2];
    if (SplitAtNul(data, size, pieces, 2) < 2) return 0;
    const char* pattern = pieces[0].c_str();
    const char* name = pieces[1].c_str();
    int32_t engine = WildcardMatch(pattern, name);
    int32_t search = DirPatternMatch(pattern, name);
    if ((engine != 0 && engine != 1) || (search != 0 && search != 1)) FuzzFail("match is not 0 or 1");
    // A pattern always matches itself when it holds no wildcard at all.
    if (pieces[0].find_first_of("*?") == std::string::npos && !DirPatternMatch(pattern, pattern))
        FuzzFail("a plain name does not match itself");
    return 0;
}
