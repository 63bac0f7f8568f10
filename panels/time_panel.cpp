// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/number_format.h"
#include "panels/displays.h"
#include "panels/panel_handlers.h"

namespace orbilan {

void time_panel_handler(Session& s, int id)
{
    switch (id) {
    case TM_RESET_TIME:
        s.run->post({RunCommand::Kind::reset_time});
        show_elapsed_time(s.panels, s.control, 0);
        break;
    case TM_UNIT:
        s.control.time_unit = next_time_unit(s.control.time_unit);
        s.control.time_unit_factor = time_unit_factor(s.control.time_unit);
        show_elapsed_time(s.panels, s.control, current_bodies(s).sim_time);
        break;
    case TM_DT_MUL10:
    case TM_DT_DIV10:
        if (run_active(s)) break;  // the buttons are disabled for a run
        s.state.dt = id == TM_DT_MUL10 ? s.state.dt * 10 : s.state.dt / 10;
        show_dt(s.panels, s.state);
        break;
    case TM_HIDE: hide_panel(*s.panels.time_panel, s.states.time_panel_state); break;
    default: break;
    }
}

void read_time_settings(Session& s)
{
    const Panel& p = *s.panels.time_panel;
    s.state.dt = parse_number_text(p.text(TM_DT).toStdString());
    s.state.stop_time = parse_number_text(p.text(TM_STOP_TIME).toStdString()) / s.control.time_unit_factor;
}

}  // namespace orbilan
