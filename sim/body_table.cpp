#include "sim/body_table.h"

#include "sim/simulation_state.h"

namespace orbilan {

double sphere_radius(extended mass, extended density)
{
    return real_cube_root(3 * mass / (4 * static_cast<extended>(PI) * density));
}

namespace {

template <typename T>
void reset(std::vector<T>& column, int body_count)
{
    column.assign(static_cast<std::size_t>(body_count) + 1, T{});
}

template <typename T>
void shift_down(std::vector<T>& column, int k, int body_count)
{
    for (int i = k; i < body_count; ++i) column[i] = std::move(column[i + 1]);
    column[body_count] = T{};
}

}  // namespace

void allocate_body_table(BodyTable& table, SimulationState& state, int body_count)
{
    table.body_count = body_count;
    for (auto* column : {&table.x, &table.y, &table.z, &table.vx, &table.vy, &table.vz,
                         &table.mass, &table.density})
        reset(*column, body_count);
    reset(table.radius, body_count);
    reset(table.name, body_count);
    reset(table.texture_file, body_count);
    reset(table.texture_id, body_count);
    state.impulse_table.fill(ImpulseEntry{});
}

template <typename Real>
void resize_body_table(BasicBodyTable<Real>& table)
{
    const auto size = static_cast<std::size_t>(table.body_count) + 1;
    for (auto* column : {&table.x, &table.y, &table.z, &table.vx, &table.vy, &table.vz,
                         &table.mass, &table.density})
        column->resize(size);
    table.radius.resize(size);
    table.name.resize(size);
    table.texture_file.resize(size);
    table.texture_id.resize(size);
}

template <typename Real>
bool delete_body(BasicBodyTable<Real>& table, SimulationState& state, int k)
{
    const int n = table.body_count;
    if (k < 1 || k > n) return false;
    for (auto* column : {&table.x, &table.y, &table.z, &table.vx, &table.vy, &table.vz,
                         &table.mass, &table.density})
        shift_down(*column, k, n);
    shift_down(table.radius, k, n);
    shift_down(table.name, k, n);
    shift_down(table.texture_id, k, n);
    shift_down(table.texture_file, k, n);
    table.body_count = n - 1;
    resize_body_table(table);
    if (table.body_count < state.selected_body) {
        state.selected_body = table.body_count;
        return true;
    }
    return false;
}

template <typename To, typename From>
BasicBodyTable<To> convert_table(const BasicBodyTable<From>& t)
{
    const auto converted = [](const std::vector<From>& column) { return std::vector<To>(column.begin(), column.end()); };
    return {t.body_count, converted(t.x), converted(t.y), converted(t.z), converted(t.vx), converted(t.vy),
            converted(t.vz), converted(t.mass), converted(t.density), t.radius, t.name, t.texture_file, t.texture_id};
}

template void resize_body_table(BasicBodyTable<extended>&);
template void resize_body_table(BasicBodyTable<double>&);
template bool delete_body(BasicBodyTable<extended>&, SimulationState&, int);
template bool delete_body(BasicBodyTable<double>&, SimulationState&, int);
template BasicBodyTable<double> convert_table(const BasicBodyTable<extended>&);
template BasicBodyTable<extended> convert_table(const BasicBodyTable<double>&);
template BasicBodyTable<extended> convert_table(const BasicBodyTable<extended>&);
template BasicBodyTable<double> convert_table(const BasicBodyTable<double>&);

}  // namespace orbilan
