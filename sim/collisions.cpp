#include "sim/collisions.h"

#include <cmath>

namespace orbilan {

MergeResult merge_bodies(BodyTable& t, SimulationState& state, int i, int j)
{
    const extended mi = t.mass[i];
    const extended mj = t.mass[j];
    const int s = mi > mj ? i : j;
    const int d = s == i ? j : i;

    const extended vx = (mi * t.vx[i] + mj * t.vx[j]) / (mj + mi);
    const extended vy = (mi * t.vy[i] + mj * t.vy[j]) / (mj + mi);
    const extended vz = (mi * t.vz[i] + mj * t.vz[j]) / (mj + mi);
    const extended x = (t.x[i] * mi + t.x[j] * mj) / (mj + mi);
    const extended y = (t.y[i] * mi + t.y[j] * mj) / (mj + mi);
    const extended z = (t.z[i] * mi + t.z[j] * mj) / (mj + mi);
    const extended density = (mi + mj) / (mj / t.density[j] + mi / t.density[i]);
    const extended mass = mj + mi;

    t.vx[s] = vx;
    t.vy[s] = vy;
    t.vz[s] = vz;
    t.x[s] = x;
    t.y[s] = y;
    t.z[s] = z;
    t.density[s] = density;
    t.mass[s] = mass;
    t.radius[s] = real_cube_root(3 * mass / 4 / static_cast<extended>(PI) / density);

    const bool moved = delete_body(t, state, d);
    return {d, moved};
}

}  // namespace orbilan
