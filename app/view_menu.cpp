// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/view_menu.h"

#include <QActionGroup>
#include <QMenu>

#include "app/run_pace.h"

namespace orbilan {

QMenu* make_view_menu(QWidget* parent, double pace, const std::function<void(double)>& choose_pace,
                      const std::function<void()>& save_picture, bool recording,
                      const std::function<void()>& toggle_recording, const std::function<void()>& show_plots,
                      const std::function<void()>& show_keys)
{
    auto* menu = new QMenu(parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QMenu* speeds = menu->addMenu("Run speed");
    auto* group = new QActionGroup(speeds);
    bool listed = false;
    for (const PaceChoice& choice : PACE_CHOICES) {
        QAction* action = speeds->addAction(choice.name, [choose_pace, p = choice.pace] { choose_pace(p); });
        action->setCheckable(true);
        action->setChecked(choice.pace == pace);
        listed = listed || choice.pace == pace;
        group->addAction(action);
    }
    // A project's own pace that is none of the choices shows as what it is.
    if (!listed) {
        QAction* own = speeds->addAction(QString::fromStdString(pace_name(pace)));
        own->setCheckable(true);
        own->setChecked(true);
        group->addAction(own);
    }
    menu->addAction("Save picture\tCtrl+S", save_picture);
    menu->addAction(recording ? "Stop recording\tCtrl+Shift+R" : "Start recording\tCtrl+Shift+R", toggle_recording);
    menu->addAction("Plots\tF2", show_plots);
    menu->addAction("Keys\tF1", show_keys);
    return menu;
}

}  // namespace orbilan
