#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "sim/body_table.h"
#include "sim/force_workers.h"
#include "sim/simulation_state.h"

namespace orbilan {

struct TouchingPair {
    int i = 0, j = 0;
    explicit operator bool() const { return i != 0; }
};

// Working data of one run: O(N), sized once when the run starts.
struct StepWorkspace {
    extended h = 0;                    // the signed step
    std::vector<extended> gm;          // grav_constant * mass(j), refreshed only by prepare_step
    std::vector<extended> ax, ay, az;  // accelerations of the step in progress
    extended logged_ax = 0, logged_ay = 0, logged_az = 0;

    // Force sums for at least this many bodies are shared among the workers.
    int parallel_min_bodies = 64;
    std::unique_ptr<ForceWorkers> workers;
    TeamChoice team_choice;                            // whether the workers help in this call
    std::vector<std::vector<extended>> tile_buffers;  // 1/r^3 of one tile, one buffer per member
    std::vector<TouchingPair> touch_found;             // first touching pair seen by each member
    std::unique_ptr<std::atomic<unsigned>[]> tiles_done;  // per row of tiles, for the shared sums
    int tile_rows_capacity = 0;

    StepWorkspace();
    ~StepWorkspace();
};

// Sizes the workspace for the table and starts `threads` force workers (1: none).
void init_workspace(StepWorkspace& work, const BodyTable& table, int threads);

// h from dt and run_direction, the G*m table from the current masses.
void prepare_step(const BodyTable& table, const SimulationState& state, StepWorkspace& work);

// Accelerations of bodies 1..N from the positions: each body adds the terms
// G m_j (x_j - x_i) / r_ij^3 of the others in increasing j, with 1/r^3 rounded once per pair; the
// bits do not depend on the number of workers. When check_touch is set and two spheres touch,
// returns the first such pair (lowest i, then lowest j > i) and leaves the accelerations undefined.
TouchingPair compute_accelerations(const BodyTable& table, StepWorkspace& work, bool check_touch);

struct StepResult {
    bool stop = false;        // the stop time was reached or passed, or the mass error occurred
    bool mass_error = false;  // the thrust left the impulse body with mass <= 0
    int removed_body = 0;     // body deleted by a merge in this step, 0 if none
    bool selection_moved = false;
};

// One integration step: merge, kick and drift, thrust, time, stop test.
StepResult gravity_step(BodyTable& table, SimulationState& state, StepWorkspace& work,
                        double camera_distance);

}  // namespace orbilan
