#include "view/body_scale.h"

namespace orbilan {

namespace {

void set_radius(BodyTable& table, SceneBodies& scene, double radius)
{
    const int k = scene.selected_body;
    table.radius[k] = radius;
    if (k < static_cast<int>(scene.radius.size())) scene.radius[k] = radius;
}

bool has_selection(const BodyTable& table, const SceneBodies& scene)
{
    return is_body(table, scene.selected_body);
}

}  // namespace

void double_radius(BodyTable& table, SceneBodies& scene)
{
    if (has_selection(table, scene)) set_radius(table, scene, table.radius[scene.selected_body] * 2);
}

void halve_radius(BodyTable& table, SceneBodies& scene)
{
    if (has_selection(table, scene)) set_radius(table, scene, table.radius[scene.selected_body] / 2);
}

void reset_radius(BodyTable& table, SceneBodies& scene)
{
    const int k = scene.selected_body;
    if (has_selection(table, scene)) set_radius(table, scene, sphere_radius(table.mass[k], table.density[k]));
}

}  // namespace orbilan
