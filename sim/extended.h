// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace orbilan {

// Every physical quantity is held in the x87 80-bit format (64-bit mantissa) that g++ uses for
// long double on x86-64 Linux.
using extended = long double;

// The number type of a run's arithmetic: extended by default; double for speed with many bodies.
enum class Precision { extended, double_precision };

constexpr double PI = 3.141592653589793;
constexpr double SECONDS_PER_YEAR = 365.0 * 24 * 3600;

}  // namespace orbilan
