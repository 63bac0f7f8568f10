// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace orbilan {

// Every control on a panel carries the numeric identifier its panel's table gives it; handlers and
// tooltips find controls by that number, the way a dialog looks up its items.
void set_control_id(QWidget* control, int id);
int control_id(const QWidget* control);

// The direct child of `panel` with identifier `id`, or nullptr.
QWidget* find_control(const QWidget* panel, int id);

}  // namespace orbilan
