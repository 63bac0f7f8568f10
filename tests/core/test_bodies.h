// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "sim/gravity_step.h"

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
    }
    state.grav_constant = 1;
    state.dt = 1e-3L;
}

// A table, a state and a workspace that step together as a run steps them, in either precision.
template <typename Real = extended>
struct Stepper {
    BasicBodyTable<Real> table;
    SimulationState state;
    BasicStepWorkspace<Real> work;

    Stepper() { state.stop_time = 1e99L; }
    Stepper(const BodyTable& bodies, const SimulationState& start) : table(convert_table<Real>(bodies)), state(start) {}

    void start(int threads = 1, RunDirection direction = RunDirection::forward)
    {
        state.run_direction = direction;
        init_workspace(work, table, threads);
        prepare_step(table, state, work);
    }
    StepResult step(double camera_distance = 0) { return gravity_step(table, state, work, camera_distance); }
    void steps(int count)
    {
        for (int k = 0; k < count; ++k) step();
    }
};

// Numbers bit for bit (the 80 bits of an extended value, not its padding), anything else by value.
template <typename T>
bool same_bits(const T& a, const T& b)
{
    if constexpr (std::is_floating_point_v<T>) return std::memcmp(&a, &b, std::min<std::size_t>(sizeof a, 10)) == 0;
    return a == b;
}

// Tables equal in every column, numbers bit for bit.
template <typename Real>
::testing::AssertionResult same_bodies(const BasicBodyTable<Real>& a, const BasicBodyTable<Real>& b)
{
    if (a.body_count != b.body_count)
        return ::testing::AssertionFailure() << "body_count " << a.body_count << " vs " << b.body_count;
    int column = 0, differing_column = 0, body = 0;
    for_each_column(
        [&](const auto& in_a, const auto& in_b) {
            ++column;
            for (int i = 1; body == 0 && i <= a.body_count; ++i)
                if (!same_bits(in_a[i], in_b[i])) body = i, differing_column = column;
        },
        a, b);
    if (body == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "body " << body << " differs in column " << differing_column;
}

}  // namespace orbilan::test
