// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/button_record.h"

#include <QAbstractButton>
#include <QRegion>

namespace orbilan {

// A flat, round-cornered push button that shows an image over a caption, lights up under the mouse
// and sinks while pressed. Clicks are reported through `clicked()`; the panel adds the id.
// Setters take a `redraw` flag where an immediate repaint may be wanted; getters return the field.
class RoundButton : public QAbstractButton {
    Q_OBJECT

public:
    RoundButton(QWidget* parent, int id, const QString& caption, int x, int y, int width, int height);

    int id() const { return record_.id; }
    const ButtonRecord& record() const { return record_; }

    void set_corner(int size, bool redraw = false);
    void set_face_color(const QColor& color, bool redraw = false);
    void set_text_color(const QColor& color, bool redraw = false);
    void set_pressed_text_color(const QColor& color, bool redraw = false);
    void set_hot_text_color(const QColor& color, bool redraw = false);
    void set_raised(int flag, bool redraw = false);
    void set_fixed_state(int state, bool redraw = false);
    void redraw();
    // A negative value is a grid code (-1 .. -9), anything else an explicit (x, y).
    void set_image_pos(int code_or_x, int y = 0);
    void set_image_size(int width, int height);
    // An empty name clears the slot. Returns whether an image was loaded.
    bool load_image(int type, const QString& name);
    bool load_hot_image(int type, const QString& name);
    bool load_pressed_image(int type, const QString& name);
    bool load_disabled_image(int type, const QString& name);

    int corner() const { return record_.corner; }
    QColor face_color() const { return record_.face_color; }
    QBrush face_brush() const { return QBrush(record_.face_color); }
    int text_bk_mode() const { return record_.text_bk_mode; }
    QColor text_bk_color() const { return record_.text_bk_color; }
    QColor text_color() const { return record_.text_color; }
    QColor pressed_text_color() const { return record_.pressed_text_color; }
    QColor hot_text_color() const { return record_.hot_text_color; }
    int emboss() const { return record_.emboss; }
    int raised() const { return record_.raised; }
    int fixed_state() const { return record_.fixed_state; }
    int focusable() const { return record_.focusable; }
    int text_format() const { return record_.text_format; }
    int text_margin_left() const { return record_.text_margin_left; }
    int text_margin_top() const { return record_.text_margin_top; }
    int text_margin_right() const { return record_.text_margin_right; }
    int text_margin_bottom() const { return record_.text_margin_bottom; }
    int image_align() const { return record_.image_align; }
    int image_width() const { return record_.image_width; }
    int image_height() const { return record_.image_height; }
    int image_margin_left() const { return record_.image_margin_left; }
    int image_margin_top() const { return record_.image_margin_top; }
    int image_margin_right() const { return record_.image_margin_right; }
    int image_margin_bottom() const { return record_.image_margin_bottom; }

    int visual_state() const { return record_.visual_state; }
    const QRegion& hit_region() const { return region_; }
    // The dotted mark that tells a keyboard user which button Enter or Space will press.
    bool shows_focus_mark() const { return record_.focusable != 0 && hasFocus() && focus_mark_; }

signals:
    // Sent from inside each paint with the frame it drew; nothing depends on it but tests and tools.
    void frame_drawn(orbilan::FrameLook look);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    template <typename T>
    void set_field(T& field, const T& value, bool redraw_now);
    bool load_slot(ButtonImage& slot, int type, const QString& name);
    void rebuild_region();
    void set_visual_state(int state);
    void update_focus_policy();
    SystemColors system_colors() const;
    bool deaf() const { return record_.fixed_state > 0 && record_.focusable == 0; }
    int hover_state() const { return record_.fixed_state == 0 ? VISUAL_HOT : VISUAL_NORMAL; }
    void press();
    void send_click();

    ButtonRecord record_;
    QRegion region_;
    bool focus_mark_ = false;
};

}  // namespace orbilan
