#include "sim/gravity_step.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "sim/collisions.h"

namespace orbilan {

StepWorkspace::StepWorkspace() = default;
StepWorkspace::~StepWorkspace() = default;

namespace {

// The force sums walk the triangle of pairs in square tiles. An 80-bit value costs a slow load or
// store whenever it leaves the eight x87 registers, so each pass over a tile keeps only a few
// running values in registers, and 1/r^3 of a pair is computed once and serves both its bodies.
struct Tile {
    int i0, i1;  // row bodies [i0, i1)
    int j0, j1;  // column bodies [j0, j1); on the diagonal (j0 == i0) only the pairs j > i
    bool diagonal() const { return i0 == j0; }
};

constexpr int MAX_TILE = 64;
constexpr int MIN_TILE = 16;

// Large tiles make the passes cheapest, smaller ones give every member rows of tiles to take; the
// sums come out the same for any side.
int tile_side(int body_count, int members)
{
    int side = MAX_TILE;
    while (side > MIN_TILE && (body_count + side - 1) / side < 4 * members) side /= 2;
    return side;
}

bool comes_before(TouchingPair a, TouchingPair b) { return !b || a.i < b.i || (a.i == b.i && a.j < b.j); }

// s(i, j) = 1 / r^3 for the pairs of the tile, `side` entries per row. With check_touch, returns
// the tile's first pair whose spheres touch.
template <bool check_touch>
TouchingPair inverse_cubes(const BodyTable& t, const Tile& tile, int side, extended* s)
{
    const extended* x = t.x.data();
    const extended* y = t.y.data();
    const extended* z = t.z.data();
    TouchingPair touch;
    for (int i = tile.i0; i < tile.i1; ++i) {
        const extended xi = x[i], yi = y[i], zi = z[i];
        extended* si = s + static_cast<std::ptrdiff_t>(i - tile.i0) * side;
        for (int j = tile.diagonal() ? i + 1 : tile.j0; j < tile.j1; ++j) {
            const extended dx = x[j] - xi;
            const extended dy = y[j] - yi;
            const extended dz = z[j] - zi;
            const extended r2 = dx * dx + dy * dy + dz * dz;
            const extended r = std::sqrt(r2);
            if (check_touch && !touch && r <= static_cast<extended>(t.radius[j]) + static_cast<extended>(t.radius[i]))
                touch = {i, j};
            si[j - tile.j0] = 1 / (r2 * r);
        }
    }
    return touch;
}

// a_j += G m_i (x_i - x_j) s(i, j) for the column bodies, over the rows in increasing i.
void column_sums(const BodyTable& t, StepWorkspace& w, const Tile& tile, int side, const extended* s)
{
    const extended* x = t.x.data();
    const extended* y = t.y.data();
    const extended* z = t.z.data();
    const extended* gm = w.gm.data();
    for (int j = tile.j0; j < tile.j1; ++j) {
        const extended xj = x[j], yj = y[j], zj = z[j];
        extended axj = w.ax[j], ayj = w.ay[j], azj = w.az[j];
        const extended* sj = s + (j - tile.j0);
        const int end = tile.diagonal() ? j : tile.i1;
        for (int i = tile.i0; i < end; ++i) {
            const extended g = gm[i] * sj[static_cast<std::ptrdiff_t>(i - tile.i0) * side];
            axj += g * (x[i] - xj);
            ayj += g * (y[i] - yj);
            azj += g * (z[i] - zj);
        }
        w.ax[j] = axj;
        w.ay[j] = ayj;
        w.az[j] = azj;
    }
}

// a_i += G m_j (x_j - x_i) s(i, j) for the row bodies, over the columns in increasing j.
void row_sums(const BodyTable& t, StepWorkspace& w, const Tile& tile, int side, const extended* s)
{
    const extended* x = t.x.data();
    const extended* y = t.y.data();
    const extended* z = t.z.data();
    const extended* gm = w.gm.data();
    for (int i = tile.i0; i < tile.i1; ++i) {
        const extended xi = x[i], yi = y[i], zi = z[i];
        extended axi = w.ax[i], ayi = w.ay[i], azi = w.az[i];
        const extended* si = s + static_cast<std::ptrdiff_t>(i - tile.i0) * side;
        for (int j = tile.diagonal() ? i + 1 : tile.j0; j < tile.j1; ++j) {
            const extended g = gm[j] * si[j - tile.j0];
            axi += g * (x[j] - xi);
            ayi += g * (y[j] - yi);
            azi += g * (z[j] - zi);
        }
        w.ax[i] = axi;
        w.ay[i] = ayi;
        w.az[i] = azi;
    }
}

// Members take whole rows of tiles, in order, whichever is free. A body receives the terms of its
// column tiles from the rows above it, then those of its own row; tile (I, J) therefore waits until
// row I-1 has finished its tile in column J, and every body adds its terms in increasing order
// however many members share the work and however they are scheduled.
struct TiledSums {
    const BodyTable& t;
    StepWorkspace& w;
    bool check_touch;
    int side;
    int rows;
    std::atomic<int> next_row{0};

