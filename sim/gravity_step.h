// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "sim/body_table.h"
#include "sim/collisions.h"
#include "sim/force_workers.h"
#include "sim/lane_kernel.h"
#include "sim/simulation_state.h"
#include "sim/sums_exchange.h"
#include "sim/tile_schedule.h"

namespace orbilan {

// What the force sums of a number type keep between calls.
template <typename Real>
struct PairScratch;

// 1/r^3 of one tile of pairs, one buffer per member of the team.
template <>
struct PairScratch<extended> {
    std::vector<std::vector<extended>> tiles;
};

// The lanes of the vector kernel.
template <>
struct PairScratch<double> {
    const LaneKernel* kernel = nullptr;
    LaneSums sums;
};

// Working data of one run: O(N), sized once when the run starts. The step is the same for every
// number type; only the force sums differ.
template <typename Real>
struct BasicStepWorkspace {
    Real h = 0;                    // the signed step
    std::vector<Real> gm;          // grav_constant * mass(j), refreshed only by prepare_step
    std::vector<Real> ax, ay, az;  // accelerations of the step in progress
    Real logged_ax = 0, logged_ay = 0, logged_az = 0;

    // The force sums' own state (force_sums.cpp). Sums for at least this many bodies are shared
    // among the workers.
    int parallel_min_bodies = 64;
    std::unique_ptr<ForceWorkers> workers;
    TeamChoice team_choice;                  // whether the workers help in this call
    std::unique_ptr<TileSchedule> schedule;  // of the shared sums
    PairScratch<Real> scratch;
    // Other processes that hold the same state and share the sums with this one; none when null.
    // Below this many bodies each process does all the sums itself: passing sums between
    // processes would cost more than it saves.
    SumsExchange* exchange = nullptr;
    int shared_min_bodies = 512;
};

using StepWorkspace = BasicStepWorkspace<extended>;

// Sizes the workspace for the table and starts `threads` force workers (1: none). In force_sums.cpp,
// with compute_accelerations.
template <typename Real>
void init_workspace(BasicStepWorkspace<Real>& work, const BasicBodyTable<Real>& table, int threads);

// h from dt and run_direction, the G*m table from the current masses.
template <typename Real>
void prepare_step(const BasicBodyTable<Real>& table, const SimulationState& state, BasicStepWorkspace<Real>& work);

// Accelerations of bodies 1..N from the positions: each body adds the terms
// G m_j (x_j - x_i) / r_ij^3 of the others, with 1/r^3 rounded once per pair. In extended
// precision every body adds its terms in increasing j; in double precision, the terms of the
// bodies before it in that order and those after it lane by lane. The bits do not depend on the
// number of workers. When check_touch is set and two spheres touch, returns the first such pair
// (lowest i, then lowest j > i) and leaves the accelerations undefined.
template <typename Real>
TouchingPair compute_accelerations(const BasicBodyTable<Real>& table, BasicStepWorkspace<Real>& work, bool check_touch);

// Why an adaptive step could not be taken.
enum class StepFailure { none, non_finite, step_too_small };

struct StepResult {
    bool stop = false;        // the stop time was reached or passed, or the mass error occurred
    bool mass_error = false;  // the thrust left the impulse body with mass <= 0
    int removed_body = 0;     // body deleted by a merge in this step, 0 if none
    StepFailure failure = StepFailure::none;
    int failed_body = 0;  // the first body whose state is not finite, for non_finite
};

// One integration step: merge, kick and drift, thrust, time, stop test. The step's arithmetic is
// done in Real; the state keeps its times in extended precision, which holds them exactly.
template <typename Real>
StepResult gravity_step(BasicBodyTable<Real>& table, SimulationState& state, BasicStepWorkspace<Real>& work,
                        double camera_distance);

}  // namespace orbilan
