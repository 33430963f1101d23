// Decimal text of a number with a given count of significant digits, in its shortest form.
#pragma once

#include <cstddef>

// Writes value rounded to `digits` significant digits (1 to 17; other counts are
// brought into that range) into buffer, which holds `size` bytes including the
// terminator. The shortest form drops trailing zeros of the fraction and never
// leaves a bare decimal point, so whole numbers read "4" or "60", not "4." or
// "60.". A number whose whole part needs more digits than asked for is written
// with an exponent ("1.2e+03"); callers that want every digit of a count ask for
// decimalDigits(count) digits. Text that would not fit is cut short, always
// terminated; nothing is written when size is 0. Returns buffer.
char* writeSignificant(double value, int digits, char* buffer, size_t size);

// How many decimal digits the whole number n has (at least 1; the sign is not counted).
int decimalDigits(long long n);
