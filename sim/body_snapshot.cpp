#include "sim/body_snapshot.h"

namespace orbilan {

void take_snapshot(const BodyTable& t, const SimulationState& s, BodySnapshot& out)
{
    out.body_count = t.body_count;
    out.x = t.x;
    out.y = t.y;
    out.z = t.z;
    out.vx = t.vx;
    out.vy = t.vy;
    out.vz = t.vz;
    out.mass = t.mass;
    out.density = t.density;
    out.radius = t.radius;
    out.name = t.name;
    out.sim_time = s.sim_time;
    out.selected_body = s.selected_body;
    out.exhaust_plume = s.exhaust_plume;
    out.steps = 0;
    out.deleted_bodies.clear();
}

}  // namespace orbilan
