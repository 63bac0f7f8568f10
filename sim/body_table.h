// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "sim/extended.h"

namespace orbilan {

struct SimulationState;

// Bodies 1..body_count as parallel arrays; index 0 exists in every array as a scratch slot. The
// program keeps its bodies in extended precision; a run in double precision works on a copy.
// A new column goes here and into for_each_column, which everything that copies, erases or
// resizes bodies walks. Like the simulation state, the table belongs to the user-interface thread
// between runs and to the simulation thread during one, which hands out snapshots of it.
template <typename Real>
struct BasicBodyTable {
    int body_count = 0;
    std::vector<Real> x, y, z;
    std::vector<Real> vx, vy, vz;
    std::vector<Real> mass, density;
    std::vector<double> radius;
    std::vector<std::string> name, texture_file;
    std::vector<int> texture_id;
};

using BodyTable = BasicBodyTable<extended>;

// Calls visit with each column of the tables, the same column of every table in one call:
// visit(a.x, b.x), visit(a.y, b.y), ... The tables may differ in their number type.
template <typename Visit, typename... Tables>
void for_each_column(Visit&& visit, Tables&... tables)
{
    visit(tables.x...);
    visit(tables.y...);
    visit(tables.z...);
    visit(tables.vx...);
    visit(tables.vy...);
    visit(tables.vz...);
    visit(tables.mass...);
    visit(tables.density...);
    visit(tables.radius...);
    visit(tables.name...);
    visit(tables.texture_file...);
    visit(tables.texture_id...);
}

// Radius of a homogeneous sphere of that mass and density; not a number when one of them is
// negative, as such a body has no size.
double sphere_radius(extended mass, extended density);

// (volume_term)^(1/3) as a radius: not a number below zero, where cbrt would give a negative
// radius.
template <typename Real>
double real_cube_root(Real volume_term)
{
    if (volume_term < 0) return std::numeric_limits<double>::quiet_NaN();
    return static_cast<double>(std::cbrt(volume_term));
}

// Discards every body; arrays get indices 0..body_count, all zero or empty.
void allocate_body_table(BodyTable& table, int body_count);
// The same, and discards the impulse program, which belongs to the bodies of a project.
void allocate_body_table(BodyTable& table, SimulationState& state, int body_count);

// Changes the arrays to indices 0..table.body_count, keeping the surviving entries.
template <typename Real>
void resize_body_table(BasicBodyTable<Real>& table);

// Removes body k (1..body_count): bodies above it move down one index. False when there is no
// body k.
template <typename Real>
bool delete_body(BasicBodyTable<Real>& table, int k);

// Makes `to` hold the bodies of `from`, their numbers rounded to its precision (exact towards a
// wider one); reuses the storage of `to`.
template <typename To, typename From>
void copy_table(BasicBodyTable<To>& to, const BasicBodyTable<From>& from)
{
    to.body_count = from.body_count;
    for_each_column([](auto& into, const auto& column) { into.assign(column.begin(), column.end()); }, to, from);
}

// The same bodies with their numbers rounded to another precision (exact towards a wider one).
template <typename To, typename From>
BasicBodyTable<To> convert_table(const BasicBodyTable<From>& table)
{
    BasicBodyTable<To> converted;
    copy_table(converted, table);
    return converted;
}

// True when k names a body of the table.
template <typename Real>
bool is_body(const BasicBodyTable<Real>& table, int k)
{
    return k >= 1 && k <= table.body_count;
}

}  // namespace orbilan
