#pragma once

#include "sim/body_table.h"

namespace orbilan {

// Kinetic plus gravitational potential energy of bodies 1..N.
extended total_energy(const BodyTable& table, extended grav_constant);

}  // namespace orbilan
