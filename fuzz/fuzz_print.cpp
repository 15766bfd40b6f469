// Any format string with arguments into a line buffer of any size (exactly
// that size on the heap, so one byte too far is caught): the line is always
// terminated inside the buffer and its length is what is returned. The k-th
// directive taking a value is made to take an int, a double or a string by k
// mod 3, any directive of that kind allowed, so that one argument list of
// matching types serves every format.
#include "fuzz/fuzz_support.h"

namespace {

const double DOUBLES[] = {
    0.0, -0.0, 1.5, -1e308, 1e308, 3.4e38, 1e-320, __builtin_inf(), -__builtin_nan("")};
const int INTS[] = {
    0, -1, 1, 999, 1000, 999999, 1000000, 2147483647, -2147483647 - 1, 65, 255, -128};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    std::string pieces[3];
    int count = SplitAtNul(data + 2, size - 2, pieces, 3), taken = 0;
    const size_t lineSize = size_t(data[0] | data[1] << 8) % (PRINT_BUFFER_SIZE + 1);
    std::string format = count > 0 ? pieces[0] : "";
    for (size_t i = 0; i + 1 < format.size();
         i++) {  // six values at most: the format is cut before a seventh
        if (format[i] != '/')
            continue;
        char& d = format[++i];
        if (!std::strchr("ciuxIfs", d))
            continue;  // "//", and a slash that vanishes
        if (taken == 6) {
            format.resize(i - 1);
            break;
        }
        d = taken % 3 == 1            ? 'f'
            : taken % 3 == 2          ? 's'
            : std::strchr("ciuxI", d) ? d
                                      : "ciuxI"[d % 5],
        taken++;
    }
    const int n0 = INTS[(format.size() + data[0]) % 12],
              n1 = INTS[(format.size() + 5) % 12] ^ data[1];
    const double d0 = DOUBLES[format.size() % 9], d1 = DOUBLES[(format.size() + data[0]) % 9];
    const char *s0 = count > 1 ? pieces[1].c_str() : nullptr,
               *s1 = count > 2 ? pieces[2].c_str() : nullptr;
    char* line = static_cast<char*>(std::malloc(lineSize ? lineSize : 1));
    const int n = ExpandFormat(line, lineSize, format.c_str(), n0, d0, s0, n1, d1, s1);
    if (lineSize == 0 ? n != 0 : (n < 0 || size_t(n) >= lineSize || std::strlen(line) != size_t(n)))
        FuzzFail("line length and termination");
    return std::free(line), 0;
}
