// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/number_format.h"

#include <locale.h>
#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace orbilan {

namespace {

// The C library's number conversions follow LC_NUMERIC, which a GUI toolkit may set from the
// user's environment; our texts always use a decimal point.
class CLocaleScope {
public:
    CLocaleScope() : previous_(uselocale(c_locale())) {}
    ~CLocaleScope() { uselocale(previous_); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    static locale_t c_locale()
    {
        static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t{});
        return locale;
    }
    locale_t previous_;
};

std::string print_extended(const char* format, extended value)
{
    CLocaleScope c_locale;
    // Fixed point of a huge value needs thousands of digits, so measure first.
    char small[64];
    const int length = std::snprintf(small, sizeof small, format, value);
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < sizeof small) return std::string(small, length);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, value);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

struct MaskFormat {
    std::string_view pattern;
    const char* printf_format;
};

constexpr std::array<MaskFormat, 5> MASKS{{
    {"0.000", "%.3Lf"},
    {"0.000E+00", "%.3LE"},
    {"0.000000E+00", "%.6LE"},
    {"0.00000000E+00", "%.8LE"},
    {"0.000000000000E+00", "%.12LE"},
}};

bool is_digit(char c) { return c >= '0' && c <= '9'; }

int digit_value(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

// The text after "&": a base letter (or none, octal), then digits of that base.
extended parse_based_integer(std::string_view text)
{
    int base = 8;
    std::size_t i = 0;
    if (!text.empty()) {
        switch (text[0]) {
        case 'H':
        case 'h':
            base = 16;
            i = 1;
            break;
        case 'B':
        case 'b':
            base = 2;
            i = 1;
            break;
        case 'O':
        case 'o':
        case 'Q':
        case 'q':
            base = 8;
            i = 1;
            break;
        default: break;
        }
    }
    extended value = 0;
    for (; i < text.size(); ++i) {
        const int digit = digit_value(text[i]);
        if (digit >= base) break;
        value = value * base + digit;
    }
    return value;
}

std::size_t skip_digits(std::string_view text, std::size_t i)
{
    while (i < text.size() && is_digit(text[i])) ++i;
    return i;
}

}  // namespace

std::string_view mask_pattern(NumberMask mask) { return MASKS[static_cast<std::size_t>(mask)].pattern; }

std::string format_number(extended value, NumberMask mask)
{
    if (value == 0) value = 0;  // a negative zero prints as 0
    return print_extended(MASKS[static_cast<std::size_t>(mask)].printf_format, value);
}

std::string round_trip_text(extended value) { return print_extended("%.20LE", value); }

std::string plain_integer_text(int value) { return std::to_string(value); }

std::string signed_integer_text(int value)
{
    std::string text = value < 0 ? "" : " ";
    text += std::to_string(value);
    return text;
}

std::string elapsed_time_text(extended sim_time, double factor)
{
    const extended shown = static_cast<extended>(factor) * sim_time;
    return format_number(shown, shown < 1000 ? NumberMask::fixed_3 : NumberMask::exp_3);
}

std::string dt_text(extended dt) { return format_number(dt, NumberMask::exp_3); }

extended parse_number_text(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i < text.size() && text[i] == '&') return parse_based_integer(text.substr(i + 1));

    // Only the validated prefix, rewritten as sign, digits, point, digits, "e", sign, digits,
    // reaches strtold: it never sees "inf", "nan", hexadecimal or a 'D' exponent.
    std::string number;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];
    const std::size_t integer_end = skip_digits(text, i);
    number.append(text.substr(i, integer_end - i));
    bool has_digits = integer_end > i;
    i = integer_end;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fraction_end = skip_digits(text, i + 1);
        has_digits = has_digits || fraction_end > i + 1;
        number.append(text.substr(i, fraction_end - i));
        i = fraction_end;
    }
    if (!has_digits) return 0;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) exponent += text[j++];
        const std::size_t exponent_end = skip_digits(text, j);
        if (exponent_end > j) number += exponent.append(text.substr(j, exponent_end - j));
    }
    CLocaleScope c_locale;
    return std::strtold(number.c_str(), nullptr);
}

int round_half_even(extended value)
{
    if (std::isnan(value)) return 0;
    const extended rounded = std::nearbyint(value);
    if (rounded >= static_cast<extended>(INT_MAX)) return INT_MAX;
    if (rounded <= static_cast<extended>(INT_MIN)) return INT_MIN;
    return static_cast<int>(rounded);
}

}  // namespace orbilan
