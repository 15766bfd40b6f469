// Any format string with matching arguments into a line buffer of any size
// (exactly that size on the heap, so one byte too far is caught): the line is
// always terminated inside the buffer and its length is what is returned.
#include "fuzz/fuzz_support.h"

namespace {

constexpr int MOST_ARGUMENTS = 6;   // 3^6 argument lists are instantiated below
const double DOUBLES[] = {0.0, -0.0, 1.5, -1e308, 1e308, 3.4e38, 1e-320, __builtin_inf(), -__builtin_nan("")};
const int INTS[] = {0, -1, 1, 999, 1000, 999999, 1000000, 2147483647, -2147483647 - 1, 65, 255, -128};

// The call: a line buffer, a format and its arguments, by kind ('i' an int,
// 'f' a double, 's' a string).
struct Call {
    char* line;
    size_t lineSize;
    const char* format;
    std::string kinds;
    int ints[MOST_ARGUMENTS];
    double doubles[MOST_ARGUMENTS];
    const char* strings[MOST_ARGUMENTS];
};

int Expand(const Call* c, ...) {
    va_list args;
    va_start(args, c);
    int n = ExpandPrintFormat(c->line, c->lineSize, c->format, args);
    va_end(args);
    return n;
}

// Passes the arguments with the types the directives take, in their order.
template <int DEPTH, typename... Args>
int ExpandWith(const Call& c, Args... args) {
    if constexpr (DEPTH == MOST_ARGUMENTS) {
        return Expand(&c, args...);
    } else {
        if (DEPTH >= int(c.kinds.size())) return Expand(&c, args...);
        if (c.kinds[DEPTH] == 'i') return ExpandWith<DEPTH + 1>(c, args..., c.ints[DEPTH]);
        if (c.kinds[DEPTH] == 'f') return ExpandWith<DEPTH + 1>(c, args..., c.doubles[DEPTH]);
        return ExpandWith<DEPTH + 1>(c, args..., c.strings[DEPTH]);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    std::string pieces[4];
    int count = SplitAtNul(data + 2, size - 2, pieces, 4);
    Call c{};
    c.lineSize = size_t(data[0] | data[1] << 8) % (PRINT_BUFFER_SIZE + 1);
    std::string format = count > 0 ? pieces[0] : "";
    // The argument each directive takes; the format is cut before a seventh.
    for (size_t i = 0; i + 1 < format.size(); i++) {
        char d = format[i] == '/' ? format[++i] : 0;
        char kind = d && std::strchr("ciuxI", d) ? 'i' : d == 'f' ? 'f' : d == 's' ? 's' : 0;
        if (!kind) continue;
        int n = int(c.kinds.size());
        if (n == MOST_ARGUMENTS) {
            format.resize(i - 1);
            break;
        }
        c.kinds += kind;
        c.ints[n] = INTS[(format.size() + n) % (sizeof INTS / sizeof INTS[0])] ^ (n * int(data[0]));
        c.doubles[n] = DOUBLES[(format.size() + n) % (sizeof DOUBLES / sizeof DOUBLES[0])];
        c.strings[n] = n + 1 < count ? pieces[1 + n % (count - 1)].c_str() : nullptr;
    }
    c.format = format.c_str();
    c.line = static_cast<char*>(std::malloc(c.lineSize ? c.lineSize : 1));
    int n = ExpandWith<0>(c);
    if (c.lineSize == 0 ? n != 0 : (n < 0 || size_t(n) >= c.lineSize || std::strlen(c.line) != size_t(n))) FuzzFail("line length and termination");
    std::free(c.line);
    return 0;
}
