// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "sim/collisions.h"

namespace orbilan {

// A square of the triangle of pairs.
struct Tile {
    int i0, i1;  // row bodies [i0, i1)
    int j0, j1;  // column bodies [j0, j1); on the diagonal (j0 == i0) only the pairs j > i
    bool diagonal() const { return i0 == j0; }
};

// Which tiles of a shared force sum are done and which rows the members hold.
//
// Tile (I, J) adds terms to the accelerations of row block I and of column block J. A body
// receives the terms of its column tiles from the rows above it, then those of its own row, so
// tile (I, J) starts only after tiles (I, J-1) and (I-1, J), and a member takes one tile of a row
// at a time. Hence two tiles in progress never write the same block: two of one row never run
// together; in one column, (I-1, J) finishes before (I, J) starts; and block J, a column of the
// rows above it, becomes a row only at tile (J, J), which waits for every tile above it.
struct TileSchedule {
    // Room for `rows` rows of tiles and `members` members.
    void reserve(int rows, int members);
    // Nothing done, nothing taken, nothing found, for a sum over `rows` rows.
    void reset(int rows);

    std::vector<TouchingPair> touch_found;                // first touching pair seen by each member
    std::unique_ptr<std::atomic<unsigned>[]> tiles_done;  // per row
    std::unique_ptr<std::atomic<bool>[]> row_taken;       // a member works on the row
    int rows_capacity = 0;
    std::atomic<unsigned> tiles_finished{0};  // all rows together, for members that wait
    std::atomic<int> first_open_row{0};       // every row before it is finished
};

}  // namespace orbilan
