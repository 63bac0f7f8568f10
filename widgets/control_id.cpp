// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/control_id.h"

#include <QVariant>

namespace orbilan {

namespace {
constexpr const char* ID_PROPERTY = "orbilan_control_id";
}

void set_control_id(QWidget* control, int id) { control->setProperty(ID_PROPERTY, id); }

int control_id(const QWidget* control)
{
    const QVariant id = control->property(ID_PROPERTY);
    return id.isValid() ? id.toInt() : -1;
}

QWidget* find_control(const QWidget* panel, int id)
{
    for (QObject* child : panel->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget != nullptr && control_id(widget) == id) return widget;
    }
    return nullptr;
}

}  // namespace orbilan
