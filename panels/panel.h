// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "panels/control_table.h"

#include <QWidget>

class QCheckBox;
class QComboBox;

namespace orbilan {

class RoundButton;

// A floating panel: a tool window owned by the host window, holding the controls of its table.
// Every button or check box click comes out as `command(id)`; the window system can never close a
// panel: its close comes out as the panel's hide button, and on the toolbar as `close_requested()`
// (minimising it as `minimize_requested()`, so the program can minimise its host window instead).
class Panel : public QWidget {
    Q_OBJECT

public:
    Panel(const PanelDef& def, QWidget* owner, int client_width);

    const PanelDef& def() const { return def_; }

    QWidget* control(int id) const;
    RoundButton* button(int id) const;
    QComboBox* combo(int id) const;
    QCheckBox* check_box(int id) const;

    // Text of a label, edit box, button or check box (the caption for id 0).
    void set_text(int id, const QString& text);
    QString text(int id) const;
    // Shown after the caption, whatever the caption becomes; empty for none.
    void set_caption_note(const QString& note);
    void set_checked(int id, bool checked);
    bool is_checked(int id) const;
    void set_control_enabled(int id, bool enabled);

    void setVisible(bool visible) override;
    // Puts the panel's frame where the user last left it, instead of its first place.
    void place_at(QPoint corner);
    // True once the panel was shown or put in a place.
    bool placed() const { return placed_; }

signals:
    void command(int id);
    void close_requested();
    void minimize_requested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    const PanelDef& def_;
    int left_;  // where the panel's frame starts, as first placed
    int top_;   // the top of the work area
    bool placed_ = false;
    QString caption_;
    QString caption_note_;
};

// Panels are centred on the host: x = client width / 2 - 240, the half rounded to even.
int panel_x(int client_width);

// The y of a panel when a window manager adds `frame_height` pixels of title bar and border to
// every panel: each keeps the y of its table unless the frame of the panel above would reach
// into it, and then starts where that frame ends.
int stacked_y(const PanelDef& def, int frame_height);

}  // namespace orbilan
