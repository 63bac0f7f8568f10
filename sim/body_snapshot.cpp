#include "sim/body_snapshot.h"

namespace orbilan {

template <typename Real>
void take_snapshot(const BasicBodyTable<Real>& t, const SimulationState& s, BodySnapshot& out)
{
    const auto copy = [](std::vector<extended>& to, const std::vector<Real>& from) { to.assign(from.begin(), from.end()); };
    out.body_count = t.body_count;
    copy(out.x, t.x);
    copy(out.y, t.y);
    copy(out.z, t.z);
    copy(out.vx, t.vx);
    copy(out.vy, t.vy);
    copy(out.vz, t.vz);
    copy(out.mass, t.mass);
    copy(out.density, t.density);
    out.radius = t.radius;
    out.name = t.name;
    out.sim_time = s.sim_time;
    out.selected_body = s.selected_body;
    out.exhaust_plume = s.exhaust_plume;
    out.steps = 0;
    out.deleted_bodies.clear();
}

template void take_snapshot(const BasicBodyTable<extended>&, const SimulationState&, BodySnapshot&);
template void take_snapshot(const BasicBodyTable<double>&, const SimulationState&, BodySnapshot&);

}  // namespace orbilan
