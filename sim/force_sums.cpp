// The force sums of a step, shared by a team of force workers.
//
// Every body adds the terms of the other bodies in one fixed order, whatever the number of
// workers: the terms of the bodies before it in increasing order, then those of the bodies after
// it (in increasing order in extended precision, lane by lane in double precision). Rounding makes
// floating-point addition depend on its order, so a sum split among threads in whatever order they
// happen to run would change the last bits from one run to the next; in this order one thread and
// many give identical bits, and a paused run that resumes with another team continues exactly.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>

#include "sim/gravity_step.h"

namespace orbilan {

namespace {

// A square of the triangle of pairs.
struct Tile {
    int i0, i1;  // row bodies [i0, i1)
    int j0, j1;  // column bodies [j0, j1); on the diagonal (j0 == i0) only the pairs j > i
    bool diagonal() const { return i0 == j0; }
};

// The extended-precision sums. An 80-bit value costs a slow load or store whenever it leaves the
// eight x87 registers, so each pass over a tile keeps only a few running values in registers, and
// 1/r^3 of a pair is computed once and serves both its bodies.
constexpr int MAX_TILE = 64;

// inverse_cube(i, j) = 1 / r^3 for the pairs of the tile, MAX_TILE entries per row. With check_touch,
// returns the tile's first pair whose spheres touch.
template <bool check_touch>
TouchingPair inverse_cubes(const BodyTable& table, const Tile& tile, extended* inverse_cube)
{
    const extended* x = table.x.data();
    const extended* y = table.y.data();
    const extended* z = table.z.data();
    TouchingPair touch;
    for (int i = tile.i0; i < tile.i1; ++i) {
        const extended xi = x[i], yi = y[i], zi = z[i];
        extended* inverse_cube_i = inverse_cube + static_cast<std::ptrdiff_t>(i - tile.i0) * MAX_TILE;
        for (int j = tile.diagonal() ? i + 1 : tile.j0; j < tile.j1; ++j) {
            const extended dx = x[j] - xi;
            const extended dy = y[j] - yi;
            const extended dz = z[j] - zi;
            const extended r2 = dx * dx + dy * dy + dz * dz;
            const extended r = std::sqrt(r2);
            if (check_touch && !touch &&
                r <= static_cast<extended>(table.radius[j]) + static_cast<extended>(table.radius[i]))
                touch = {i, j};
            inverse_cube_i[j - tile.j0] = 1 / (r2 * r);
        }
    }
    return touch;
}

// a_j += G m_i (x_i - x_j) inverse_cube(i, j) for the column bodies, over the rows in increasing i.
void column_sums(const BodyTable& table, StepWorkspace& work, const Tile& tile, const extended* inverse_cube)
{
    const extended* x = table.x.data();
    const extended* y = table.y.data();
    const extended* z = table.z.data();
    const extended* gm = work.gm.data();
    for (int j = tile.j0; j < tile.j1; ++j) {
        const extended xj = x[j], yj = y[j], zj = z[j];
        extended axj = work.ax[j], ayj = work.ay[j], azj = work.az[j];
        const extended* inverse_cube_j = inverse_cube + (j - tile.j0);
        const int end = tile.diagonal() ? j : tile.i1;
        for (int i = tile.i0; i < end; ++i) {
            const extended g = gm[i] * inverse_cube_j[static_cast<std::ptrdiff_t>(i - tile.i0) * MAX_TILE];
            axj += g * (x[i] - xj);
            ayj += g * (y[i] - yj);
            azj += g * (z[i] - zj);
        }
        work.ax[j] = axj;
        work.ay[j] = ayj;
        work.az[j] = azj;
    }
}

// a_i += G m_j (x_j - x_i) inverse_cube(i, j) for the row bodies, over the columns in increasing j.
void row_sums(const BodyTable& table, StepWorkspace& work, const Tile& tile, const extended* inverse_cube)
{
    const extended* x = table.x.data();
    const extended* y = table.y.data();
    const extended* z = table.z.data();
    const extended* gm = work.gm.data();
    for (int i = tile.i0; i < tile.i1; ++i) {
        const extended xi = x[i], yi = y[i], zi = z[i];
        extended axi = work.ax[i], ayi = work.ay[i], azi = work.az[i];
        const extended* inverse_cube_i = inverse_cube + static_cast<std::ptrdiff_t>(i - tile.i0) * MAX_TILE;
        for (int j = tile.diagonal() ? i + 1 : tile.j0; j < tile.j1; ++j) {
            const extended g = gm[j] * inverse_cube_i[j - tile.j0];
            axi += g * (x[j] - xi);
            ayi += g * (y[j] - yi);
            azi += g * (z[j] - zi);
        }
        work.ax[i] = axi;
        work.ay[i] = ayi;
        work.az[i] = azi;
    }
}

// How the tiles of one number type are summed; both kinds keep each body's terms in one order.
template <typename Real>
struct PairSums;

template <>
struct PairSums<extended> {
    static constexpr int MAX_SIDE = MAX_TILE;
    static constexpr int MIN_SIDE = 16;

