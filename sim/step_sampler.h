// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "sim/body_table.h"

namespace orbilan {

// Where a run hands its bodies every so many steps, on the simulation thread, at a step boundary
// (a series of the energy, say). It reads them only: the run's bits do not depend on it.
class StepSampler {
public:
    virtual ~StepSampler() = default;
    // The bodies after a step and the simulated time there. False once a sample could not be kept.
    virtual bool sample(const BodyTable& bodies, extended time) = 0;
    // Completes the output; false when that or an earlier sample failed.
    virtual bool close() = 0;
    // What failed, naming the output; empty while nothing has.
    virtual const std::string& failure() const = 0;
};

}  // namespace orbilan
