#include "core/frame/DecimalText.h"

namespace korvex {

char* PutDecimal(char* out, std::uint64_t v, int minDigits) {
    char digits[20];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n < minDigits) digits[n++] = '0';
    while (n > 0) *out++ = digits[--n];
    return out;
}

}  // namespace korvex
