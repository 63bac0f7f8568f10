// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <vector>

namespace orbilan::bench {

// The usual double-precision direct summation, as general N-body libraries do it: an array of
// particle structs, every pair once with Newton's third law (one sqrt and one division per pair),
// then a semi-implicit Euler step. The yardstick that engine_bench measures ORBILAN against.
struct Particle {
    double x, y, z;
    double vx, vy, vz;
    double ax, ay, az;
    double m;
};

inline void peer_step(std::vector<Particle>& particles, double G, double dt)
{
    const std::size_t n = particles.size();
    Particle* p = particles.data();
    for (std::size_t i = 0; i < n; ++i) p[i].ax = p[i].ay = p[i].az = 0;
    for (std::size_t i = 0; i < n; ++i) {
        Particle& pi = p[i];
        for (std::size_t j = i + 1; j < n; ++j) {
            Particle& pj = p[j];
            const double dx = pi.x - pj.x;
            const double dy = pi.y - pj.y;
            const double dz = pi.z - pj.z;
            const double r2 = dx * dx + dy * dy + dz * dz;
            const double r = std::sqrt(r2);
            const double prefact = G / (r2 * r);
            const double prefacti = prefact * pi.m;
            const double prefactj = prefact * pj.m;
            pi.ax -= prefactj * dx;
            pi.ay -= prefactj * dy;
            pi.az -= prefactj * dz;
            pj.ax += prefacti * dx;
            pj.ay += prefacti * dy;
            pj.az += prefacti * dz;
        }
    }
    for (std::size_t i = 0; i < n; ++i) {
        p[i].vx += dt * p[i].ax;
        p[i].vy += dt * p[i].ay;
        p[i].vz += dt * p[i].az;
        p[i].x += dt * p[i].vx;
        p[i].y += dt * p[i].vy;
        p[i].z += dt * p[i].vz;
    }
}

}  // namespace orbilan::bench
