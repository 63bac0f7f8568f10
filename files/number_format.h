// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "sim/extended.h"

namespace orbilan {

// The fixed format masks of every number the user sees.
enum class NumberMask {
    fixed_3,  // "0.000"
    exp_3,    // "0.000E+00"
    exp_6,    // "0.000000E+00"
    exp_8,    // "0.00000000E+00"
    exp_12,   // "0.000000000000E+00"
};

// The mask as the pattern text above.
std::string_view mask_pattern(NumberMask mask);

// The value rounded to the mask's decimals (ties as the C library rounds the exact binary value);
// exponents always carry a sign and at least two digits; an exact zero has no minus sign.
std::string format_number(extended value, NumberMask mask);

// Enough digits (21 significant) that parsing the text gives back the same 80-bit value.
std::string round_trip_text(extended value);

// 7 -> "7"
std::string plain_integer_text(int value);
// 7 -> " 7", -7 -> "-7": the sign position is always reserved.
std::string signed_integer_text(int value);

// sim_time * factor with "0.000" below 1000 display units (negative times included), else
// "0.000E+00". The mask is chosen on the unrounded value.
std::string elapsed_time_text(extended sim_time, double factor);

// "0.000E+00", as the time panel shows a step.
std::string dt_text(extended dt);

// A number as the files and the panels' text fields write it: optional sign, digits, optional
// point and digits, optional exponent (E, e, D or d) with optional sign; the longest leading part
// that forms a number counts, anything else gives 0. "&H" reads hexadecimal, "&B" binary,
// "&O", "&Q" or a bare "&" octal.
extended parse_number_text(std::string_view text);

// Nearest integer, halves to even; saturates at the int range, NaN gives 0.
int round_half_even(extended value);

}  // namespace orbilan
