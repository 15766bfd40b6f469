// Any format string with matching arguments into a line buffer of any size
// (exactly that size on the heap, so one byte too far is caught): the line is
// always terminated inside the buffer and its length is what is returned.
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "render/text.h"

namespace {

constexpr int MOST_ARGUMENTS = 6;  // 3^6 argument lists are instantiated below

enum ArgumentKind { ARG_INT, ARG_DOUBLE, ARG_STRING };

struct Call {
    char* line;
    size_t lineSize;
    const char* format;
    int count;
    ArgumentKind kinds[MOST_ARGUMENTS];
    int ints[MOST_ARGUMENTS];
    double doubles[MOST_ARGUMENTS];
    const char* strings[MOST_ARGUMENTS];
};

int Expand(char* line, size_t lineSize, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = ExpandPrintFormat(line, lineSize, format, args);
    va_end(args);
    return n;
}

// Passes the arguments with the types the directives take, in their order.
template <int DEPTH, typename... Args>
int ExpandWith(const Call& c, Args... args) {
    if constexpr (DEPTH == MOST_ARGUMENTS) {
        return Expand(c.line, c.lineSize, c.format, args...);
    } else {
        if (DEPTH >= c.count) return Expand(c.line, c.lineSize, c.format, args...);
        switch (c.kinds[DEPTH]) {
        case ARG_INT: return ExpandWith<DEPTH + 1>(c, args..., c.ints[DEPTH]);
        case ARG_DOUBLE: return ExpandWith<DEPTH + 1>(c, args..., c.doubles[DEPTH]);
        default: return ExpandWith<DEPTH + 1>(c, args..., c.strings[DEPTH]);
        }
    }
}

// Which argument a directive letter takes; false for no directive.
bool KindOf(char d, ArgumentKind* kind) {
    if (std::strchr("ciuxI", d) && d) *kind = ARG_INT;
    else if (d == 'f') *kind = ARG_DOUBLE;
    else if (d == 's') *kind = ARG_STRING;
    else return false;
    return true;
}

const double DOUBLES[] = {0.0, -0.0, 1.5, -1e308, 1e308, 3.4e38, 1e-320, __builtin_inf(), -__builtin_nan("")};
const int INTS[] = {0, -1, 1, 999, 1000, 999999, 1000000, 2147483647, -2147483647 - 1, 65, 255, -128};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    std::string pieces[4];
    int count = SplitAtNul(data + 2, size - 2, pieces, 4);
    Call c{};
    c.lineSize = size_t(data[0] | data[1] << 8) % (PRINT_BUFFER_SIZE + 1);
    std::string format = count > 0 ? pieces[0] : "";
    // Cut the format before a seventh argument: the list above holds six.
    for (size_t i = 0; i + 1 < format.size(); i++) {
        if (format[i] != '/') continue;
        ArgumentKind kind;
        if (format[i + 1] == '/') {
            i++;
            continue;
        }
        if (!KindOf(format[i + 1], &kind)) continue;
        if (c.count == MOST_ARGUMENTS) {
            format.resize(i);
            break;
        }
        int n = c.count;
        c.kinds[n] = kind;
        c.ints[n] = INTS[(format.size() + n) % (sizeof INTS / sizeof INTS[0])] ^ (n * int(data[0]));
        c.doubles[n] = DOUBLES[(format.size() + n) % (sizeof DOUBLES / sizeof DOUBLES[0])];
        c.strings[n] = n + 1 < count ? pieces[1 + n % (count - 1)].c_str() : nullptr;
        c.count++;
        i++;
    }
    c.format = format.c_str();
    char* line = static_cast<char*>(std::malloc(c.lineSize ? c.lineSize : 1));
    c.line = line;
    int n = ExpandWith<0>(c);
    if (c.lineSize == 0) {
        if (n != 0) FuzzFail("a buffer of size 0 got text");
    } else if (n < 0 || size_t(n) >= c.lineSize || std::strlen(line) != size_t(n)) {
        FuzzFail("line length and termination");
    }
    std::free(line);
    return 0;
}
