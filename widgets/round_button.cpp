#include "widgets/round_button.h"

#include "widgets/button_paint.h"
#include "widgets/control_id.h"
#include "widgets/round_region.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace orbilan {

namespace {

// Whether the user's last key or mouse button was a key. The focus mark follows it across
// buttons, so focus that a click, a window's activation or a disabled button moves on shows no
// mark, and focus that the keyboard moves does.
bool keyboard_navigation = false;

class InputWatch : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) keyboard_navigation = true;
        if (event->type() == QEvent::MouseButtonPress) keyboard_navigation = false;
        return false;
    }
};

void watch_input()
{
    [[maybe_unused]] static const bool watching = [] {
        qApp->installEventFilter(new InputWatch(qApp));
        return true;
    }();
}

}  // namespace

RoundButton::RoundButton(QWidget* parent, int id, const QString& caption, int x, int y, int width, int height)
    : QAbstractButton(parent)
{
    record_.id = id;
    const SystemColors system = system_colors();
    record_.face_color = default_face_color(system.face);
    record_.text_bk_color = record_.face_color;
    record_.text_color = system.text;
    record_.pressed_text_color = system.text;
    record_.hot_text_color = system.text;

    watch_input();
    set_control_id(this, id);
    setText(caption);
    setMouseTracking(true);
    // The paint covers every pixel of the region, so nothing needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(record_.cursor);
    update_focus_policy();
    setGeometry(x, y, width, height);
    set_corner(20);
}

template <typename T>
void RoundButton::set_field(T& field, const T& value, bool redraw_now)
{
    field = value;
    if (redraw_now) redraw();
}

void RoundButton::set_corner(int size, bool redraw_now)
{
    record_.corner = std::max(size, 0);
    rebuild_region();
    if (redraw_now) redraw();
}

void RoundButton::set_face_color(const QColor& color, bool redraw_now)
{
    record_.face_color = color;
    rebuild_colors(record_, system_colors().face);
    if (redraw_now) redraw();
}

void RoundButton::set_text_bk_mode(int mode, bool redraw_now) { set_field(record_.text_bk_mode, mode, redraw_now); }
void RoundButton::set_text_bk_color(const QColor& color, bool redraw_now)
{
    set_field(record_.text_bk_color, color, redraw_now);
}
void RoundButton::set_text_color(const QColor& color, bool redraw_now)
{
    set_field(record_.text_color, color, redraw_now);
}
void RoundButton::set_pressed_text_color(const QColor& c, bool redraw_now)
{
    set_field(record_.pressed_text_color, c, redraw_now);
}
void RoundButton::set_hot_text_color(const QColor& color, bool redraw_now)
{
    set_field(record_.hot_text_color, color, redraw_now);
}
void RoundButton::set_emboss(int flag, bool redraw_now) { set_field(record_.emboss, flag, redraw_now); }
void RoundButton::set_raised(int flag, bool redraw_now) { set_field(record_.raised, flag != 0 ? 1 : 0, redraw_now); }

void RoundButton::set_fixed_state(int state, bool redraw_now)
{
    record_.fixed_state = state;
    if (state != 0) {
        record_.focusable = 0;
        record_.visual_state = state - 1;
    } else {
        record_.visual_state = VISUAL_NORMAL;
    }
    update_focus_policy();
    if (redraw_now) redraw();
}

void RoundButton::set_cursor(Qt::CursorShape shape)
{
    record_.cursor = shape;
    setCursor(shape);
}

void RoundButton::set_focusable(int flag, bool redraw_now)
{
    record_.focusable = flag;
    update_focus_policy();
    if (redraw_now) redraw();
}

void RoundButton::redraw() { repaint(); }

void RoundButton::set_text_format(int format, bool redraw_now) { set_field(record_.text_format, format, redraw_now); }
void RoundButton::set_text_margin_left(int px, bool redraw_now) { set_field(record_.text_margin_left, px, redraw_now); }
void RoundButton::set_text_margin_top(int px, bool redraw_now) { set_field(record_.text_margin_top, px, redraw_now); }
void RoundButton::set_text_margin_right(int px, bool redraw_now)
{
    set_field(record_.text_margin_right, px, redraw_now);
}
void RoundButton::set_text_margin_bottom(int px, bool redraw_now)
{
    set_field(record_.text_margin_bottom, px, redraw_now);
}

