#include "sim/gravity_step.h"

#include <algorithm>
#include <cmath>

#include "sim/collisions.h"

namespace orbilan {

template <typename Real>
void prepare_step(const BasicBodyTable<Real>& table, const SimulationState& state, BasicStepWorkspace<Real>& w)
{
    const Real dt = static_cast<Real>(state.dt);
    w.h = state.run_direction == 2 ? -dt : dt;
    const Real g = static_cast<Real>(state.grav_constant);
    for (int j = 1; j <= table.body_count; ++j) w.gm[j] = g * table.mass[j];
}

namespace {

template <typename Real>
void save_logged(BasicStepWorkspace<Real>& w, int i)
{
    w.logged_ax = w.ax[i];
    w.logged_ay = w.ay[i];
    w.logged_az = w.az[i];
}

// The burn of the pending impulse entry, between the kick and the drift of the impulse body.
template <typename Real>
void apply_thrust(BasicBodyTable<Real>& t, SimulationState& s, BasicStepWorkspace<Real>& w, int b,
                  double camera_distance, StepResult& result)
{
    const int k = s.impulse_next;
    if (k < 1 || k > MAX_IMPULSE_ENTRIES || s.impulse_count < k) return;
    const ImpulseEntry& entry = s.impulse_table[k];
    const Real now = static_cast<Real>(s.sim_time);
    const Real start = static_cast<Real>(entry.start_time);
    const Real duration = static_cast<Real>(entry.duration);
    const Real end = start + duration;
    if (start < now && now <= end) {
        const Real ux = -static_cast<Real>(entry.exhaust_vx);
        const Real uy = -static_cast<Real>(entry.exhaust_vy);
        const Real uz = -static_cast<Real>(entry.exhaust_vz);
        const Real dm = w.h * static_cast<Real>(entry.ejected_mass) / duration;
        t.mass[b] -= dm;
        if (t.mass[b] <= 0) {
            result.mass_error = true;
            result.stop = true;
        }
        t.vx[b] += dm * ux / t.mass[b];
        t.vy[b] += dm * uy / t.mass[b];
        t.vz[b] += dm * uz / t.mass[b];
        // The exhaust line keeps a tenth of the camera distance on its longest axis; without an
        // exhaust velocity there is no direction to draw, so the line keeps its last place.
        const Real longest = std::max({std::fabs(ux), std::fabs(uy), std::fabs(uz)});
        if (longest > 0) {
            const Real f = (static_cast<Real>(camera_distance) / 10) / longest;
            ExhaustPlume& plume = s.exhaust_plume;
            plume.trail_x = {static_cast<double>(t.x[b]), static_cast<double>(t.x[b] - f * ux)};
            plume.trail_y = {static_cast<double>(t.y[b]), static_cast<double>(t.y[b] - f * uy)};
            plume.trail_z = {static_cast<double>(t.z[b]), static_cast<double>(t.z[b] - f * uz)};
        }
    }
    if (now >= end) s.impulse_next = k + 1;
}

}  // namespace

template <typename Real>
StepResult gravity_step(BasicBodyTable<Real>& t, SimulationState& s, BasicStepWorkspace<Real>& w, double camera_distance)
{
    StepResult result;
    if (s.collision_mode != 0) {
        if (const TouchingPair pair = compute_accelerations(t, w, true)) {
            const MergeResult merged = merge_bodies(t, s, pair.i, pair.j);
            result.removed_body = merged.removed;
            result.selection_moved = merged.selection_moved;
            prepare_step(t, s, w);
            compute_accelerations(t, w, false);
        }
    } else {
        compute_accelerations(t, w, false);
    }

    const int n = t.body_count;
    const Real h = w.h;
    const int impulse = is_body(t, s.impulse_body) ? s.impulse_body : 0;
    Real* x = t.x.data();
    Real* y = t.y.data();
    Real* z = t.z.data();
    Real* vx = t.vx.data();
    Real* vy = t.vy.data();
    Real* vz = t.vz.data();
    const Real* ax = w.ax.data();
    const Real* ay = w.ay.data();
    const Real* az = w.az.data();
    for (int i = 1; i <= n; ++i) {
        if (i == impulse) continue;
        vx[i] += h * ax[i];
        x[i] += h * vx[i];
        vy[i] += h * ay[i];
        y[i] += h * vy[i];
        vz[i] += h * az[i];
        z[i] += h * vz[i];
    }
    if (is_body(t, s.log_body)) save_logged(w, s.log_body);

    if (impulse != 0) {
        t.vx[impulse] += h * w.ax[impulse];
        t.vy[impulse] += h * w.ay[impulse];
        t.vz[impulse] += h * w.az[impulse];
        apply_thrust(t, s, w, impulse, camera_distance, result);
        t.x[impulse] += h * t.vx[impulse];
        t.y[impulse] += h * t.vy[impulse];
        t.z[impulse] += h * t.vz[impulse];
    }

    const Real now = static_cast<Real>(s.sim_time) + h;
    const Real stop_time = static_cast<Real>(s.stop_time);
    s.sim_time = now;
    if ((s.run_direction == 2) ? now <= stop_time : now >= stop_time) result.stop = true;
    return result;
}

template void prepare_step(const BasicBodyTable<extended>&, const SimulationState&, BasicStepWorkspace<extended>&);
template void prepare_step(const BasicBodyTable<double>&, const SimulationState&, BasicStepWorkspace<double>&);
template StepResult gravity_step(BasicBodyTable<extended>&, SimulationState&, BasicStepWorkspace<extended>&, double);
template StepResult gravity_step(BasicBodyTable<double>&, SimulationState&, BasicStepWorkspace<double>&, double);

}  // namespace orbilan
