// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/energy.h"

#include <atomic>
#include <cmath>
#include <vector>

#include "sim/force_workers.h"

namespace orbilan {

namespace {

// G m_i m_j / r over the bodies after i, summed in increasing j.
extended row_potential(const BodyTable& table, extended grav_constant, int i)
{
    const extended xi = table.x[i], yi = table.y[i], zi = table.z[i];
    const extended gmi = grav_constant * table.mass[i];
    extended sum = 0;
    for (int j = i + 1; j <= table.body_count; ++j) {
        const extended dx = table.x[j] - xi;
        const extended dy = table.y[j] - yi;
        const extended dz = table.z[j] - zi;
        sum += gmi * table.mass[j] / std::sqrt(dx * dx + dy * dy + dz * dz);
    }
    return sum;
}

// Both ways of summing add the rows in this order, so they agree to the last bit.
void add_row(EnergySum& sum, const BodyTable& table, int i, extended row)
{
    const extended v2 = table.vx[i] * table.vx[i] + table.vy[i] * table.vy[i] + table.vz[i] * table.vz[i];
    sum.kinetic += table.mass[i] * v2 / 2;
    sum.potential -= row;
}

}  // namespace

extended total_energy(const BodyTable& table, extended grav_constant, int threads)
{
    const int n = table.body_count;
    // Each row's sum lands in its own slot and the rows are added in order, so any number of
    // workers gives the same bits.
    std::vector<extended> rows(static_cast<std::size_t>(n) + 1, 0);
    std::atomic<int> next_row{1};
    auto take_rows = [&](int) {
        for (int i = next_row.fetch_add(1, std::memory_order_relaxed); i <= n;
             i = next_row.fetch_add(1, std::memory_order_relaxed))
            rows[static_cast<std::size_t>(i)] = row_potential(table, grav_constant, i);
    };
    if (n > 1) {
        ForceWorkers team(n >= 64 ? thread_count(threads) : 1);
        team.run(take_rows);
    }

    EnergySum sum;
    for (int i = 1; i <= n; ++i) add_row(sum, table, i, rows[static_cast<std::size_t>(i)]);
    return summed_energy(sum);
}

bool add_energy_row(EnergySum& sum, const BodyTable& table, extended grav_constant)
{
    if (sum.next_row > table.body_count) return true;
    const int i = sum.next_row++;
    add_row(sum, table, i, row_potential(table, grav_constant, i));
    return sum.next_row > table.body_count;
}

}  // namespace orbilan