void RoundButton::set_image_pos(int code_or_x, int y)
{
    if (code_or_x < 0) {
        record_.image_align = code_or_x;
    } else {
        record_.image_align = 0;
        record_.image_x = code_or_x;
        record_.image_y = y;
    }
}

void RoundButton::set_image_size(int width, int height)
{
    record_.image_width = width;
    record_.image_height = height;
}

void RoundButton::set_no_press_shift(int flag) { record_.no_press_shift = flag; }

void RoundButton::set_image_margin_left(int px, bool redraw_now)
{
    set_field(record_.image_margin_left, px, redraw_now);
}
void RoundButton::set_image_margin_top(int px, bool redraw_now) { set_field(record_.image_margin_top, px, redraw_now); }
void RoundButton::set_image_margin_right(int px, bool redraw_now)
{
    set_field(record_.image_margin_right, px, redraw_now);
}
void RoundButton::set_image_margin_bottom(int px, bool redraw_now)
{
    set_field(record_.image_margin_bottom, px, redraw_now);
}

bool RoundButton::load_slot(ButtonImage& slot, int type, const QString& name)
{
    if (name.isEmpty()) {
        slot = ButtonImage();
        return false;
    }
    record_.image_type = type;
    slot = ButtonImage::load(name);
    const bool loaded = !slot.is_null();
    // A fresh normal image is drawn at 16 x 16 until the owner sets a size.
    if (&slot == &record_.image) set_image_size(loaded ? 16 : 0, loaded ? 16 : 0);
    return loaded;
}

bool RoundButton::load_image(int type, const QString& name) { return load_slot(record_.image, type, name); }
bool RoundButton::load_hot_image(int type, const QString& name) { return load_slot(record_.hot_image, type, name); }
bool RoundButton::load_pressed_image(int type, const QString& name)
{
    return load_slot(record_.pressed_image, type, name);
}
bool RoundButton::load_disabled_image(int type, const QString& name)
{
    return load_slot(record_.disabled_image, type, name);
}

ButtonImage RoundButton::set_image(int type, const ButtonImage& image)
{
    ButtonImage previous = record_.image;
    record_.image_type = type;
    record_.image = image;
    const int size = image.is_null() ? 0 : 32;
    set_image_size(size, size);
    return previous;
}

SystemColors RoundButton::system_colors() const
{
    const QPalette& p = palette();
    return {p.color(QPalette::Button), p.color(QPalette::ButtonText), p.color(QPalette::Light), p.color(QPalette::Dark),
            p.color(QPalette::ToolTipBase)};
}

void RoundButton::rebuild_region()
{
    region_ = round_rect_region(width() + 1, height() + 1, record_.corner) & QRegion(rect());
    setMask(region_);
}

// A focusable button is a tab stop, so the keyboard alone can reach and press it.
void RoundButton::update_focus_policy()
{
    setFocusPolicy(deaf() ? Qt::NoFocus : record_.focusable != 0 ? Qt::StrongFocus : Qt::ClickFocus);
}

void RoundButton::set_visual_state(int state)
{
    if (record_.visual_state == state) return;
    record_.visual_state = state;
    redraw();
}

void RoundButton::send_click()
{
    if (isEnabled()) emit clicked();
}

bool RoundButton::event(QEvent* event)
{
    // Styles turn on hover events for buttons, and those repaint by themselves; the button already
    // follows the mouse and repaints only when its look changes.
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverLeave:
    case QEvent::HoverMove: return true;
    default: return QAbstractButton::event(event);
    }
}

void RoundButton::paintEvent(QPaintEvent*)
{
    SystemColors system = system_colors();
    if (system.face != record_.built_for_face) rebuild_colors(record_, system.face);

    // Qt paints into the window's back buffer and shows it in one copy, so the frequent
    // hover repaints never flicker.
    QPainter painter(this);
    painter.setClipRegion(region_);
    painter.setFont(font());
    const ButtonSurface surface{width(), height(), text(), isEnabled(), hasFocus(), focus_mark_, system};
    const FrameLook look = paint_button(painter, record_, surface);
    // A raised button that is drawn flat is frozen; only truly flat buttons announce the flat frame.
    if (look != FrameLook::flat || record_.raised == 0) emit frame_drawn(look);
}

