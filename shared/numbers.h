#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The one rule by which texts are read as numbers everywhere (settings, token
// fields, tags): blanks, tabs and line feeds are skipped wherever they stand,
// then a sign, digits with at most one '.', and an optional exponent are read as
// far as they form a number. A text without such a start reads as 0.
double LeadingNumber(std::string_view text);

// Nearest integer, a half going to the even neighbour. Values beyond the range of
// int64 are clamped to it and NaN gives 0; statuses and row numbers are kept this
// wide so that a value written back is the value read.
std::int64_t RoundHalfEven(double value);

// LeadingNumber followed by RoundHalfEven.
inline std::int64_t LeadingInteger(std::string_view text)
{
    return RoundHalfEven(LeadingNumber(text));
}

// Number-to-text as the platform writes a single-precision value: no leading
// blank, as few digits as needed, a fraction only where there is one, and the
// given decimal separator.
std::string NumberToText(float value, char decimalSeparator = '.');

// Plain decimal form of an integer: no blank, no leading zero.
std::string IntegerToText(std::int64_t value);
// Whether `text` is exactly IntegerToText(value), without making the string.
bool IsPlainInteger(std::string_view text, std::int64_t value);
