// SPDX-License-Identifier: GPL-3.0-or-later
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
#include <cstring>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

#include "sim/extended_tile.h"
#include "sim/sums_exchange.h"

namespace orbilan {

namespace {

template <typename Real>
Real* acceleration(BasicStepWorkspace<Real>& work, int axis, int b)
{
    std::vector<Real>* axes[3] = {&work.ax, &work.ay, &work.az};
    return &axes[axis]->at(static_cast<std::size_t>(b));
}

// How the tiles of one number type are summed; both kinds keep each body's terms in one order.
template <typename Real>
struct PairSums;

template <>
struct PairSums<extended> {
    static constexpr int MAX_SIDE = EXTENDED_TILE_SIDE;
    static constexpr int MIN_SIDE = 16;

    static void init(StepWorkspace& work, int members)
    {
        work.scratch.tiles.assign(static_cast<std::size_t>(members),
                                  std::vector<extended>(EXTENDED_TILE_SIDE * EXTENDED_TILE_SIDE));
    }
    static void begin(const BodyTable& table, StepWorkspace& work)
    {
        const int n = table.body_count;
        std::fill_n(work.ax.begin(), n + 1, extended{0});
        std::fill_n(work.ay.begin(), n + 1, extended{0});
        std::fill_n(work.az.begin(), n + 1, extended{0});
    }
    static TouchingPair tile(const BodyTable& table, StepWorkspace& work, const Tile& tile, int member,
                             bool check_touch)
    {
        return extended_tile_sums(table, work, tile, member, check_touch);
    }
    static void end(const BodyTable&, StepWorkspace&) {}

    // The running sums of body b while its column tiles are added: its acceleration so far.
    static extended* column(StepWorkspace& work, int axis, int b) { return acceleration(work, axis, b); }
    // The bodies [b0, b1) have all their terms.
    static void finish(StepWorkspace&, int, int) {}
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

