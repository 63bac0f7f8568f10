// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/button_paint.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace orbilan {

namespace {

QColor shifted(const QColor& color, int delta)
{
    auto channel = [delta](int c) { return std::clamp(c + delta, 0, 255); };
    return QColor(channel(color.red()), channel(color.green()), channel(color.blue()));
}

// Halves go to the even neighbour, as every rounding in the program does.
int half(int value) { return static_cast<int>(std::lrint(value / 2.0)); }

const ButtonImage* first_loaded(std::initializer_list<const ButtonImage*> images)
{
    for (const ButtonImage* image : images) {
        if (!image->is_null()) return image;
    }
    return nullptr;
}

}  // namespace

QColor default_face_color(const QColor& system_face)
{
    const QRgb rgb = system_face.rgb() & 0xFFFFFF;
    if (rgb == 0x000000 || rgb == 0xFFFFFF) return system_face;
    return shifted(system_face, 8);
}

void rebuild_colors(ButtonRecord& record, const QColor& system_face)
{
    if (record.built_for_face.isValid()) {
        if (record.face_color == default_face_color(record.built_for_face))
            record.face_color = default_face_color(system_face);
        else if (record.face_color == record.built_for_face)
            record.face_color = system_face;
    }
    record.built_for_face = system_face;
}

QPoint image_position(const ButtonRecord& record, int width, int height)
{
    const int w = record.image_width;
    const int h = record.image_height;
    const int left = record.image_margin_left;
    const int top = record.image_margin_top;
    const int centre_x = half(width - w) + left;
    const int centre_y = half(height - h) + top;
    const int right = width - w - record.image_margin_right;
    const int bottom = height - h - record.image_margin_bottom;
    switch (record.image_align) {
    case -1: return {left, top};
    case -2: return {centre_x, top};
    case -3: return {right, top};
    case -4: return {left, centre_y};
    case -5: return {centre_x, centre_y};
    case -6: return {right, centre_y};
    case -7: return {left, bottom};
    case -8: return {centre_x, bottom};
    case -9: return {right, bottom};
    default: return {record.image_x, record.image_y};
    }
}