    static void init(StepWorkspace& work, int members)
    {
        work.scratch.tiles.assign(static_cast<std::size_t>(members), std::vector<extended>(MAX_TILE * MAX_TILE));
    }
    static void begin(const BodyTable& table, StepWorkspace& work)
    {
        const int n = table.body_count;
        std::fill_n(work.ax.begin(), n + 1, extended{0});
        std::fill_n(work.ay.begin(), n + 1, extended{0});
        std::fill_n(work.az.begin(), n + 1, extended{0});
    }
    // On the diagonal, a body's terms from the bodies before it come first.
    static TouchingPair tile(const BodyTable& table, StepWorkspace& work, const Tile& tile, int member,
                             bool check_touch)
    {
        extended* inverse_cube = work.scratch.tiles[static_cast<std::size_t>(member)].data();
        const TouchingPair touch = check_touch ? inverse_cubes<true>(table, tile, inverse_cube)
                                               : inverse_cubes<false>(table, tile, inverse_cube);
        column_sums(table, work, tile, inverse_cube);
        row_sums(table, work, tile, inverse_cube);
        return touch;
    }
    static void end(const BodyTable&, StepWorkspace&) {}
};

// The double-precision sums: the lane kernel, on bodies numbered from 0.
template <>
struct PairSums<double> {
    static constexpr int MAX_SIDE = 256;
    static constexpr int MIN_SIDE = 4 * LANES;

    static void init(BasicStepWorkspace<double>& work, int)
    {
        if (!work.scratch.kernel) work.scratch.kernel = &best_lane_kernel();
    }
    static void begin(const BasicBodyTable<double>& table, BasicStepWorkspace<double>& work)
    {
        begin_lane_sums(work.scratch.sums, table.body_count, table.x.data(), table.y.data(), table.z.data(),
                        work.gm.data(), table.radius.data());
    }
    static TouchingPair tile(const BasicBodyTable<double>&, BasicStepWorkspace<double>& work, const Tile& tile, int,
                             bool check_touch)
    {
        return work.scratch.kernel->tile(work.scratch.sums, tile.i0 - 1, tile.i1 - 1, tile.j0 - 1, tile.j1 - 1,
                                         check_touch);
    }
    static void end(const BasicBodyTable<double>&, BasicStepWorkspace<double>& work)
    {
        finish_lane_sums(work.scratch.sums, work.ax.data(), work.ay.data(), work.az.data());
    }
};

// Large tiles make the passes cheapest, smaller ones give every member rows of tiles to take; the
// sums come out the same for any side.
template <typename Real>
int tile_side(int body_count, int members)
{
    int side = PairSums<Real>::MAX_SIDE;
    while (side > PairSums<Real>::MIN_SIDE && (body_count + side - 1) / side < 4 * members) side /= 2;
    return side;
}

// A body receives the terms of its column tiles from the rows above it, then those of its own row,
// so tile (I, J) comes after tile (I, J-1) and after tile (I-1, J). Members take whichever tile is
// ready, one at a time, never two of one row: every body adds its terms in the same order however
// many members share the work and however they are scheduled.
template <typename Real>
struct TiledSums {
    const BasicBodyTable<Real>& table;
    BasicStepWorkspace<Real>& work;
    bool check_touch;
    int side;
    int rows;
    std::atomic<unsigned> tiles_finished{0};  // all rows together, for members that wait
    std::atomic<int> first_open_row{0};

    Tile tile(int row, int column) const
    {
        const int n = table.body_count;
        return {1 + row * side, std::min(1 + (row + 1) * side, n + 1), 1 + column * side,
                std::min(1 + (column + 1) * side, n + 1)};
    }

    unsigned row_length(int row) const { return static_cast<unsigned>(rows - row); }

    // The next tile of the row, done tiles into it, may start: row-1 has finished that column.
    bool ready(int row, unsigned done) const
    {
        return done < row_length(row) &&
               (row == 0 || work.tiles_done[row - 1].load(std::memory_order_acquire) >= done + 2);
    }

    // The same order on the calling thread alone, with nothing to wait for.
    TouchingPair run_alone()
    {
        TouchingPair first;
        for (int row = 0; row < rows; ++row)
            for (int column = row; column < rows; ++column) {
                const TouchingPair touch = PairSums<Real>::tile(table, work, tile(row, column), 0, check_touch);
                if (touch && comes_before(touch, first)) first = touch;
            }
        return first;
    }

