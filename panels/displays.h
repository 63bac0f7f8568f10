// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

#include "files/number_format.h"
#include "panels/captions.h"
#include "panels/control_ids.h"
#include "panels/control_state.h"
#include "panels/panel.h"
#include "panels/panel_set.h"
#include "sim/simulation_state.h"

namespace orbilan {

// The texts that show the simulation's numbers. The bodies come from the table between runs and
// from the latest snapshot during a run: both have the same fields.

// The unit caption and the elapsed time in that unit.
void show_elapsed_time(Panels& panels, const ControlState& control, extended sim_time);

// The step in seconds (a step of 0 becomes 1 first).
void show_dt(Panels& panels, SimulationState& state);

template <typename Bodies>
void show_body_header(Panels& panels, const Bodies& bodies, int k)
{
    if (k < 1 || k > bodies.body_count) return;
    Panel& p = *panels.numeric_panel;
    p.set_text(NV_NAME, QString::fromStdString(bodies.name[k]));
    p.set_text(NV_MASS, QString::fromStdString(format_number(bodies.mass[k], NumberMask::exp_6)));
    p.set_text(NV_DENSITY, QString::fromStdString(format_number(bodies.density[k], NumberMask::exp_6)));
}

template <typename Bodies>
void show_body_state(Panels& panels, const Bodies& bodies, int k)
{
    if (k < 1 || k > bodies.body_count) return;
    Panel& p = *panels.numeric_panel;
    const std::pair<int, extended> fields[] = {{NV_X, bodies.x[k]},   {NV_Y, bodies.y[k]},   {NV_Z, bodies.z[k]},
                                               {NV_VX, bodies.vx[k]}, {NV_VY, bodies.vy[k]}, {NV_VZ, bodies.vz[k]}};
    for (const auto& [id, value] : fields)
        p.set_text(id, QString::fromStdString(format_number(value, NumberMask::exp_8)));
}

// The numeric panel's and the toolbar's captions name body k; the header shows its values. A
// project run by the adaptive method says so in the toolbar's caption.
template <typename Bodies>
void show_selection(Panels& panels, const Bodies& bodies, int k, const std::filesystem::path& project_path,
                    Integrator integrator)
{
    if (k < 1 || k > bodies.body_count) return;
    panels.numeric_panel->set_text(0, QString::fromStdString(numeric_panel_caption(k, bodies.name[k])));
    std::string caption = toolbar_caption(project_path, k, bodies.name[k]);
    if (integrator == Integrator::gauss_radau) caption += "  [GAUSS-RADAU]";
    panels.toolbar_panel->set_text(0, QString::fromStdString(caption));
    show_body_header(panels, bodies, k);
}

}  // namespace orbilan
