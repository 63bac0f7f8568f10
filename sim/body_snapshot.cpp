// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/body_snapshot.h"

namespace orbilan {

template <typename Real>
void take_snapshot(const BasicBodyTable<Real>& table, const SimulationState& state, BodySnapshot& out)
{
    copy_table<extended>(out, table);
    out.sim_time = state.sim_time;
    out.exhaust_plume = state.exhaust_plume;
    out.steps = 0;
    out.deleted_bodies.clear();
}

template void take_snapshot(const BasicBodyTable<extended>&, const SimulationState&, BodySnapshot&);
template void take_snapshot(const BasicBodyTable<double>&, const SimulationState&, BodySnapshot&);

}  // namespace orbilan
