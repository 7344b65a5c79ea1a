#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Number readers over UTF-16 text with the C library's rules, independent of
// the process locale and of the width of `long`: integers saturate at the
// 32-bit limits, as they do where `long` has 32 bits.

// The value of one hexadecimal digit, or -1.
int hexDigitValue(char16_t c);

// Like wcstol: leading white space, an optional sign, then digits in `base`
// (0 picks 16 for "0x", 8 for a leading "0", else 10; 16 also accepts a "0x"
// prefix). `consumed` receives the count of characters read, 0 when no digit
// was found.
int32_t parseLong(std::u16string_view text, int base, size_t* consumed = nullptr);

// Like wcstod/_wtof in the "C" numeric locale: the longest leading number,
// trailing characters ignored; 0 when there is none.
double parseDouble(std::u16string_view text, size_t* consumed = nullptr);

// A whole command-line value such as a width or a resolution: decimal digits
// only, nothing before or after, from 1 to `maximum`. `out` is left alone
// when the text is not such a number.
bool parsePositiveInt(std::string_view text, int maximum, int& out);
