// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/panel.h"

#include "panels/control_ids.h"
#include "widgets/control_id.h"
#include "widgets/round_button.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace orbilan {

namespace {

// Title-bar buttons only for what acts: a close on every panel, a minimise on the toolbar (it takes
// the program along), and no maximise, as the panels keep their size.
Qt::WindowFlags panel_flags(const PanelDef& def)
{
    Qt::WindowFlags flags = Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
    if (def.ends_program) flags |= Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint;
    return flags;
}

}  // namespace

int panel_x(int client_width) { return static_cast<int>(std::lrint(client_width / 2.0)) - 240; }

int stacked_y(const PanelDef& def, int frame_height)
{
    const PanelDef* column[] = {&TOOLBAR_PANEL, &TIME_PANEL, &LOG_PANEL, &NUMERIC_PANEL, &OPTIONS_PANEL};
    std::sort(std::begin(column), std::end(column), [](const PanelDef* a, const PanelDef* b) { return a->y < b->y; });
    int frame_end = 0;
    for (const PanelDef* panel : column) {
        const int y = std::max(panel->y, frame_end);
        if (panel == &def) return y;
        frame_end = y + panel->height + frame_height;
    }
    return def.y;
}

// The table's places are measured from the host's corner, the work area's, which a top bar or a
// dock moves away from the screen's.
Panel::Panel(const PanelDef& def, QWidget* owner, int client_width)
    : QWidget(owner, panel_flags(def)),
      def_(def),
      left_((owner ? owner->x() : 0) + panel_x(client_width)),
      top_(owner ? owner->y() : 0)
{
    setObjectName(def.name);
    caption_ = def.caption;
    setWindowTitle(caption_);
    setFixedSize(def.width, def.height);
    move(left_, top_ + def.y);
}

QWidget* Panel::control(int id) const { return find_control(this, id); }
RoundButton* Panel::button(int id) const { return qobject_cast<RoundButton*>(control(id)); }
QComboBox* Panel::combo(int id) const { return qobject_cast<QComboBox*>(control(id)); }
QCheckBox* Panel::check_box(int id) const { return qobject_cast<QCheckBox*>(control(id)); }

void Panel::set_text(int id, const QString& text)
{
    QWidget* c = id == 0 ? this : control(id);
    if (c == this) {
        caption_ = text;
        setWindowTitle(caption_ + caption_note_);
    } else if (auto* edit = qobject_cast<QLineEdit*>(c)) {
        edit->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(c)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(c)) {
        button->setText(text);
    }
}

void Panel::set_caption_note(const QString& note)
{
    caption_note_ = note;
    setWindowTitle(caption_ + caption_note_);
}

QString Panel::text(int id) const
{
    const QWidget* c = id == 0 ? this : control(id);
    if (c == this) return caption_;
    if (auto* edit = qobject_cast<const QLineEdit*>(c)) return edit->text();
    if (auto* label = qobject_cast<const QLabel*>(c)) return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(c)) return button->text();
    if (auto* box = qobject_cast<const QComboBox*>(c)) return box->currentText();
    return {};
}

void Panel::set_checked(int id, bool checked)
{
    if (QCheckBox* box = check_box(id)) box->setChecked(checked);
}

bool Panel::is_checked(int id) const
{
    const QCheckBox* box = check_box(id);
    return box != nullptr && box->isChecked();
}

void Panel::set_control_enabled(int id, bool enabled)
{
    if (QWidget* c = control(id)) c->setEnabled(enabled);
}

void Panel::closeEvent(QCloseEvent* event)
{
    // The handler decides: a panel hides as its own hide button hides it, and the toolbar's close
    // asks the program to end.
    event->ignore();
    if (def_.ends_program)
        emit close_requested();
    else
        emit command(HIDE_BUTTON_ID);
}

void Panel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange && isMinimized()) {
        if (def_.ends_program) {
            emit minimize_requested();
        } else {
            // A window manager's minimise hides a panel as its hide button does, so that the
            // toolbar's button brings it back.
            setWindowState(windowState() & ~Qt::WindowMinimized);
            emit command(HIDE_BUTTON_ID);
        }
    }
    QWidget::changeEvent(event);
}

void Panel::place_at(QPoint corner)
{
    move(corner);
    placed_ = true;
}

void Panel::setVisible(bool visible)
{
    // Placed once, as it is first shown: by then the toolbar's frame tells how tall the window
    // manager's title bars are, and later the user may have moved the panel. The panel's own
    // window does not exist yet, so the position is still that of its frame.
    if (visible && !placed_ && !def_.ends_program && parentWidget() != nullptr) {
        int frame_height = 0;
        for (const Panel* other : parentWidget()->findChildren<Panel*>(Qt::FindDirectChildrenOnly)) {
            if (other->def_.ends_program && other->windowHandle() != nullptr) {
                const QMargins frame = other->windowHandle()->frameMargins();
                frame_height = frame.top() + frame.bottom();
            }
        }
        const int top = stacked_y(def_, frame_height);
        if (top != def_.y) move(left_, top_ + top);
    }
    if (visible) {
        placed_ = true;
        // A window manager keeps a transient window above the window it names: name the host.
        QWidget* host = parentWidget() ? parentWidget()->window() : nullptr;
        if (host != nullptr && host->windowHandle() != nullptr) {
            winId();
            windowHandle()->setTransientParent(host->windowHandle());
        }
    }
    QWidget::setVisible(visible);
}

}  // namespace orbilan
