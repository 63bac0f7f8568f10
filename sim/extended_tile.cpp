// SPDX-License-Identifier: GPL-3.0-or-later
// The extended-precision force sums of one tile. An 80-bit value costs a slow load or store
// whenever it leaves the eight x87 registers, so each pass over a tile keeps only a few running
// values in registers, and 1/r^3 of a pair is computed once and serves both its bodies.
#include "sim/extended_tile.h"

#include <cmath>

namespace orbilan {

namespace {

// inverse_cube(i, j) = 1 / r^3 for the pairs of the tile, EXTENDED_TILE_SIDE entries per row. With check_touch,
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
        extended* inverse_cube_i = inverse_cube + static_cast<std::ptrdiff_t>(i - tile.i0) * EXTENDED_TILE_SIDE;
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
            const extended g = gm[i] * inverse_cube_j[static_cast<std::ptrdiff_t>(i - tile.i0) * EXTENDED_TILE_SIDE];
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
        const extended* inverse_cube_i = inverse_cube + static_cast<std::ptrdiff_t>(i - tile.i0) * EXTENDED_TILE_SIDE;
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

}  // namespace

TouchingPair extended_tile_sums(const BodyTable& table, StepWorkspace& work, const Tile& tile, int member,
                                bool check_touch)
{
    extended* inverse_cube = work.scratch.tiles[static_cast<std::size_t>(member)].data();
    const TouchingPair touch =
        check_touch ? inverse_cubes<true>(table, tile, inverse_cube) : inverse_cubes<false>(table, tile, inverse_cube);
    column_sums(table, work, tile, inverse_cube);
    row_sums(table, work, tile, inverse_cube);
    return touch;
}

}  // namespace orbilan
