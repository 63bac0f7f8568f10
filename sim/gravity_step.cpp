#include "sim/gravity_step.h"

#include <algorithm>
#include <cmath>

#include "sim/collisions.h"
#include "sim/force_workers.h"

namespace orbilan {

StepWorkspace::StepWorkspace() = default;
StepWorkspace::~StepWorkspace() = default;

namespace {

// Rows per block of the shared sums: small enough that the r^3 buffer stays under 16 MB (a
// thousand bodies fit in one block, so a step has only two barriers).
constexpr std::size_t R3_BUFFER_BYTES = 16u << 20;
constexpr int MAX_BLOCK_ROWS = 1024;
constexpr int MIN_BLOCK_ROWS = 8;

int block_rows(int body_count)
{
    const auto per_row = sizeof(extended) * (static_cast<std::size_t>(body_count) + 1);
    return std::clamp(static_cast<int>(R3_BUFFER_BYTES / per_row), MIN_BLOCK_ROWS, MAX_BLOCK_ROWS);
}

void clear_accelerations(StepWorkspace& w, int n)
{
    std::fill_n(w.ax.begin(), n + 1, extended{0});
    std::fill_n(w.ay.begin(), n + 1, extended{0});
    std::fill_n(w.az.begin(), n + 1, extended{0});
}

// Every pair once: the term of body i and, with the sign turned, the term of body j. Row i runs
// after rows 1..i-1 have added their terms to body i, so each body sums over increasing j.
TouchingPair accelerations_serial(const BodyTable& t, StepWorkspace& w, bool check_touch)
{
    const int n = t.body_count;
    const extended* x = t.x.data();
    const extended* y = t.y.data();
    const extended* z = t.z.data();
    const double* radius = t.radius.data();
    const extended* gm = w.gm.data();
    extended* ax = w.ax.data();
    extended* ay = w.ay.data();
    extended* az = w.az.data();

    clear_accelerations(w, n);
    for (int i = 1; i <= n; ++i) {
        const extended xi = x[i], yi = y[i], zi = z[i];
        const extended gmi = gm[i];
        const extended ri = radius[i];
        extended axi = ax[i], ayi = ay[i], azi = az[i];
        for (int j = i + 1; j <= n; ++j) {
            const extended dx = x[j] - xi;
            const extended dy = y[j] - yi;
            const extended dz = z[j] - zi;
            const extended r = std::sqrt(dx * dx + dy * dy + dz * dz);
            if (check_touch && r <= static_cast<extended>(radius[j]) + ri) return {i, j};
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
    return {};
}

// The same sums shared among the workers with identical bits. Rows are taken in blocks: first the
// members compute r^3 of the block's pairs (each row's columns split among them), then each member
// adds, for the bodies it owns, the block's terms in increasing order of the other body.
struct ParallelSums {
    const BodyTable& t;
    StepWorkspace& w;
    bool check_touch;
    std::vector<TouchingPair>& found;
    TouchingPair first;

    void block_r3(int member, int members, int k0, int k1)
    {
        const int n = t.body_count;
        const std::size_t stride = static_cast<std::size_t>(n) + 1;
        TouchingPair& mine = found[member];
        for (int k = k0; k < k1 && !mine; ++k) {
            const int len = n - k;
            const int a = k + 1 + static_cast<int>(static_cast<long long>(len) * member / members);
            const int b = k + 1 + static_cast<int>(static_cast<long long>(len) * (member + 1) / members);
            const extended xk = t.x[k], yk = t.y[k], zk = t.z[k];
            const extended rk = t.radius[k];
            extended* r3 = w.r3_block.data() + static_cast<std::size_t>(k - k0) * stride;
            for (int j = a; j < b; ++j) {
                const extended dx = t.x[j] - xk;
                const extended dy = t.y[j] - yk;
                const extended dz = t.z[j] - zk;
                const extended r = std::sqrt(dx * dx + dy * dy + dz * dz);
                if (check_touch && r <= static_cast<extended>(t.radius[j]) + rk) {
                    mine = {k, j};
                    break;
                }
                r3[j] = r * r * r;
            }
        }
    }

    void block_terms(int member, int members, int k0, int k1)
    {
        // Reading r^3 along a row (a block body's own row) and down a column (terms from the
        // block's rows) cost differently, so every member takes the same mix of both: every
        // members-th body of the block, whose mix changes along it, and an equal run of the later
        // bodies, which all read columns only.
        const int n = t.body_count;
        body_terms(k0, k1, k0 + member, k1, members);
        const int later = n + 1 - k1;
        const int lo = k1 + static_cast<int>(static_cast<long long>(later) * member / members);
        const int hi = k1 + static_cast<int>(static_cast<long long>(later) * (member + 1) / members);
        body_terms(k0, k1, lo, hi, 1);
    }

    // Adds the block's terms to bodies first, first + step, ... below end.
    void body_terms(int k0, int k1, int first, int end, int step)
    {
        const int n = t.body_count;
        const std::size_t stride = static_cast<std::size_t>(n) + 1;
        const extended* gm = w.gm.data();
        for (int i = first; i < end; i += step) {
            const extended xi = t.x[i], yi = t.y[i], zi = t.z[i];
            extended axi = w.ax[i], ayi = w.ay[i], azi = w.az[i];
            const int k_end = std::min(k1, i);
            for (int k = k0; k < k_end; ++k) {
                const extended r3 = w.r3_block[static_cast<std::size_t>(k - k0) * stride + i];
                const extended dx = xi - t.x[k];
                const extended dy = yi - t.y[k];
                const extended dz = zi - t.z[k];
                axi -= gm[k] * dx / r3;
                ayi -= gm[k] * dy / r3;
                azi -= gm[k] * dz / r3;
            }
            if (i < k1) {
                const extended* r3 = w.r3_block.data() + static_cast<std::size_t>(i - k0) * stride;
                for (int j = i + 1; j <= n; ++j) {
                    const extended dx = t.x[j] - xi;
                    const extended dy = t.y[j] - yi;
                    const extended dz = t.z[j] - zi;
                    axi += gm[j] * dx / r3[j];
                    ayi += gm[j] * dy / r3[j];
                    azi += gm[j] * dz / r3[j];
                }
            }
            w.ax[i] = axi;
            w.ay[i] = ayi;
            w.az[i] = azi;
        }
    }

    void run(int member)
    {
        ForceWorkers& team = *w.workers;
        const int members = team.size();
        const int n = t.body_count;
        const int rows = block_rows(n);
        for (int k0 = 1; k0 <= n; k0 += rows) {
            const int k1 = std::min(k0 + rows, n + 1);
            block_r3(member, members, k0, k1);
            team.barrier();
            TouchingPair touch;
            for (const TouchingPair& f : found)
                if (f && (!touch || f.i < touch.i || (f.i == touch.i && f.j < touch.j))) touch = f;
            if (touch) {
                if (member == 0) first = touch;
                return;
            }
            block_terms(member, members, k0, k1);
            team.barrier();
        }
    }
};

TouchingPair accelerations_parallel(const BodyTable& t, StepWorkspace& w, bool check_touch)
{
    clear_accelerations(w, t.body_count);
    std::fill(w.touch_found.begin(), w.touch_found.end(), TouchingPair{});
    ParallelSums sums{t, w, check_touch, w.touch_found, {}};
    w.workers->run([&sums](int member) { sums.run(member); });
    return sums.first;
}

}  // namespace

void init_workspace(StepWorkspace& w, const BodyTable& table, int threads)
{
    const auto size = static_cast<std::size_t>(table.body_count) + 1;
    w.gm.assign(size, 0);
    w.ax.assign(size, 0);
    w.ay.assign(size, 0);
    w.az.assign(size, 0);
    w.logged_ax = w.logged_ay = w.logged_az = 0;
    const bool shared = threads > 1 && table.body_count >= w.parallel_min_bodies;
    if (shared) {
        if (!w.workers || w.workers->size() != threads) w.workers = std::make_unique<ForceWorkers>(threads);
        w.r3_block.assign(static_cast<std::size_t>(block_rows(table.body_count)) * size, 0);
        w.touch_found.assign(static_cast<std::size_t>(threads), TouchingPair{});
    } else {
        w.workers.reset();
        w.r3_block.clear();
    }
}

void prepare_step(const BodyTable& table, const SimulationState& state, StepWorkspace& w)
{
    w.h = state.run_direction == 2 ? -state.dt : state.dt;
    for (int j = 1; j <= table.body_count; ++j) w.gm[j] = state.grav_constant * table.mass[j];
}

TouchingPair compute_accelerations(const BodyTable& table, StepWorkspace& work, bool check_touch)
{
    if (work.workers && table.body_count >= work.parallel_min_bodies)
        return accelerations_parallel(table, work, check_touch);
    return accelerations_serial(table, work, check_touch);
}

namespace {

void save_logged(StepWorkspace& w, int i)
{
    w.logged_ax = w.ax[i];
    w.logged_ay = w.ay[i];
    w.logged_az = w.az[i];
}

// The burn of the pending impulse entry, between the kick and the drift of the impulse body.
void apply_thrust(BodyTable& t, SimulationState& s, StepWorkspace& w, int b, double camera_distance,
                  StepResult& result)
{
    const int k = s.impulse_next;
    if (k < 1 || k > MAX_IMPULSE_ENTRIES || s.impulse_count < k) return;
    const ImpulseEntry& entry = s.impulse_table[k];
    const extended now = s.sim_time;
    const extended start = entry.start_time;
    const extended end = start + entry.duration;
    if (start < now && now <= end) {
        const extended ux = -entry.exhaust_vx;
        const extended uy = -entry.exhaust_vy;
        const extended uz = -entry.exhaust_vz;
        const extended dm = w.h * entry.ejected_mass / entry.duration;
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
        const extended longest = std::max({std::fabs(ux), std::fabs(uy), std::fabs(uz)});
        if (longest > 0) {
            const extended f = (static_cast<extended>(camera_distance) / 10) / longest;
            ExhaustPlume& plume = s.exhaust_plume;
            plume.trail_x = {static_cast<double>(t.x[b]), static_cast<double>(t.x[b] - f * ux)};
            plume.trail_y = {static_cast<double>(t.y[b]), static_cast<double>(t.y[b] - f * uy)};
            plume.trail_z = {static_cast<double>(t.z[b]), static_cast<double>(t.z[b] - f * uz)};
        }
    }
    if (now >= end) s.impulse_next = k + 1;
}

}  // namespace

StepResult gravity_step(BodyTable& t, SimulationState& s, StepWorkspace& w, double camera_distance)
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
    const extended h = w.h;
    const int impulse = is_body(t, s.impulse_body) ? s.impulse_body : 0;
    for (int i = 1; i <= n; ++i) {
        if (i == impulse) continue;
        t.vx[i] += h * w.ax[i];
        t.x[i] += h * t.vx[i];
        t.vy[i] += h * w.ay[i];
        t.y[i] += h * t.vy[i];
        t.vz[i] += h * w.az[i];
        t.z[i] += h * t.vz[i];
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

    s.sim_time += h;
    if ((s.run_direction == 2) ? s.sim_time <= s.stop_time : s.sim_time >= s.stop_time) result.stop = true;
    return result;
}

}  // namespace orbilan
