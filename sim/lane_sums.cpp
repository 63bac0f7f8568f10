// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>

#include "sim/lane_kernel.h"

namespace orbilan {

#if defined(__x86_64__)
extern const LaneKernel LANE_KERNEL_AVX512;
extern const LaneKernel LANE_KERNEL_AVX2;
#endif
extern const LaneKernel LANE_KERNEL_PLAIN;

void begin_lane_sums(LaneSums& sums, int n, const double* x, const double* y, const double* z, const double* gm,
                     const double* radius)
{
    sums.n = n;
    sums.padded = (n + LANES - 1) / LANES * LANES;
    const auto size = static_cast<std::size_t>(sums.padded);
    for (auto* column : {&sums.x, &sums.y, &sums.z, &sums.gm, &sums.radius}) column->resize(size);
    for (auto* column : {&sums.before_x, &sums.before_y, &sums.before_z}) column->assign(size, 0);
    for (auto* column : {&sums.after_x, &sums.after_y, &sums.after_z}) column->resize(size * LANES);
    std::copy(x + 1, x + n + 1, sums.x.begin());
    std::copy(y + 1, y + n + 1, sums.y.begin());
    std::copy(z + 1, z + n + 1, sums.z.begin());
    std::copy(gm + 1, gm + n + 1, sums.gm.begin());
    std::copy(radius + 1, radius + n + 1, sums.radius.begin());
}

namespace {

double add_lanes(const double* a)
{
    static_assert(LANES == 8);
    return ((a[0] + a[1]) + (a[2] + a[3])) + ((a[4] + a[5]) + (a[6] + a[7]));
}

}  // namespace

void finish_lane_sums(const LaneSums& sums, double* ax, double* ay, double* az, int first, int end)
{
    for (int b = first; b < (end < 0 ? sums.n : end); ++b) {
        const std::size_t lanes = static_cast<std::size_t>(b) * LANES;
        ax[b + 1] = sums.before_x[b] + add_lanes(&sums.after_x[lanes]);
        ay[b + 1] = sums.before_y[b] + add_lanes(&sums.after_y[lanes]);
        az[b + 1] = sums.before_z[b] + add_lanes(&sums.after_z[lanes]);
    }
}

const std::vector<LaneKernelChoice>& lane_kernels()
{
    static const std::vector<LaneKernelChoice> kernels = [] {
        std::vector<LaneKernelChoice> all;
#if defined(__x86_64__)
        __builtin_cpu_init();
        all.push_back({&LANE_KERNEL_AVX512, __builtin_cpu_supports("avx512f") != 0});
        all.push_back({&LANE_KERNEL_AVX2, __builtin_cpu_supports("avx2") != 0});
#endif
        all.push_back({&LANE_KERNEL_PLAIN, true});
        return all;
    }();
    return kernels;
}

const LaneKernel& best_lane_kernel()
{
    static const LaneKernel& best =
        *std::find_if(lane_kernels().begin(), lane_kernels().end(), [](const LaneKernelChoice& c) {
             return c.runs_here;
         })->kernel;
    return best;
}

}  // namespace orbilan
