// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/collisions.h"

#include <cmath>

namespace orbilan {

template <typename Real>
int merge_bodies(BasicBodyTable<Real>& table, int i, int j)
{
    const Real mi = table.mass[i];
    const Real mj = table.mass[j];
    const int survivor = mi > mj ? i : j;
    const int removed = survivor == i ? j : i;

    const Real vx = (mi * table.vx[i] + mj * table.vx[j]) / (mj + mi);
    const Real vy = (mi * table.vy[i] + mj * table.vy[j]) / (mj + mi);
    const Real vz = (mi * table.vz[i] + mj * table.vz[j]) / (mj + mi);
    const Real x = (table.x[i] * mi + table.x[j] * mj) / (mj + mi);
    const Real y = (table.y[i] * mi + table.y[j] * mj) / (mj + mi);
    const Real z = (table.z[i] * mi + table.z[j] * mj) / (mj + mi);
    const Real density = (mi + mj) / (mj / table.density[j] + mi / table.density[i]);
    const Real mass = mj + mi;

    table.vx[survivor] = vx;
    table.vy[survivor] = vy;
    table.vz[survivor] = vz;
    table.x[survivor] = x;
    table.y[survivor] = y;
    table.z[survivor] = z;
    table.density[survivor] = density;
    table.mass[survivor] = mass;
    table.radius[survivor] = real_cube_root(3 * mass / 4 / static_cast<Real>(PI) / density);

    delete_body(table, removed);
    return removed;
}

template int merge_bodies(BasicBodyTable<extended>&, int, int);
template int merge_bodies(BasicBodyTable<double>&, int, int);

}  // namespace orbilan
