// Any pattern and name through both wildcard tests: each returns 0 or 1, the
// search's test agrees with a table-driven reference of its rule, and each ends
// within its stated bound of steps (a run that takes long is a hang to
// libFuzzer's -timeout).
#include "fuzz/fuzz_support.h"

namespace {

constexpr size_t REFERENCE_MOST = 300;  // longest pattern and name the table reference takes

char Fold(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// The search's rule as a table: whether the first i pattern characters match
// the first j name characters, for every i and j.
bool TableMatch(const std::string& p, const std::string& n) {
    std::vector<std::vector<char>> m(p.size() + 1, std::vector<char>(n.size() + 1, 0));
    m[0][0] = 1;
    for (size_t i = 1; i <= p.size(); i++)
        for (size_t j = 0; j <= n.size(); j++) {
            if (p[i - 1] == '*')
                m[i][j] = m[i - 1][j] || (j > 0 && m[i][j - 1]);
            else
                m[i][j] = j > 0 && m[i - 1][j - 1] && (p[i - 1] == '?' || Fold(p[i - 1]) == Fold(n[j - 1]));
        }
    return m[p.size()][n.size()];
}

bool ReferenceMatch(const std::string& p, const std::string& n) {
    if (TableMatch(p, n)) return true;
    bool dotStar = p.size() >= 2 && p.compare(p.size() - 2, 2, ".*") == 0;
    return dotStar && n.find('.') == std::string::npos && TableMatch(p.substr(0, p.size() - 2), n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string pieces[2];
    if (SplitAtNul(data, size, pieces, 2) < 2) return 0;
    const char* pattern = pieces[0].c_str();
    const char* name = pieces[1].c_str();
    int32_t engine = WildcardMatch(pattern, name);
    int32_t search = DirPatternMatch(pattern, name);
    if ((engine != 0 && engine != 1) || (search != 0 && search != 1)) FuzzFail("match is not 0 or 1");
    if (std::strlen(pattern) <= REFERENCE_MOST && std::strlen(name) <= REFERENCE_MOST &&
        search != int32_t(ReferenceMatch(std::string(pattern), std::string(name))))
        FuzzFail("the search's match differs from the table reference");
    // A pattern always matches itself when it holds no wildcard at all.
    if (pieces[0].find_first_of("*?") == std::string::npos && !DirPatternMatch(pattern, pattern))
        FuzzFail("a plain name does not match itself");
    return 0;
}
