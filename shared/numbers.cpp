#include "numbers.h"

#include <charconv>
#include <cmath>
#include <limits>

double LeadingNumber(std::string_view text)
{
    // Fast path for the common case of plain short digits ("4", "1200").
    if (!text.empty() && text.size() <= 15) {
        std::int64_t v = 0;
        bool digits = true;
        for (char c : text) {
            if (c < '0' || c > '9') {
                digits = false;
                break;
            }
            v = v * 10 + (c - '0');
        }
        if (digits)
            return static_cast<double>(v);
    }
    // Gather the characters that take part, skipping the ignored white space.
    std::string number;
    number.reserve(text.size() < 64 ? text.size() : 64);
    bool negative = false;
    bool signSeen = false;
    bool digitSeen = false;
    bool pointSeen = false;
    std::size_t i = 0;
    auto skipWhite = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n'))
            ++i;
    };
    skipWhite();
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        signSeen = true;
        ++i;
    }
    (void)signSeen;
    for (;; ++i) {
        skipWhite();
        if (i >= text.size())
            break;
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digitSeen = true;
            number += c;
        } else if (c == '.' && !pointSeen) {
            pointSeen = true;
            number += c;
        } else {
            break;
        }
    }
    if (!digitSeen)
        return 0.0;
    // Optional exponent: only taken when at least one digit follows.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        auto skipWhiteJ = [&] {
            while (j < text.size() && (text[j] == ' ' || text[j] == '\t' || text[j] == '\n'))
                ++j;
        };
        skipWhiteJ();
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            exponent += text[j++];
        bool expDigit = false;
        for (;; ++j) {
            skipWhiteJ();
            if (j >= text.size() || text[j] < '0' || text[j] > '9')
                break;
            expDigit = true;
            exponent += text[j];
        }
        if (expDigit)
            number += exponent;
    }
    if (number.front() == '.')
        number.insert(number.begin(), '0');
    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Overflow or underflow: decide by the exponent's sign.
        const auto e = number.find('e');
        const bool tiny = e != std::string::npos && e + 1 < number.size() && number[e + 1] == '-';
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (result.ec != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

std::int64_t RoundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    constexpr double limit = 9223372036854775808.0;
    if (value >= limit)
        return std::numeric_limits<std::int64_t>::max();
    if (value < -limit)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(std::nearbyint(value)); // default rounding mode: to nearest, ties to even
}

std::string NumberToText(float value, char decimalSeparator)
{
    if (std::isnan(value))
        return "0";
    if (value == 0.0f)
        return "0"; // also for -0
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, result.ptr);
    if (decimalSeparator != '.') {
        for (char &c : text)
            if (c == '.')
                c = decimalSeparator;
    }
    return text;
}

std::string IntegerToText(std::int64_t value)
{
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

bool IsPlainInteger(std::string_view text, std::int64_t value)
{
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return text == std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer));
}
