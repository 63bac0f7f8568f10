// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class QMenu;
class QWidget;

namespace orbilan {

// The view's right-button menu: the run speeds, the one in use checked, a picture of the view, a
// recording started or stopped, the plots and the list of keys. It deletes itself once closed.
QMenu* make_view_menu(QWidget* parent, double pace, const std::function<void(double)>& choose_pace,
                      const std::function<void()>& save_picture, bool recording,
                      const std::function<void()>& toggle_recording, const std::function<void()>& show_plots,
                      const std::function<void()>& show_keys);

}  // namespace orbilan
