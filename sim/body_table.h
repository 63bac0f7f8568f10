#pragma once

#include <string>
#include <vector>

#include "sim/extended.h"

namespace orbilan {

struct SimulationState;

// Bodies 1..body_count as parallel arrays; index 0 exists in every array as a scratch slot.
struct BodyTable {
    int body_count = 0;
    std::vector<extended> x, y, z;
    std::vector<extended> vx, vy, vz;
    std::vector<extended> mass, density;
    std::vector<double> radius;
    std::vector<std::string> name, texture_file;
    std::vector<int> texture_id;
};

// Radius of a homogeneous sphere of that mass and density; not a number when one of them is
// negative, as such a body has no size.
double sphere_radius(extended mass, extended density);

// (volume_term)^(1/3) as a radius: not a number below zero.
double real_cube_root(extended volume_term);

// Discards every body and the impulse program; arrays get indices 0..body_count, all zero or empty.
void allocate_body_table(BodyTable& table, SimulationState& state, int body_count);

// Changes the arrays to indices 0..table.body_count, keeping the surviving entries.
void resize_body_table(BodyTable& table);

// Removes body k (1..body_count): bodies above it move down one index. Returns true when the
// selection had to move to the new last body (the camera then goes back to the origin).
bool delete_body(BodyTable& table, SimulationState& state, int k);

// True when k names a body of the table.
inline bool is_body(const BodyTable& table, int k) { return k >= 1 && k <= table.body_count; }

}  // namespace orbilan
