#include "sim/energy.h"

#include <cmath>

namespace orbilan {

extended total_energy(const BodyTable& t, extended grav_constant)
{
    extended kinetic = 0;
    extended potential = 0;
    for (int i = 1; i <= t.body_count; ++i) {
        kinetic += t.mass[i] * (t.vx[i] * t.vx[i] + t.vy[i] * t.vy[i] + t.vz[i] * t.vz[i]) / 2;
        for (int j = i + 1; j <= t.body_count; ++j) {
            const extended dx = t.x[j] - t.x[i];
            const extended dy = t.y[j] - t.y[i];
            const extended dz = t.z[j] - t.z[i];
            potential -= grav_constant * t.mass[i] * t.mass[j] / std::sqrt(dx * dx + dy * dy + dz * dz);
        }
    }
    return kinetic + potential;
}

}  // namespace orbilan