void RoundButton::resizeEvent(QResizeEvent*) { rebuild_region(); }

bool RoundButton::hitButton(const QPoint& pos) const { return region_.contains(pos); }

void RoundButton::press()
{
    if (record_.press_source == PRESS_SPACE) return;
    record_.press_source = PRESS_MOUSE;
    focus_mark_ = false;
    if (!hasFocus() && focusPolicy() != Qt::NoFocus) setFocus(Qt::MouseFocusReason);
    record_.visual_state = VISUAL_PRESSED;
    redraw();
}

void RoundButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !hitButton(event->position().toPoint())) {
        event->ignore();
        return;
    }
    // A frozen lamp keeps the press to itself but nothing changes.
    if (!deaf()) press();
}

void RoundButton::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void RoundButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || record_.press_source != PRESS_MOUSE) return;
    // A press and a release over the button make a click, whatever focus did in between.
    const bool over = hitButton(event->position().toPoint());
    record_.press_source = PRESS_NONE;
    record_.visual_state = over ? hover_state() : VISUAL_NORMAL;
    redraw();
    if (over) send_click();
}

void RoundButton::mouseMoveEvent(QMouseEvent* event)
{
    if (deaf() || record_.press_source == PRESS_SPACE) return;
    if (!hitButton(event->position().toPoint())) {
        set_visual_state(VISUAL_NORMAL);
    } else {
        set_visual_state(record_.press_source == PRESS_MOUSE ? VISUAL_PRESSED : hover_state());
    }
}

void RoundButton::leaveEvent(QEvent*)
{
    if (!deaf()) set_visual_state(VISUAL_NORMAL);
}

void RoundButton::keyPressEvent(QKeyEvent* event)
{
    if (record_.press_source == PRESS_NONE) {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: send_click(); return;
        case Qt::Key_Space:
            if (event->isAutoRepeat()) return;
            record_.press_source = PRESS_SPACE;
            record_.visual_state = VISUAL_PRESSED;
            redraw();
            return;
        default: break;
        }
    }
    QWidget::keyPressEvent(event);
}

void RoundButton::keyReleaseEvent(QKeyEvent* event)
{
    // Held keys repeat as release/press pairs here; only the real release ends a space press.
    if (event->isAutoRepeat() || record_.press_source != PRESS_SPACE) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    record_.press_source = PRESS_NONE;
    const bool was_down = record_.visual_state != VISUAL_NORMAL;
    record_.visual_state = VISUAL_NORMAL;
    redraw();
    if (was_down) send_click();
}

void RoundButton::focusInEvent(QFocusEvent* event)
{
    focus_mark_ = keyboard_navigation && event->reason() != Qt::MouseFocusReason;
    // A window activated by the press that is still held must not undo it.
    if (record_.press_source != PRESS_MOUSE) record_.visual_state = VISUAL_NORMAL;
    if (deaf()) {
        focusNextPrevChild(event->reason() != Qt::BacktabFocusReason);
        return;
    }
    redraw();
}

void RoundButton::focusOutEvent(QFocusEvent*)
{
    // A mouse press ends with its release, wherever focus went meanwhile; a key press ends here.
    if (record_.press_source == PRESS_SPACE) record_.press_source = PRESS_NONE;
    if (record_.press_source != PRESS_MOUSE) record_.visual_state = VISUAL_NORMAL;
    redraw();
}

void RoundButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        // Qt sends a disabled widget no leave event, so drop the hover and press looks now.
        if (!isEnabled()) {
            if (!deaf()) record_.visual_state = VISUAL_NORMAL;
            record_.press_source = PRESS_NONE;
        }
        redraw();
    } else if (event->type() == QEvent::ApplicationPaletteChange) {
        // On pure black or white system faces the button takes the system colours outright.
        const SystemColors system = system_colors();
        if (system.face == default_face_color(system.face)) {
            set_face_color(system.face);
            set_text_color(system.text);
            set_hot_text_color(system.text);
            set_pressed_text_color(system.text, true);
        }
    }
    QAbstractButton::changeEvent(event);
}

}  // namespace orbilan
