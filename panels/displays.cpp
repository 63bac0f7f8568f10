// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/displays.h"

namespace orbilan {

void show_elapsed_time(Panels& panels, const ControlState& control, extended sim_time)
{
    Panel& p = *panels.time_panel;
    p.set_text(TM_TIME_LABEL, QString::fromUtf8(time_unit_caption(control.time_unit).data(),
                                                static_cast<int>(time_unit_caption(control.time_unit).size())));
    p.set_text(TM_ELAPSED, QString::fromStdString(elapsed_time_text(sim_time, control.time_unit_factor)));
}

void show_dt(Panels& panels, SimulationState& state)
{
    state.dt = usable_dt(state.dt);
    panels.time_panel->set_text(TM_DT, QString::fromStdString(dt_text(state.dt)));
}

}  // namespace orbilan
