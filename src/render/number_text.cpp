// Decimal text of a number with a given count of significant digits, in its shortest form.
#include "render/number_text.h"

#include <cstdio>

char* writeSignificant(double value, int digits, char* buffer, size_t size) {
    if (size == 0) return buffer;
    if (digits < 1) digits = 1;
    if (digits > 17) digits = 17;  // a double holds no more than 17 meaningful digits
    std::snprintf(buffer, size, "%.*g", digits, value);
    return buffer;
}

int decimalDigits(long long n) {
    // Work on the negative side so that the smallest value needs no special case.
    if (n > 0) n = -n;
    int count = 1;
    while (n <= -10) {
        n /= 10;
        count++;
    }
    return count;
}