double contrast_ratio(const QColor& a, const QColor& b)
{
    auto luminance = [](const QColor& c) {
        auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readable_on(const QColor& color, const QColor& face)
{
    if (contrast_ratio(color, face) >= MIN_CAPTION_CONTRAST) return color;
    auto mixed = [&](const QColor& pole, int step) {
        auto channel = [&](int from, int to) { return from + (to - from) * step / 255; };
        return QColor(channel(color.red(), pole.red()), channel(color.green(), pole.green()),
                      channel(color.blue(), pole.blue()));
    };
    // Black or white always reads on any face, so one of the two ways ends in time.
    for (int step = 1; step <= 255; ++step) {
        for (const QColor& pole : {QColor(Qt::black), QColor(Qt::white)}) {
            const QColor candidate = mixed(pole, step);
            if (contrast_ratio(candidate, face) >= MIN_CAPTION_CONTRAST) return candidate;
        }
    }
    return color;
}

QColor caption_color(const ButtonRecord& record, bool enabled)
{
    QColor color;
    switch (record.visual_state) {
    case VISUAL_PRESSED: color = record.pressed_text_color; break;
    case VISUAL_HOT: color = record.hot_text_color; break;
    default: color = enabled ? record.text_color : QColor(0, 0, 255); break;
    }
    return readable_on(color, record.face_color);
}

FrameLook frame_look(const ButtonRecord& record)
{
    const bool interactive = record.fixed_state == 0;
    const bool lit = record.visual_state == VISUAL_HOT || (record.visual_state == VISUAL_NORMAL && record.raised == 1);
    if (record.fixed_state == 2 || (interactive && lit)) return FrameLook::raised;
    if (record.fixed_state == 3 || (interactive && record.visual_state == VISUAL_PRESSED)) return FrameLook::sunken;
    return FrameLook::flat;
}

FrameLook paint_button(QPainter& painter, const ButtonRecord& record, const ButtonSurface& s)
{
    const int W = s.width;
    const int H = s.height;
    const double radius = record.corner / 2.0;
    const QColor dark_face = shifted(s.system.face, -16);

    painter.fillRect(0, 0, W, H, s.system.face);

    // A round rectangle from (a, a) to (W - b, H - b), outlined in `pen` and filled with the face.
    auto inset = [&](int a, int b, const QColor& pen) {
        painter.setPen(QPen(pen, 1));
        painter.setBrush(record.face_color);
        painter.drawRoundedRect(QRectF(a, a, W - b - a - 1, H - b - a - 1), radius, radius);
    };

    const FrameLook look = frame_look(record);
    const bool frozen = record.fixed_state != 0;
    const bool shows_focus = record.focusable != 0 && s.has_focus;
    switch (look) {
    case FrameLook::raised:
        inset(0, 1, s.system.highlight);
        inset(1, 0, s.system.shadow);
        inset(1, 1, record.face_color);
        if (shows_focus && (record.raised != 0 || frozen)) inset(2, 2, dark_face);
        break;
    case FrameLook::sunken:
        inset(1, 0, s.system.highlight);
        inset(0, 1, s.system.shadow);
        inset(1, 1, record.face_color);
        if (shows_focus && frozen) inset(2, 2, s.system.info_back);
        break;
    case FrameLook::flat:
        inset(0, frozen ? 0 : 1, record.face_color);
        if (shows_focus && record.raised == 0) inset(0, 1, frozen ? dark_face : s.system.info_back);
        break;
    }

    const QRect text_rect(record.text_margin_left, record.text_margin_top,
                          W - record.text_margin_right - record.text_margin_left,
                          H - record.text_margin_bottom - record.text_margin_top);
    const QRect pressed_rect = frozen ? text_rect : text_rect.translated(1, 1);
    // An image as large as the button stands in for its caption, also where the image is clear.
    const bool image_covers = !record.image.is_null() && record.image_width >= W && record.image_height >= H;
    auto caption = [&](const QRect& rect, const QColor& color) {
        if (s.caption.isEmpty() || image_covers) return;
        if (record.text_bk_mode == TEXT_BK_OPAQUE)
            painter.fillRect(painter.boundingRect(rect, record.text_format, s.caption), record.text_bk_color);
        painter.setPen(color);
        // The disabled colour is the faintest that reads; smoothed edges would fade it further.
        QFont font = painter.font();
        font.setStyleStrategy(s.enabled ? QFont::PreferDefault : QFont::NoAntialias);
        painter.setFont(font);
        painter.drawText(rect, record.text_format, s.caption);
    };

    const QPoint at = record.image.is_null() ? QPoint() : image_position(record, W, H);
    auto picture = [&](const ButtonImage* image, QPoint where) {
        if (image != nullptr)
            image->draw(painter, record.image_type, where.x(), where.y(), record.image_width, record.image_height);
    };

    const QColor text_color = caption_color(record, s.enabled);
    switch (record.visual_state) {
    case VISUAL_PRESSED: {
        if (record.emboss != 0) caption(pressed_rect.translated(1, 1), s.system.highlight);
        caption(pressed_rect, text_color);
        const bool shift = !frozen && record.no_press_shift == 0;
        const QPoint pressed_at = shift ? at + QPoint(1, 1) : at;
        picture(first_loaded({&record.pressed_image, &record.hot_image, &record.image}), pressed_at);
        break;
    }
    case VISUAL_HOT:
        if (record.emboss != 0) caption(text_rect.translated(1, 1), s.system.highlight);
        caption(text_rect, text_color);
        picture(first_loaded({&record.hot_image, &record.pressed_image, &record.image}), at);
        break;
    default:
        caption(text_rect, text_color);
        if (!record.image.is_null())
            picture(s.enabled ? &record.image : first_loaded({&record.disabled_image, &record.image}), at);
        break;
    }

    // The thin outlines above all but vanish on some faces and under an image; a keyboard user
    // needs to see at a glance which button Enter or Space will press.
    if (shows_focus && s.focus_mark) {
        const QColor ring = contrast_ratio(Qt::black, record.face_color) >= contrast_ratio(Qt::white, record.face_color)
                                ? QColor(Qt::black)
                                : QColor(Qt::white);
        painter.setPen(QPen(ring, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(1.5, 1.5, W - 3, H - 3), radius, radius);
    }
    return look;
}

}  // namespace orbilan