    // While its column tiles are added, body b sums the terms of the bodies before it alone.
    static double* column(BasicStepWorkspace<double>& work, int axis, int b)
    {
        LaneSums& sums = work.scratch.sums;
        std::vector<double>* before[3] = {&sums.before_x, &sums.before_y, &sums.before_z};
        return &before[axis]->at(static_cast<std::size_t>(b - 1));
    }
    static void finish(BasicStepWorkspace<double>& work, int b0, int b1)
    {
        finish_lane_sums(work.scratch.sums, work.ax.data(), work.ay.data(), work.az.data(), b0 - 1, b1 - 1);
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

// Members take whichever tile is ready (see TileSchedule), one at a time: every body adds its terms
// in the same order however many members share the work and however they are scheduled.
template <typename Real>
struct TiledSums {
    const BasicBodyTable<Real>& table;
    BasicStepWorkspace<Real>& work;
    TileSchedule& schedule;
    bool check_touch;
    int side;
    int rows;

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
               (row == 0 || schedule.tiles_done[row - 1].load(std::memory_order_acquire) >= done + 2);
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
        int row = schedule.first_open_row.load(std::memory_order_relaxed);
        for (; row < rows && schedule.tiles_done[row].load(std::memory_order_acquire) == row_length(row); ++row) {
            int open = row;
            schedule.first_open_row.compare_exchange_weak(open, row + 1, std::memory_order_relaxed);
        }
        for (; row < rows; ++row) {
            if (!ready(row, schedule.tiles_done[row].load(std::memory_order_acquire))) continue;
            if (schedule.row_taken[row].exchange(true, std::memory_order_acquire)) continue;
            if (ready(row, schedule.tiles_done[row].load(std::memory_order_acquire))) return row;
            schedule.row_taken[row].store(false, std::memory_order_release);
        }
        return -1;
    }

    void run(int member)
    {
        TouchingPair& found = schedule.touch_found[static_cast<std::size_t>(member)];
        const unsigned all = static_cast<unsigned>(rows) * static_cast<unsigned>(rows + 1) / 2;
        for (;;) {
            const unsigned finished = schedule.tiles_finished.load(std::memory_order_acquire);
            if (finished == all) return;
            const int row = take_row();
            if (row < 0) {
                wait_for_change(schedule.tiles_finished, finished);
                continue;
            }
            const unsigned done = schedule.tiles_done[row].load(std::memory_order_relaxed);
            const TouchingPair touch =
                PairSums<Real>::tile(table, work, tile(row, row + static_cast<int>(done)), member, check_touch);
            if (touch && comes_before(touch, found)) found = touch;
            schedule.tiles_done[row].store(done + 1, std::memory_order_release);
            schedule.row_taken[row].store(false, std::memory_order_release);
            schedule.tiles_finished.fetch_add(1, std::memory_order_release);
            schedule.tiles_finished.notify_all();
        }
    }
};

// The bytes of a value that travel: the 80 bits of an extended value, without its padding.
template <typename Real>
constexpr std::size_t VALUE_BYTES = std::is_same_v<Real, extended> ? 10 : sizeof(Real);

// x, y and z of the bodies [b0, b1), one axis after the other.
template <typename Real, typename Get>
void put_axes(std::vector<char>& out, int b0, int b1, Get&& get)
{
    std::size_t at = out.size();
    out.resize(at + 3 * static_cast<std::size_t>(b1 - b0) * VALUE_BYTES<Real>);
    for (int axis = 0; axis < 3; ++axis)
        for (int b = b0; b < b1; ++b, at += VALUE_BYTES<Real>) std::memcpy(&out[at], get(axis, b), VALUE_BYTES<Real>);
}

template <typename Real, typename Get>
const char* take_axes(const char* in, int b0, int b1, Get&& get)
{
    for (int axis = 0; axis < 3; ++axis)
        for (int b = b0; b < b1; ++b, in += VALUE_BYTES<Real>) std::memcpy(get(axis, b), in, VALUE_BYTES<Real>);
    return in;
}

// The triangle of tiles shared among processes that each hold the whole state: row I of tiles
// belongs to process I mod K, whose members take its rows as they take all rows alone (see
// TileSchedule). The running sums of a column block travel down the column, from the process of
// row I-1 to that of row I after each tile, so that every body adds its terms in the one order; a
// row is ready for its next tile when the block has arrived. At the end each process finishes the
// bodies of its rows and all of them exchange the accelerations.
template <typename Real>
struct ProcessShare {
    using Pair = PairSums<Real>;
    TiledSums<Real>& sums;
    SumsExchange& exchange;
    int ranks;
    int rank;
    // One member at a time talks to the other processes.
    std::mutex talking;
    // Of each row of this process, the next column whose block is to arrive from the row above.
    std::vector<int> next_arrival;
    std::vector<char> bytes;

    Real* column(int axis, int b) { return Pair::column(sums.work, axis, b); }

    unsigned own_tiles() const
    {
        unsigned tiles = 0;
        for (int row = rank; row < sums.rows; row += ranks) tiles += sums.row_length(row);
        return tiles;
    }

    // Rows of other processes are never taken here; the blocks they pass mark their tiles done.
    void reset()
    {
        sums.schedule.reset(sums.rows);
        for (int row = 0; row < sums.rows; ++row)
            if (row % ranks != rank) sums.schedule.row_taken[row].store(true, std::memory_order_relaxed);
        next_arrival.clear();
        for (int row = rank; row < sums.rows; row += ranks) next_arrival.push_back(row == 0 ? sums.rows : row);
    }

    // The blocks that have arrived. The members of the process before work on several rows at
    // once, so each row's blocks travel apart, in order, under the number of the row they leave.
    void take_arrivals()
    {
        std::unique_lock lock(talking, std::try_to_lock);
        if (!lock) return;
        const int from = (rank + ranks - 1) % ranks;
        for (std::size_t k = 0; k < next_arrival.size(); ++k) {
            const int above = rank + static_cast<int>(k) * ranks - 1;
            for (int& col = next_arrival[k]; col < sums.rows; ++col) {
                const Tile tile = sums.tile(above, col);
                bytes.resize(3 * static_cast<std::size_t>(tile.j1 - tile.j0) * VALUE_BYTES<Real>);
                if (!exchange.try_receive(from, above, bytes.data(), bytes.size())) break;
                take_axes<Real>(bytes.data(), tile.j0, tile.j1, [this](int axis, int b) { return column(axis, b); });
                sums.schedule.tiles_done[above].store(static_cast<unsigned>(col - above + 1),
                                                      std::memory_order_release);
            }
        }
    }

