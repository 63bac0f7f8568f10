// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/body_table.h"

#include "sim/simulation_state.h"

namespace orbilan {

double sphere_radius(extended mass, extended density)
{
    return real_cube_root(3 * mass / (4 * static_cast<extended>(PI) * density));
}

namespace {

template <typename T>
void shift_down(std::vector<T>& column, int k, int body_count)
{
    for (int i = k; i < body_count; ++i) column[i] = std::move(column[i + 1]);
    column[body_count] = T{};
}

}  // namespace

void allocate_body_table(BodyTable& table, int body_count)
{
    const auto size = static_cast<std::size_t>(body_count) + 1;
    table.body_count = body_count;
    for_each_column([size](auto& column) { column.assign(size, {}); }, table);
}

void allocate_body_table(BodyTable& table, SimulationState& state, int body_count)
{
    allocate_body_table(table, body_count);
    state.impulse_table.fill(ImpulseEntry{});
    state.radau_carry = {};
}

template <typename Real>
void resize_body_table(BasicBodyTable<Real>& table)
{
    const auto size = static_cast<std::size_t>(table.body_count) + 1;
    for_each_column([size](auto& column) { column.resize(size); }, table);
}

template <typename Real>
bool delete_body(BasicBodyTable<Real>& table, int k)
{
    const int n = table.body_count;
    if (k < 1 || k > n) return false;
    for_each_column([k, n](auto& column) { shift_down(column, k, n); }, table);
    table.body_count = n - 1;
    resize_body_table(table);
    return true;
}

template void resize_body_table(BasicBodyTable<extended>&);
template void resize_body_table(BasicBodyTable<double>&);
template bool delete_body(BasicBodyTable<extended>&, int);
template bool delete_body(BasicBodyTable<double>&, int);

}  // namespace orbilan
