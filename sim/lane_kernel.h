// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include "sim/collisions.h"

namespace orbilan {

// The double-precision force sums for vector units: this header, lane_kernel.cpp and lane_sums.cpp
// are the only code that knows about lanes. Every kernel works on LANES doubles at a time, however
// many its processor holds in one register, and performs the same operations in the same order
// (no fused multiply-add, no approximate reciprocal), so all kernels give the same bits.
constexpr int LANES = 8;

// Bodies 1..N of the step stored from index 0 and padded to whole lanes. Each body's sum is the
// terms of the bodies before it, added one by one in increasing order, plus the terms of the
// bodies after it, added per lane (body j goes to lane j mod LANES) and the lanes added last.
struct LaneSums {
    int n = 0;
    int padded = 0;
    std::vector<double> x, y, z, gm, radius;
    std::vector<double> before_x, before_y, before_z;  // one per body
    std::vector<double> after_x, after_y, after_z;     // LANES per body, started by the diagonal tile
};

struct LaneKernel {
    const char* name;
    // Adds the terms of the pairs of bodies [i0, i1) x [j0, j1) (indices from 0, multiples of
    // LANES except at N; on the diagonal, i0 == j0, only the pairs j > i). With check_touch,
    // returns the first pair (numbered from 1) whose spheres touch.
    TouchingPair (*tile)(LaneSums& sums, int i0, int i1, int j0, int j1, bool check_touch);
};

// Takes the positions, G m and radii of bodies 1..n of the arrays (index 0 unused) and clears the
// sums before each body.
void begin_lane_sums(LaneSums& sums, int n, const double* x, const double* y, const double* z, const double* gm,
                     const double* radius);

// a(i) for bodies 1..n (or those numbered [first, end) from 0): the sum before, plus the lanes
// after added in a fixed order.
void finish_lane_sums(const LaneSums& sums, double* ax, double* ay, double* az, int first = 0, int end = -1);

struct LaneKernelChoice {
    const LaneKernel* kernel;
    bool runs_here;  // the processor has the instructions it was built for
};

// Every kernel built into the program, widest first; the last is the plain one that runs anywhere.
const std::vector<LaneKernelChoice>& lane_kernels();

// The widest kernel this processor runs.
const LaneKernel& best_lane_kernel();

}  // namespace orbilan