    // A row whose next tile is ready and that no other member works on, now taken; -1 if none.
    int take_row()
    {
        int row = first_open_row.load(std::memory_order_relaxed);
        for (; row < rows && work.tiles_done[row].load(std::memory_order_acquire) == row_length(row); ++row) {
            int open = row;
            first_open_row.compare_exchange_weak(open, row + 1, std::memory_order_relaxed);
        }
        for (; row < rows; ++row) {
            if (!ready(row, work.tiles_done[row].load(std::memory_order_acquire))) continue;
            if (work.row_taken[row].exchange(true, std::memory_order_acquire)) continue;
            if (ready(row, work.tiles_done[row].load(std::memory_order_acquire))) return row;
            work.row_taken[row].store(false, std::memory_order_release);
        }
        return -1;
    }

    void run(int member)
    {
        TouchingPair& found = work.touch_found[static_cast<std::size_t>(member)];
        const unsigned all = static_cast<unsigned>(rows) * static_cast<unsigned>(rows + 1) / 2;
        for (;;) {
            const unsigned finished = tiles_finished.load(std::memory_order_acquire);
            if (finished == all) return;
            const int row = take_row();
            if (row < 0) {
                wait_for_change(tiles_finished, finished);
                continue;
            }
            const unsigned done = work.tiles_done[row].load(std::memory_order_relaxed);
            const TouchingPair touch =
                PairSums<Real>::tile(table, work, tile(row, row + static_cast<int>(done)), member, check_touch);
            if (touch && comes_before(touch, found)) found = touch;
            work.tiles_done[row].store(done + 1, std::memory_order_release);
            work.row_taken[row].store(false, std::memory_order_release);
            tiles_finished.fetch_add(1, std::memory_order_release);
            tiles_finished.notify_all();
        }
    }
};

template <typename Real>
int members_for(const BasicStepWorkspace<Real>& work, int body_count)
{
    return work.workers && body_count >= work.parallel_min_bodies ? work.workers->size() : 1;
}

}  // namespace

template <typename Real>
void init_workspace(BasicStepWorkspace<Real>& work, const BasicBodyTable<Real>& table, int threads)
{
    const auto size = static_cast<std::size_t>(table.body_count) + 1;
    work.gm.assign(size, 0);
    work.ax.assign(size, 0);
    work.ay.assign(size, 0);
    work.az.assign(size, 0);
    work.logged_ax = work.logged_ay = work.logged_az = 0;
    if (threads > 1 && table.body_count >= work.parallel_min_bodies) {
        if (!work.workers || work.workers->size() != threads) work.workers = std::make_unique<ForceWorkers>(threads);
    } else {
        work.workers.reset();
    }
    const int members = members_for(work, table.body_count);
    PairSums<Real>::init(work, members);
    work.touch_found.assign(static_cast<std::size_t>(members), TouchingPair{});
    const int rows = (table.body_count + PairSums<Real>::MIN_SIDE - 1) / PairSums<Real>::MIN_SIDE;
    if (rows > work.tile_rows_capacity) {
        work.tiles_done = std::make_unique<std::atomic<unsigned>[]>(static_cast<std::size_t>(rows));
        work.row_taken = std::make_unique<std::atomic<bool>[]>(static_cast<std::size_t>(rows));
        work.tile_rows_capacity = rows;
    }
}

template <typename Real>
TouchingPair compute_accelerations(const BasicBodyTable<Real>& table, BasicStepWorkspace<Real>& work, bool check_touch)
{
    const int n = table.body_count;
    PairSums<Real>::begin(table, work);
    const int members = members_for(work, n);
    const bool shared = members > 1 && work.team_choice.shared();
    const int side = tile_side<Real>(n, shared ? members : 1);
    TiledSums<Real> sums{table, work, check_touch, side, (n + side - 1) / side};
    TouchingPair first;
    if (members > 1) {
        for (int row = 0; row < sums.rows; ++row) {
            work.tiles_done[row].store(0, std::memory_order_relaxed);
            work.row_taken[row].store(false, std::memory_order_relaxed);
        }
        std::fill(work.touch_found.begin(), work.touch_found.end(), TouchingPair{});
        const auto start = std::chrono::steady_clock::now();
        if (shared)
            work.workers->run([&sums](int member) { sums.run(member); });
        else
            sums.run(0);
        work.team_choice.record(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        for (const TouchingPair& found : work.touch_found)
            if (found && comes_before(found, first)) first = found;
    } else {
        first = sums.run_alone();
    }
    if (!first) PairSums<Real>::end(table, work);
    return first;
}

template void init_workspace(BasicStepWorkspace<extended>&, const BasicBodyTable<extended>&, int);
template void init_workspace(BasicStepWorkspace<double>&, const BasicBodyTable<double>&, int);
template TouchingPair compute_accelerations(const BasicBodyTable<extended>&, BasicStepWorkspace<extended>&, bool);
template TouchingPair compute_accelerations(const BasicBodyTable<double>&, BasicStepWorkspace<double>&, bool);

}  // namespace orbilan