    // A row of this process whose next tile is ready and that no other member works on, now
    // taken; -1 if none.
    int take_row()
    {
        TileSchedule& schedule = sums.schedule;
        for (int row = rank; row < sums.rows; row += ranks) {
            const unsigned done = schedule.tiles_done[row].load(std::memory_order_acquire);
            if (!sums.ready(row, done) || schedule.row_taken[row].exchange(true, std::memory_order_acquire)) continue;
            if (sums.ready(row, schedule.tiles_done[row].load(std::memory_order_acquire))) return row;
            schedule.row_taken[row].store(false, std::memory_order_release);
        }
        return -1;
    }

    void run(int member, unsigned all)
    {
        TileSchedule& schedule = sums.schedule;
        TouchingPair& found = schedule.touch_found[static_cast<std::size_t>(member)];
        auto idle_since = std::chrono::steady_clock::time_point::max();
        while (schedule.tiles_finished.load(std::memory_order_acquire) < all) {
            const int row = take_row();
            if (row < 0) {
                take_arrivals();
                // Blocks usually arrive within a tile's time; a member that waits far longer sleeps
                // between looks, leaving the core to whatever else runs on the machine. Not
                // sooner: a process that sleeps on a busy machine wakes a scheduling round later.
                const auto now = std::chrono::steady_clock::now();
                idle_since = std::min(idle_since, now);
                if (now - idle_since < std::chrono::milliseconds(1))
                    std::this_thread::yield();
                else
                    std::this_thread::sleep_for(std::chrono::microseconds(20));
                continue;
            }
            idle_since = std::chrono::steady_clock::time_point::max();
            const unsigned done = schedule.tiles_done[row].load(std::memory_order_relaxed);
            const int col = row + static_cast<int>(done);
            const Tile tile = sums.tile(row, col);
            const TouchingPair touch = Pair::tile(sums.table, sums.work, tile, member, sums.check_touch);
            if (touch && comes_before(touch, found)) found = touch;
            if (row + 1 < sums.rows && col > row) {
                std::vector<char> out;
                put_axes<Real>(out, tile.j0, tile.j1, [this](int axis, int b) { return column(axis, b); });
                std::lock_guard lock(talking);
                exchange.send((row + 1) % ranks, row, std::move(out));
            }
            schedule.tiles_done[row].store(done + 1, std::memory_order_release);
            schedule.row_taken[row].store(false, std::memory_order_release);
            schedule.tiles_finished.fetch_add(1, std::memory_order_release);
        }
    }

    // The first touching pair of all, whichever process found it.
    TouchingPair first_touch()
    {
        TouchingPair first;
        if (!sums.check_touch) return first;
        for (const TouchingPair& found : sums.schedule.touch_found)
            if (found && comes_before(found, first)) first = found;
        const int mine[2] = {first.i, first.j};
        std::vector<char> all;
        exchange.gather_all({reinterpret_cast<const char*>(mine), reinterpret_cast<const char*>(mine + 2)},
                            std::vector<int>(static_cast<std::size_t>(ranks), sizeof mine), all);
        for (int k = 0; k < ranks; ++k) {
            TouchingPair touch;
            std::memcpy(&touch.i, &all[k * sizeof mine], sizeof(int));
            std::memcpy(&touch.j, &all[k * sizeof mine + sizeof(int)], sizeof(int));
            if (touch && comes_before(touch, first)) first = touch;
        }
        return first;
    }

