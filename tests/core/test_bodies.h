#pragma once

#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "sim/body_table.h"
#include "sim/simulation_state.h"

namespace orbilan::test {

struct BodyInit {
    extended x = 0, y = 0, z = 0;
    extended vx = 0, vy = 0, vz = 0;
    extended mass = 1, density = 1;
};

// A table of the given bodies with radii from mass and density, as a loaded project has them.
inline void make_bodies(BodyTable& table, SimulationState& state, std::initializer_list<BodyInit> bodies)
{
    allocate_body_table(table, state, static_cast<int>(bodies.size()));
    int i = 0;
    for (const BodyInit& b : bodies) {
        ++i;
        table.x[i] = b.x, table.y[i] = b.y, table.z[i] = b.z;
        table.vx[i] = b.vx, table.vy[i] = b.vy, table.vz[i] = b.vz;
        table.mass[i] = b.mass, table.density[i] = b.density;
        table.radius[i] = sphere_radius(b.mass, b.density);
        table.name[i] = "body " + std::to_string(i);
    }
}

// n bodies scattered in a unit cube with small random velocities; seeded, so every call agrees.
inline void make_cluster(BodyTable& table, SimulationState& state, int n, unsigned seed, extended density = 1e6)
{
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    allocate_body_table(table, state, n);
    for (int i = 1; i <= n; ++i) {
        table.x[i] = unit(random), table.y[i] = unit(random), table.z[i] = unit(random);
        table.vx[i] = 0.1 * unit(random), table.vy[i] = 0.1 * unit(random), table.vz[i] = 0.1 * unit(random);
        table.mass[i] = 1 + unit(random) * 0.5;
        table.density[i] = density;
        table.radius[i] = sphere_radius(table.mass[i], table.density[i]);
        table.name[i] = std::to_string(i).insert(0, "b");
    }
}

inline bool same_bits(extended a, extended b) { return std::memcmp(&a, &b, 10) == 0; }

// Bodies equal bit for bit in every physical field.
inline ::testing::AssertionResult same_bodies(const BodyTable& a, const BodyTable& b)
{
    if (a.body_count != b.body_count)
        return ::testing::AssertionFailure() << "body_count " << a.body_count << " vs " << b.body_count;
    for (int i = 1; i <= a.body_count; ++i) {
        const extended* fa[] = {&a.x[i], &a.y[i], &a.z[i], &a.vx[i], &a.vy[i], &a.vz[i], &a.mass[i], &a.density[i]};
        const extended* fb[] = {&b.x[i], &b.y[i], &b.z[i], &b.vx[i], &b.vy[i], &b.vz[i], &b.mass[i], &b.density[i]};
        for (int f = 0; f < 8; ++f)
            if (!same_bits(*fa[f], *fb[f]))
                return ::testing::AssertionFailure()
                       << "body " << i << " field " << f << ": " << static_cast<double>(*fa[f]) << " vs "
                       << static_cast<double>(*fb[f]);
        if (a.radius[i] != b.radius[i] || a.name[i] != b.name[i])
            return ::testing::AssertionFailure() << "body " << i << " radius or name differs";
    }
    return ::testing::AssertionSuccess();
}

}  // namespace orbilan::test
