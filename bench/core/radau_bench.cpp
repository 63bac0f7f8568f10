// SPDX-License-Identifier: GPL-3.0-or-later
// The Gauss-Radau method's figures: Burrau's problem to t = 70 against the scheme's usual
// double-precision form (peer_radau.h), run interleaved, medians of the wall times; how far the
// result moves with a 100 times tighter tolerance; an eccentric Kepler orbit against its start
// after 100 periods; the solar-system sample after 100 years against a tighter run; and the
// first-order step's figures on the same orbits for comparison.
//
//   radau_bench [ROUNDS] [PROJECTS_FOLDER]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/project_loader.h"
#include "peer_radau.h"
#include "sim/energy.h"
#include "sim/gauss_radau.h"

namespace orbilan {
namespace {

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Outcome {
    BodyTable table;
    long long steps = 0, evaluations = 0;
    double wall = 0;
    bool failed = false;
};

// Runs the method from the bodies to the stop time on one thread.
template <typename Real>
Outcome radau_run(const BodyTable& bodies, SimulationState state, extended stop_time, extended tolerance)
{
    Outcome out;
    BasicBodyTable<Real> table = convert_table<Real>(bodies);
    GaussRadauWorkspace<Real> work;
    state.stop_time = stop_time;
    state.run_direction = stop_time >= state.sim_time ? RunDirection::forward : RunDirection::backward;
    const auto start = std::chrono::steady_clock::now();
    init_gauss_radau(work, table, 1, tolerance, GaussRadauCarry{});
    prepare_step(table, state, work.forces);
    for (;;) {
        const StepResult step = gauss_radau_step(table, state, work, 0);
        ++out.steps;
        if (step.failure != StepFailure::none) out.failed = true;
        if (step.stop) break;
    }
    out.wall = seconds_since(start);
    out.evaluations = work.force_evaluations;
    copy_table(out.table, table);
    return out;
}

// The first-order step of the program from the bodies to the stop time.
Outcome euler_run(const BodyTable& bodies, SimulationState state, extended stop_time)
{
    Outcome out;
    out.table = bodies;
    StepWorkspace work;
    state.stop_time = stop_time;
    state.run_direction = RunDirection::forward;
    init_workspace(work, out.table, 1);
    prepare_step(out.table, state, work);
    while (!gravity_step(out.table, state, work, 0).stop) ++out.steps;
    ++out.steps;
    return out;
}

extended distance(const BodyTable& a, int i, const BodyTable& b, int j)
{
    return std::hypot(a.x[i] - b.x[j], a.y[i] - b.y[j], a.z[i] - b.z[j]);
}

extended largest_difference(const BodyTable& a, const BodyTable& b)
{
    extended largest = 0;
    for (int i = 1; i <= a.body_count; ++i) largest = std::max(largest, distance(a, i, b, i));
    return largest;
}

extended relative_energy_change(const BodyTable& start, const BodyTable& end, extended g)
{
    const extended before = total_energy(start, g);
    return (total_energy(end, g) - before) / std::fabs(before);
}

void burrau(BodyTable& table, SimulationState& state)
{
    allocate_body_table(table, state, 3);
    const extended mass[] = {3, 4, 5}, x[] = {1, -2, 1}, y[] = {3, -1, -1};
    for (int i = 1; i <= 3; ++i) {
        table.x[i] = x[i - 1], table.y[i] = y[i - 1], table.mass[i] = mass[i - 1], table.density[i] = 1;
        table.name[i] = "mass " + std::to_string(static_cast<int>(mass[i - 1]));
    }
    state.grav_constant = 1;
    state.dt = 1e-5L;
}

// Energy of bodies i and j in their centre of mass: below 0 when they are bound.
extended pair_energy(const BodyTable& t, int i, int j)
{
    const extended mu = t.mass[i] * t.mass[j] / (t.mass[i] + t.mass[j]);
    const extended dv2 = (t.vx[i] - t.vx[j]) * (t.vx[i] - t.vx[j]) + (t.vy[i] - t.vy[j]) * (t.vy[i] - t.vy[j]) +
                         (t.vz[i] - t.vz[j]) * (t.vz[i] - t.vz[j]);
    return mu * dv2 / 2 - t.mass[i] * t.mass[j] / distance(t, i, t, j);
}

void burrau_figures(int rounds)
{
    BodyTable start;
    SimulationState state;
    burrau(start, state);
    std::vector<bench::Particle> particles;
    for (int i = 1; i <= 3; ++i)
        particles.push_back({static_cast<double>(start.x[i]), static_cast<double>(start.y[i]), 0, 0, 0, 0, 0, 0, 0,
                             static_cast<double>(start.mass[i])});

    std::vector<double> extended_walls, double_walls, peer_walls;
    Outcome ours_extended, ours_double;
    BodyTable peer_end = start;
    long long peer_steps = 0, peer_evaluations = 0;
    for (int round = 0; round < rounds; ++round) {
        ours_extended = radau_run<extended>(start, state, 70, default_tolerance<extended>());
        extended_walls.push_back(ours_extended.wall);
        ours_double = radau_run<double>(start, state, 70, default_tolerance<double>());
        double_walls.push_back(ours_double.wall);
        const auto begin = std::chrono::steady_clock::now();
        bench::PeerRadau peer(particles, 1, 1e-5, 1e-9);
        peer.integrate(70);
        peer_walls.push_back(seconds_since(begin));
        peer_steps = peer.steps();
        peer_evaluations = peer.evaluations();
        for (int i = 1; i <= 3; ++i) {
            const bench::Particle& p = peer.particles()[static_cast<std::size_t>(i - 1)];
            peer_end.x[i] = p.x, peer_end.y[i] = p.y, peer_end.z[i] = p.z;
            peer_end.vx[i] = p.vx, peer_end.vy[i] = p.vy, peer_end.vz[i] = p.vz;
        }
    }
    const double peer_wall = median(peer_walls);
    std::printf("Burrau's problem to t = 70 (medians of %d interleaved rounds, one thread)\n", rounds);
    std::printf("  %-30s %8s %8s %10s %9s %12s %12s %12s\n", "", "steps", "forces", "wall s", "vs peer", "energy",
                "x(mass 3)", "y(mass 3)");
    const auto row = [&](const char* name, long long steps, long long evaluations, double wall, const BodyTable& end) {
        std::printf("  %-30s %8lld %8lld %10.4f %8.2fx %12.2Le %12.8Lf %12.8Lf\n", name, steps, evaluations, wall,
                    wall / peer_wall, relative_energy_change(start, end, 1), end.x[1], end.y[1]);
    };
    row("peer, double, eps 1e-9", peer_steps, peer_evaluations, peer_wall, peer_end);
    row("ours, extended, eps 1e-12", ours_extended.steps, ours_extended.evaluations, median(extended_walls),
        ours_extended.table);
    row("ours, double, eps 1e-9", ours_double.steps, ours_double.evaluations, median(double_walls), ours_double.table);

    const BodyTable& end = ours_extended.table;
    std::printf(
        "  after t = 70 (extended): pair (4, 5) energy %.6Lf (%s), mass 3 against that pair %.6Lf (%s)\n",
        pair_energy(end, 2, 3), pair_energy(end, 2, 3) < 0 ? "bound" : "not bound",
        [&] {
            // Mass 3 against the pair's centre of mass, as two bodies.
            BodyTable two;
            SimulationState s;
            allocate_body_table(two, s, 2);
            two.mass[1] = end.mass[1];
            two.x[1] = end.x[1], two.y[1] = end.y[1], two.vx[1] = end.vx[1], two.vy[1] = end.vy[1];
            const extended m = end.mass[2] + end.mass[3];
            two.mass[2] = m;
            two.x[2] = (end.mass[2] * end.x[2] + end.mass[3] * end.x[3]) / m;
            two.y[2] = (end.mass[2] * end.y[2] + end.mass[3] * end.y[3]) / m;
            two.vx[2] = (end.mass[2] * end.vx[2] + end.mass[3] * end.vx[3]) / m;
            two.vy[2] = (end.mass[2] * end.vy[2] + end.mass[3] * end.vy[3]) / m;
            return pair_energy(two, 1, 2);
        }(),
        "above 0 escapes");

    // Convergence: the default tolerance against tighter ones, and the effect of one unit in the
    // last place of one starting coordinate, which no method can avoid.
    extended size = 0;
    for (int i = 1; i <= 3; ++i) size = std::max(size, std::hypot(end.x[i], end.y[i]));
    std::printf("  system size at t = 70: %.3Lf\n", size);
    for (const extended tolerance : {1e-13L, 1e-14L}) {
        const Outcome tight = radau_run<extended>(start, state, 70, tolerance);
        std::printf("  eps %.0Le against 1e-12: largest position difference %.2Le of the size (energy %.2Le)\n",
                    tolerance, largest_difference(end, tight.table) / size,
                    relative_energy_change(start, tight.table, 1));
    }
    BodyTable nudged = start;
    nudged.x[1] = std::nextafter(nudged.x[1], 2.0L);
    const Outcome moved = radau_run<extended>(nudged, state, 70, default_tolerance<extended>());
    std::printf("  x(mass 3) at the start one unit in the last place larger: moves the end by %.2Le of the size\n",
                largest_difference(end, moved.table) / size);
}

// A Kepler orbit of eccentricity 0.9 (masses 1 and 1e-3, G = 1, a = 1) from apocentre, 100
// periods: the separation against its start.
void kepler_figures()
{
    BodyTable start;
    SimulationState state;
    allocate_body_table(start, state, 2);
    const extended e = 0.9L, m1 = 1, m2 = 1e-3L, mu = m1 + m2;
    const extended r = 1 + e, v = std::sqrt(mu * (1 - e) / (1 + e));
    start.mass[1] = m1, start.mass[2] = m2;
    start.x[1] = -r * m2 / mu, start.x[2] = r * m1 / mu;
    start.vy[1] = -v * m2 / mu, start.vy[2] = v * m1 / mu;
    state.grav_constant = 1;
    state.dt = 0.01L;
    const extended period = 2 * std::acos(-1.0L) / std::sqrt(mu);
    for (const extended tolerance : {default_tolerance<extended>(), 1e-10L}) {
        const Outcome out = radau_run<extended>(start, state, 100 * period, tolerance);
        const BodyTable& t = out.table;
        const extended miss = std::hypot(t.x[2] - t.x[1] - r, t.y[2] - t.y[1], t.z[2] - t.z[1]);
        std::printf("Kepler e = 0.9, 100 periods, extended, eps %.0Le: %lld steps, %.2Le a from the start\n", tolerance,
                    out.steps, miss);
    }
}

void solar_system_figures(const std::string& projects)
{
    BodyTable start;
    SimulationState state;
    if (read_project_fields(projects + "/solar_system.txt", projects, start, state, {}).result != LoadResult::loaded) {
        std::printf("solar_system.txt not found in %s\n", projects.c_str());
        return;
    }
    const extended year = 365.25L * 86400;
    // The first-order step for a year against the converged method.
    const Outcome converged = radau_run<extended>(start, state, year, default_tolerance<extended>());
    const Outcome euler = euler_run(start, state, year);
    std::printf("Solar system after one year: the first-order step (%lld steps of %.0Lf s) against gauss-radau\n",
                euler.steps, state.dt);
    for (int i = 1; i <= start.body_count; ++i)
        std::printf("  %-10s %12.0Lf km\n", start.name[i].c_str(), distance(euler.table, i, converged.table, i) / 1000);
    for (const bool double_run : {false, true}) {
        const extended tolerance = double_run ? default_tolerance<double>() : default_tolerance<extended>();
        const auto run = [&](extended eps) {
            return double_run ? radau_run<double>(start, state, 100 * year, eps)
                              : radau_run<extended>(start, state, 100 * year, eps);
        };
        const Outcome normal = run(tolerance), tight = run(tolerance / 100);
        std::printf(
            "Solar system after 100 years, %s, eps %.0Le (%lld steps, %.2f s) against eps %.0Le (%lld "
            "steps): largest difference %.3Lf mm, energy %.2Le\n",
            double_run ? "double" : "extended", tolerance, normal.steps, normal.wall, tolerance / 100, tight.steps,
            largest_difference(normal.table, tight.table) * 1000,
            relative_energy_change(start, normal.table, state.grav_constant));
    }
}

// The first figure: a circular binary closes after one period with the shipped step.
void binary_figures(const std::string& projects)
{
    BodyTable start;
    SimulationState state;
    if (read_project_fields(projects + "/binary_star.txt", projects, start, state, {}).result != LoadResult::loaded)
        return;
    const extended period = 4 * std::acos(-1.0L);
    const extended radius = distance(start, 1, start, 2);
    const Outcome euler = euler_run(start, state, period);
    const Outcome radau = radau_run<extended>(start, state, period, default_tolerance<extended>());
    const auto miss = [&](const BodyTable& t) {
        return std::hypot((t.x[2] - t.x[1]) - (start.x[2] - start.x[1]), (t.y[2] - t.y[1]) - (start.y[2] - start.y[1]),
                          (t.z[2] - t.z[1]) - (start.z[2] - start.z[1])) /
               radius;
    };
    std::printf(
        "Binary star, one period: first-order step (%lld steps) %.2Le of the radius, gauss-radau (%lld "
        "steps) %.2Le\n",
        euler.steps, miss(euler.table), radau.steps, miss(radau.table));
}

}  // namespace
}  // namespace orbilan

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string projects = argc > 2 ? argv[2] : ORBILAN_PROJECTS;
    orbilan::burrau_figures(rounds);
    orbilan::kepler_figures();
    orbilan::binary_figures(projects);
    orbilan::solar_system_figures(projects);
}
