#include "sim/collisions.h"

#include <cmath>

namespace orbilan {

template <typename Real>
MergeResult merge_bodies(BasicBodyTable<Real>& t, SimulationState& state, int i, int j)
{
    const Real mi = t.mass[i];
    const Real mj = t.mass[j];
    const int s = mi > mj ? i : j;
    const int d = s == i ? j : i;

    const Real vx = (mi * t.vx[i] + mj * t.vx[j]) / (mj + mi);
    const Real vy = (mi * t.vy[i] + mj * t.vy[j]) / (mj + mi);
    const Real vz = (mi * t.vz[i] + mj * t.vz[j]) / (mj + mi);
    const Real x = (t.x[i] * mi + t.x[j] * mj) / (mj + mi);
    const Real y = (t.y[i] * mi + t.y[j] * mj) / (mj + mi);
    const Real z = (t.z[i] * mi + t.z[j] * mj) / (mj + mi);
    const Real density = (mi + mj) / (mj / t.density[j] + mi / t.density[i]);
    const Real mass = mj + mi;

    t.vx[s] = vx;
    t.vy[s] = vy;
    t.vz[s] = vz;
    t.x[s] = x;
    t.y[s] = y;
    t.z[s] = z;
    t.density[s] = density;
    t.mass[s] = mass;
    t.radius[s] = real_cube_root(3 * mass / 4 / static_cast<Real>(PI) / density);

    const bool moved = delete_body(t, state, d);
    return {d, moved};
}

template MergeResult merge_bodies(BasicBodyTable<extended>&, SimulationState&, int, int);
template MergeResult merge_bodies(BasicBodyTable<double>&, SimulationState&, int, int);

}  // namespace orbilan
