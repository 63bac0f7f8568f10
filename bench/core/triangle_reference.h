// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>

#include "sim/gravity_step.h"

namespace orbilan::bench {

// The force sums as the engine computed them on one thread before it took the pairs in tiles:
// every pair once, each term G m d / r^3 rounded on its own, and the far body's sums read and
// written in memory at every pair. Kept here only so that benchmarks can run it side by side.
[[gnu::noinline]] inline void triangle_reference_sums(const BodyTable& t, StepWorkspace& w)
{
    const int n = t.body_count;
    const extended* x = t.x.data();
    const extended* y = t.y.data();
    const extended* z = t.z.data();
    const extended* gm = w.gm.data();
    extended* ax = w.ax.data();
    extended* ay = w.ay.data();
    extended* az = w.az.data();
    for (int i = 0; i <= n; ++i) ax[i] = ay[i] = az[i] = 0;
    for (int i = 1; i <= n; ++i) {
        const extended xi = x[i], yi = y[i], zi = z[i];
        const extended gmi = gm[i];
        extended axi = ax[i], ayi = ay[i], azi = az[i];
        for (int j = i + 1; j <= n; ++j) {
            const extended dx = x[j] - xi;
            const extended dy = y[j] - yi;
            const extended dz = z[j] - zi;
            const extended r = std::sqrt(dx * dx + dy * dy + dz * dz);
            const extended r3 = r * r * r;
            axi += gm[j] * dx / r3;
            ayi += gm[j] * dy / r3;
            azi += gm[j] * dz / r3;
            ax[j] -= gmi * dx / r3;
            ay[j] -= gmi * dy / r3;
            az[j] -= gmi * dz / r3;
        }
        ax[i] = axi;
        ay[i] = ayi;
        az[i] = azi;
    }
}

}  // namespace orbilan::bench
