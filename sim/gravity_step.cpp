// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/gravity_step.h"

#include <algorithm>
#include <cmath>

#include "sim/collisions.h"

namespace orbilan {

template <typename Real>
void prepare_step(const BasicBodyTable<Real>& table, const SimulationState& state, BasicStepWorkspace<Real>& work)
{
    const Real dt = static_cast<Real>(state.dt);
    work.h = state.run_direction == RunDirection::backward ? -dt : dt;
    const Real g = static_cast<Real>(state.grav_constant);
    for (int j = 1; j <= table.body_count; ++j) work.gm[j] = g * table.mass[j];
}

namespace {

template <typename Real>
void save_logged(BasicStepWorkspace<Real>& work, int i)
{
    work.logged_ax = work.ax[i];
    work.logged_ay = work.ay[i];
    work.logged_az = work.az[i];
}

// The burn of the pending impulse entry, between the kick and the drift of the impulse body.
template <typename Real>
void apply_thrust(BasicBodyTable<Real>& table, SimulationState& state, BasicStepWorkspace<Real>& work, int b,
                  double camera_distance, StepResult& result)
{
    const int k = state.impulse_next;
    if (k < 1 || k > MAX_IMPULSE_ENTRIES || state.impulse_count < k) return;
    const ImpulseEntry& entry = state.impulse_table[k];
    const Real now = static_cast<Real>(state.sim_time);
    const Real start = static_cast<Real>(entry.start_time);
    const Real duration = static_cast<Real>(entry.duration);
    const Real end = start + duration;
    if (start < now && now <= end) {
        const Real ux = -static_cast<Real>(entry.exhaust_vx);
        const Real uy = -static_cast<Real>(entry.exhaust_vy);
        const Real uz = -static_cast<Real>(entry.exhaust_vz);
        const Real dm = work.h * static_cast<Real>(entry.ejected_mass) / duration;
        table.mass[b] -= dm;
        if (table.mass[b] <= 0) {
            result.mass_error = true;
            result.stop = true;
        }
        table.vx[b] += dm * ux / table.mass[b];
        table.vy[b] += dm * uy / table.mass[b];
        table.vz[b] += dm * uz / table.mass[b];
        // The exhaust line keeps a tenth of the camera distance on its longest axis; without an
        // exhaust velocity there is no direction to draw, so the line keeps its last place.
        const Real longest = std::max({std::fabs(ux), std::fabs(uy), std::fabs(uz)});
        if (longest > 0) {
            const Real f = (static_cast<Real>(camera_distance) / 10) / longest;
            ExhaustPlume& plume = state.exhaust_plume;
            plume.trail_x = {static_cast<double>(table.x[b]), static_cast<double>(table.x[b] - f * ux)};
            plume.trail_y = {static_cast<double>(table.y[b]), static_cast<double>(table.y[b] - f * uy)};
            plume.trail_z = {static_cast<double>(table.z[b]), static_cast<double>(table.z[b] - f * uz)};
        }
    }
    if (now >= end) state.impulse_next = k + 1;
}

}  // namespace

template <typename Real>
StepResult gravity_step(BasicBodyTable<Real>& table, SimulationState& state, BasicStepWorkspace<Real>& work,
                        double camera_distance)
{
    StepResult result;
    if (state.collision_mode != 0) {
        if (const TouchingPair pair = compute_accelerations(table, work, true)) {
            result.removed_body = merge_bodies(table, pair.i, pair.j);
            prepare_step(table, state, work);
            compute_accelerations(table, work, false);
        }
    } else {
        compute_accelerations(table, work, false);
    }

    const int n = table.body_count;
    const Real h = work.h;
    const int impulse = is_body(table, state.impulse_body) ? state.impulse_body : 0;
    Real* x = table.x.data();
    Real* y = table.y.data();
    Real* z = table.z.data();
    Real* vx = table.vx.data();
    Real* vy = table.vy.data();
    Real* vz = table.vz.data();
    const Real* ax = work.ax.data();
    const Real* ay = work.ay.data();
    const Real* az = work.az.data();
    for (int i = 1; i <= n; ++i) {
        if (i == impulse) continue;
        vx[i] += h * ax[i];
        x[i] += h * vx[i];
        vy[i] += h * ay[i];
        y[i] += h * vy[i];
        vz[i] += h * az[i];
        z[i] += h * vz[i];
    }
    if (is_body(table, state.log_body)) save_logged(work, state.log_body);

    if (impulse != 0) {
        table.vx[impulse] += h * work.ax[impulse];
        table.vy[impulse] += h * work.ay[impulse];
        table.vz[impulse] += h * work.az[impulse];
        apply_thrust(table, state, work, impulse, camera_distance, result);
        table.x[impulse] += h * table.vx[impulse];
        table.y[impulse] += h * table.vy[impulse];
        table.z[impulse] += h * table.vz[impulse];
    }

    const Real now = static_cast<Real>(state.sim_time) + h;
    const Real stop_time = static_cast<Real>(state.stop_time);
    state.sim_time = now;
    if (state.run_direction == RunDirection::backward ? now <= stop_time : now >= stop_time) result.stop = true;
    return result;
}

template void prepare_step(const BasicBodyTable<extended>&, const SimulationState&, BasicStepWorkspace<extended>&);
template void prepare_step(const BasicBodyTable<double>&, const SimulationState&, BasicStepWorkspace<double>&);
template StepResult gravity_step(BasicBodyTable<extended>&, SimulationState&, BasicStepWorkspace<extended>&, double);
template StepResult gravity_step(BasicBodyTable<double>&, SimulationState&, BasicStepWorkspace<double>&, double);

}  // namespace orbilan
