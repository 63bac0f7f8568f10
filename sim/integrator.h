// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <vector>

#include "sim/extended.h"

namespace orbilan {

// The integration methods of a run: the first-order step, or the adaptive 15th-order
// Gauss-Radau predictor-corrector (Everhart 1985; Rein and Spiegel 2015, with the step-size
// criterion of Pham, Rein and Spiegel 2024).
enum class Integrator { euler, gauss_radau };

// The names of the methods on command lines and in project files.
inline constexpr const char* EULER_NAME = "euler";
inline constexpr const char* GAUSS_RADAU_NAME = "gauss-radau";

// What a run of the Gauss-Radau method leaves for the next one, so that pausing and resuming (or
// writing the final state and running it again) continues the same steps bit for bit: the size
// of the next step and, per coordinate, the predictor's polynomials and the remainders of the
// compensated sums.
struct GaussRadauCarry {
    extended step = 0;  // size of the next step; 0: the run starts from the project's step
    bool predicted = false;
    bool accepted_any = false;
    std::vector<extended> values;  // per coordinate: b, e, b and e of the last accepted step, remainders

    static constexpr int PER_COORDINATE = 30;
    // How many values a table of n bodies carries.
    static std::size_t size_for(int bodies) { return static_cast<std::size_t>(bodies) * 3 * PER_COORDINATE; }
    bool fits(int bodies) const { return values.size() == size_for(bodies); }
};

}  // namespace orbilan
