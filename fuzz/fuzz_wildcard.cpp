// Any pattern and name through both wildcard tests: each returns 0 or 1, the
// search's test agrees with a table-driven reference of its rule, and each ends
// within its stated bound of steps (a run that takes long is a hang to
// libFuzzer's -timeout).
#include "fuzz/fuzz_support.h"

namespace {

constexpr size_t REFERENCE_MOST = 300;  // longest pattern and name the table reference takes

char Fold(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// The search's rule as a table, a row per pattern character: whether the
// pattern so far matches the first j name characters, for every j.
bool TableMatch(const std::string& p, const std::string& n) {
    std::vector<char> row(n.size() + 1, 0), next(n.size() + 1);
    row[0] = 1;
    for (char c : p) {
        for (size_t j = 0; j <= n.size(); j++)
            next[j] = c == '*' ? row[j] || (j > 0 && next[j - 1])
                               : j > 0 && row[j - 1] && (c == '?' || Fold(c) == Fold(n[j - 1]));
        row.swap(next);
    }
    return row[n.size()];
}

bool ReferenceMatch(const std::string& p, const std::string& n) {
    if (TableMatch(p, n))
        return true;
    bool dotStar = p.size() >= 2 && p.compare(p.size() - 2, 2, ".*") == 0;
    return dotStar && n.find('.') == std::string::npos && TableMatch(p.substr(0, p.size() - 2), n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string pieces[2];
    if (SplitAtNul(data, size, pieces, 2) < 2)
        return 0;
    const char *pattern = pieces[0].c_str(), *name = pieces[1].c_str();
    const int32_t engine = WildcardMatch(pattern, name), search = DirPatternMatch(pattern, name);
    if ((engine != 0 && engine != 1) || (search != 0 && search != 1))
        FuzzFail("match is not 0 or 1");
    if (std::strlen(pattern) <= REFERENCE_MOST && std::strlen(name) <= REFERENCE_MOST &&
        search != int32_t(ReferenceMatch(pattern, name)))
        FuzzFail("the search's match differs from the table reference");
    // A pattern always matches itself when it holds no wildcard at all.
    if (pieces[0].find_first_of("*?") == std::string::npos && !DirPatternMatch(pattern, pattern))
        FuzzFail("a plain name does not match itself");
    return 0;
}
