#pragma once

#include <memory>
#include <vector>

#include "sim/body_table.h"
#include "sim/simulation_state.h"

namespace orbilan {

class ForceWorkers;

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
    int parallel_min_bodies = 128;
    std::unique_ptr<ForceWorkers> workers;
    std::vector<extended> r3_block;    // r^3 of one block of rows, for the shared sums
    std::vector<TouchingPair> touch_found;  // first touching pair seen by each worker

    StepWorkspace();
    ~StepWorkspace();
};

// Sizes the workspace for the table and starts `threads` force workers (1: none).
void init_workspace(StepWorkspace& work, const BodyTable& table, int threads);

// h from dt and run_direction, the G*m table from the current masses.
void prepare_step(const BodyTable& table, const SimulationState& state, StepWorkspace& work);

// Accelerations of bodies 1..N from the positions. When check_touch is set and two spheres touch,
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