    Tile tile(int row, int column) const
    {
        const int n = t.body_count;
        return {1 + row * side, std::min(1 + (row + 1) * side, n + 1), 1 + column * side,
                std::min(1 + (column + 1) * side, n + 1)};
    }

    void run(int member)
    {
        extended* s = w.tile_buffers[static_cast<std::size_t>(member)].data();
        TouchingPair& found = w.touch_found[static_cast<std::size_t>(member)];
        for (int row = next_row.fetch_add(1, std::memory_order_relaxed); row < rows;
             row = next_row.fetch_add(1, std::memory_order_relaxed)) {
            for (int column = row; column < rows; ++column) {
                if (row > 0) wait_until_at_least(w.tiles_done[row - 1], static_cast<unsigned>(column - row + 2));
                const Tile here = tile(row, column);
                const TouchingPair touch = check_touch ? inverse_cubes<true>(t, here, side, s)
                                                       : inverse_cubes<false>(t, here, side, s);
                if (touch && comes_before(touch, found)) found = touch;
                column_sums(t, w, here, side, s);
                row_sums(t, w, here, side, s);
                w.tiles_done[row].fetch_add(1, std::memory_order_release);
                w.tiles_done[row].notify_all();
            }
        }
    }
};

int members_for(const StepWorkspace& w, int body_count)
{
    return w.workers && body_count >= w.parallel_min_bodies ? w.workers->size() : 1;
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
    if (threads > 1 && table.body_count >= w.parallel_min_bodies) {
        if (!w.workers || w.workers->size() != threads) w.workers = std::make_unique<ForceWorkers>(threads);
    } else {
        w.workers.reset();
    }
    const int members = members_for(w, table.body_count);
    w.tile_buffers.assign(static_cast<std::size_t>(members), std::vector<extended>(MAX_TILE * MAX_TILE));
    w.touch_found.assign(static_cast<std::size_t>(members), TouchingPair{});
    const int rows = (table.body_count + MIN_TILE - 1) / MIN_TILE;
    if (rows > w.tile_rows_capacity) {
        w.tiles_done = std::make_unique<std::atomic<unsigned>[]>(static_cast<std::size_t>(rows));
        w.tile_rows_capacity = rows;
    }
}

void prepare_step(const BodyTable& table, const SimulationState& state, StepWorkspace& w)
{
    w.h = state.run_direction == 2 ? -state.dt : state.dt;
    for (int j = 1; j <= table.body_count; ++j) w.gm[j] = state.grav_constant * table.mass[j];
}

TouchingPair compute_accelerations(const BodyTable& table, StepWorkspace& work, bool check_touch)
{
    const int n = table.body_count;
    std::fill_n(work.ax.begin(), n + 1, extended{0});
    std::fill_n(work.ay.begin(), n + 1, extended{0});
    std::fill_n(work.az.begin(), n + 1, extended{0});
    const int members = members_for(work, n);
    const bool shared = members > 1 && work.team_choice.shared();
    const int side = tile_side(n, shared ? members : 1);
    TiledSums sums{table, work, check_touch, side, (n + side - 1) / side};
    for (int row = 0; row < sums.rows; ++row) work.tiles_done[row].store(0, std::memory_order_relaxed);
    std::fill(work.touch_found.begin(), work.touch_found.end(), TouchingPair{});
    if (members > 1) {
        const auto start = std::chrono::steady_clock::now();
        if (shared)
            work.workers->run([&sums](int member) { sums.run(member); });
        else
            sums.run(0);
        work.team_choice.record(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    } else {
        sums.run(0);
    }
    TouchingPair first;
    for (const TouchingPair& found : work.touch_found)
        if (found && comes_before(found, first)) first = found;
    return first;
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
