// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/session.h"

namespace orbilan {

BodySnapshot current_bodies(Session& s)
{
    BodySnapshot bodies;
    s.run->read_snapshot(bodies);
    return bodies;
}

void hide_panel(QWidget& panel, int& panel_state)
{
    panel.hide();
    panel_state = PANEL_HIDDEN;
}

void refresh_view(Session& s)
{
    if (!s.gl_window) return;
    s.gl_window->apply_render_state();
    s.gl_window->rebuild_view();
}

}  // namespace orbilan
