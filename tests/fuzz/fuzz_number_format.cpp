// SPDX-License-Identifier: GPL-3.0-or-later
// Any text as a number, then the value in every mask and every display unit. A finite value's
// round-trip text must read back to the same 80 bits.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "files/number_format.h"

using namespace orbilan;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    extended value = parse_number_text(text);
    for (NumberMask mask :
         {NumberMask::fixed_3, NumberMask::exp_3, NumberMask::exp_6, NumberMask::exp_8, NumberMask::exp_12})
        format_number(value, mask);
    // The time panel's factors, from microseconds to years.
    for (const double factor : {1e6, 1.0, 1 / 3600.0, 1 / 86400.0, 1 / 31536000.0}) elapsed_time_text(value, factor);
    round_half_even(value);
    if (std::isfinite(value)) {
        const extended back = parse_number_text(round_trip_text(value));
        if (std::memcmp(&back, &value, 10) != 0) std::abort();
    }
    dt_text(value);
    return 0;
}