    // The bodies of every row, finished by the process of the row, to every process.
    void gather_accelerations()
    {
        auto& work = sums.work;
        const auto finished = [&work](int axis, int b) { return acceleration(work, axis, b); };
        std::vector<int> sizes(static_cast<std::size_t>(ranks), 0);
        std::vector<char> mine, all;
        for (int row = 0; row < sums.rows; ++row) {
            const Tile own = sums.tile(row, row);
            sizes[static_cast<std::size_t>(row % ranks)] += 3 * (own.i1 - own.i0) * static_cast<int>(VALUE_BYTES<Real>);
            if (row % ranks != rank) continue;
            Pair::finish(work, own.i0, own.i1);
            put_axes<Real>(mine, own.i0, own.i1, finished);
        }
        exchange.gather_all(mine, sizes, all);
        const char* in = all.data();
        for (int k = 0; k < ranks; ++k)
            for (int row = k; row < sums.rows; row += ranks) {
                const Tile own = sums.tile(row, row);
                in = take_axes<Real>(in, own.i0, own.i1, finished);
            }
    }
};

template <typename Real>
int members_for(const BasicStepWorkspace<Real>& work, int body_count)
{
    return work.workers && body_count >= work.parallel_min_bodies ? work.workers->size() : 1;
}

}  // namespace

void TileSchedule::reserve(int rows, int members)
{
    touch_found.assign(static_cast<std::size_t>(members), TouchingPair{});
    if (rows <= rows_capacity) return;
    tiles_done = std::make_unique<std::atomic<unsigned>[]>(static_cast<std::size_t>(rows));
    row_taken = std::make_unique<std::atomic<bool>[]>(static_cast<std::size_t>(rows));
    rows_capacity = rows;
}

void TileSchedule::reset(int rows)
{
    for (int row = 0; row < rows; ++row) {
        tiles_done[row].store(0, std::memory_order_relaxed);
        row_taken[row].store(false, std::memory_order_relaxed);
    }
    std::fill(touch_found.begin(), touch_found.end(), TouchingPair{});
    tiles_finished.store(0, std::memory_order_relaxed);
    first_open_row.store(0, std::memory_order_relaxed);
}

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
    if (!work.schedule) work.schedule = std::make_unique<TileSchedule>();
    work.schedule->reserve((table.body_count + PairSums<Real>::MIN_SIDE - 1) / PairSums<Real>::MIN_SIDE, members);
}

template <typename Real>
TouchingPair compute_accelerations(const BasicBodyTable<Real>& table, BasicStepWorkspace<Real>& work, bool check_touch)
{
    const int n = table.body_count;
    PairSums<Real>::begin(table, work);
    if (work.exchange && work.exchange->ranks() > 1 && n >= work.shared_min_bodies) {
        const int members = members_for(work, n);
        // Large tiles: every tile passes a message, whose cost must stay small beside the tile's.
        const int side = tile_side<Real>(n, work.exchange->ranks() * members);
        TiledSums<Real> sums{table, work, *work.schedule, check_touch, side, (n + side - 1) / side};
        ProcessShare<Real> share{sums, *work.exchange, work.exchange->ranks(), work.exchange->rank(), {}, {}, {}};
        share.reset();
        const unsigned all = share.own_tiles();
        if (members > 1)
            work.workers->run([&share, all](int member) { share.run(member, all); });
        else
            share.run(0, all);
        const TouchingPair first = share.first_touch();
        if (!first) share.gather_accelerations();
        return first;
    }
    const int members = members_for(work, n);
    const bool shared = members > 1 && work.team_choice.shared();
    const int side = tile_side<Real>(n, shared ? members : 1);
    TiledSums<Real> sums{table, work, *work.schedule, check_touch, side, (n + side - 1) / side};
    TouchingPair first;
    if (members > 1) {
        work.schedule->reset(sums.rows);
        const auto start = std::chrono::steady_clock::now();
        if (shared)
            work.workers->run([&sums](int member) { sums.run(member); });
        else
            sums.run(0);
        work.team_choice.record(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        for (const TouchingPair& found : work.schedule->touch_found)
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
