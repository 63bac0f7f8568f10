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

Qt::WindowFlags panel_flags(const PanelDef& def)
{
    Qt::WindowFlags flags = Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (def.ends_program) flags |= Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
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

Panel::Panel(const PanelDef& def, QWidget* owner, int client_width)
    : QWidget(owner, panel_flags(def)), def_(def), left_(panel_x(client_width))
{
    setObjectName(def.name);
    setWindowTitle(def.caption);
    setFixedSize(def.width, def.height);
    move(left_, def.y);
}

QWidget* Panel::control(int id) const { return find_control(this, id); }
RoundButton* Panel::button(int id) const { return qobject_cast<RoundButton*>(control(id)); }
QComboBox* Panel::combo(int id) const { return qobject_cast<QComboBox*>(control(id)); }
QCheckBox* Panel::check_box(int id) const { return qobject_cast<QCheckBox*>(control(id)); }

void Panel::set_text(int id, const QString& text)
{
    QWidget* c = id == 0 ? this : control(id);
    if (c == this) {
        setWindowTitle(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(c)) {
        edit->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(c)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(c)) {
        button->setText(text);
    }
}

QString Panel::text(int id) const
{
    const QWidget* c = id == 0 ? this : control(id);
    if (c == this) return windowTitle();
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
    // Panels are only ever hidden; the toolbar's close asks the program to end.
    event->ignore();
    if (def_.ends_program) emit close_requested();
}

void Panel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange && def_.ends_program && isMinimized()) emit minimize_requested();
    QWidget::changeEvent(event);
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
        if (top != def_.y) move(left_, top);
    }
    if (visible) placed_ = true;
    QWidget::setVisible(visible);
}

}  // namespace orbilan
