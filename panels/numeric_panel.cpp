// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/control_ids.h"
#include "panels/panel.h"
#include "panels/panel_handlers.h"

namespace orbilan {

// The panel only hides itself; what it shows is written by the display functions.
void numeric_panel_handler(Session& s, int id)
{
    if (id == NV_HIDE) hide_panel(*s.panels.numeric_panel, s.states.numeric_panel_state);
}

}  // namespace orbilan
