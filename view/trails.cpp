// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/trails.h"

#include <algorithm>

namespace orbilan {

namespace {

void remove_body(SceneBodies& scene, int k)
{
    if (k < 1 || k >= static_cast<int>(scene.trail.size())) return;
    scene.trail.erase(scene.trail.begin() + k);
    if (k < static_cast<int>(scene.texture_id.size())) scene.texture_id.erase(scene.texture_id.begin() + k);
}

void follow_merges(SceneBodies& scene, const std::vector<int>& deleted_bodies)
{
    // A shorter list than already seen belongs to a new run.
    if (deleted_bodies.size() < scene.merges_seen) scene.merges_seen = 0;
    for (std::size_t m = scene.merges_seen; m < deleted_bodies.size(); ++m) remove_body(scene, deleted_bodies[m]);
    scene.merges_seen = deleted_bodies.size();
}

}  // namespace

void capture_positions(SceneBodies& scene)
{
    const BodySnapshot& bodies = scene.bodies;
    follow_merges(scene, bodies.deleted_bodies);
    const int n = bodies.body_count;
    const auto slots = static_cast<std::size_t>(n) + 1;
    scene.trail.resize(slots);
    scene.texture_id.resize(slots);
    for (int i = 1; i <= n; ++i) {
        Trail& t = scene.trail[i];
        t.trail_x[0] = static_cast<float>(bodies.x[i]);
        t.trail_y[0] = static_cast<float>(bodies.y[i]);
        t.trail_z[0] = static_cast<float>(bodies.z[i]);
    }
}

void capture_positions(SceneBodies& scene, const BodyTable& table, const SimulationState& state)
{
    take_snapshot(table, state, scene.bodies);
    capture_positions(scene);
}

void advance_trails(SceneBodies& scene, const ViewState& view)
{
    const int n = std::min(scene.bodies.body_count, static_cast<int>(scene.trail.size()) - 1);
    for (int i = 1; i <= n; ++i) {
        Trail& t = scene.trail[i];
        const int last = std::min(trail_slots(view.trail_length), t.slot_count()) - 2;
        for (int j = last; j >= 0; --j) {
            t.trail_x[j + 1] = t.trail_x[j];
            t.trail_y[j + 1] = t.trail_y[j];
            t.trail_z[j + 1] = t.trail_z[j];
        }
    }
}

void reset_trails(SceneBodies& scene, const ViewState& view)
{
    const auto slot_count = static_cast<std::size_t>(trail_slots(view.trail_length));
    scene.trail.resize(static_cast<std::size_t>(scene.bodies.body_count) + 1);
    // Slot 1 repeats slot 0, as after a tick: the body stays where it was drawn, and its trail
    // grows from there.
    for (Trail& t : scene.trail) {
        for (std::vector<float>* column : {&t.trail_x, &t.trail_y, &t.trail_z}) {
            const float here = column->front();
            column->assign(slot_count, 0.0f);
            (*column)[0] = (*column)[1] = here;
        }
    }
    scene.bodies.exhaust_plume = ExhaustPlume{};
}

void start_following_run(SceneBodies& scene) { scene.merges_seen = 0; }

}  // namespace orbilan
