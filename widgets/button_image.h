// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>

#include <memory>

class QPainter;
class QSvgRenderer;

namespace orbilan {

// How a button draws a loaded picture: a bitmap at its own size, an icon stretched to the button's
// image size.
enum ImageType { IMAGE_BITMAP = 0, IMAGE_ICON = 1 };

// A picture a button can show. Vector art is kept as vector art so a 32 x 32 icon stays sharp when
// a button draws it at 24 x 24; anything else is a plain pixmap.
class ButtonImage {
public:
    ButtonImage() = default;
    explicit ButtonImage(const QPixmap& pixmap);

    // `name` is a path when it contains a ".", otherwise a name among the program's built-in images.
    static ButtonImage load(const QString& name);

    bool is_null() const { return !svg_ && pixmap_.isNull(); }
    QSize natural_size() const;
    void draw(QPainter& painter, int type, int x, int y, int width, int height) const;
    QImage render(QSize size) const;

private:
    std::shared_ptr<QSvgRenderer> svg_;
    QPixmap pixmap_;
    // Vector art rendered at the size it was last drawn, so hover repaints only copy pixels.
    mutable QPixmap rendered_;
};

// Where a name without a "." is looked up among the built-in images.
QString resource_path(const QString& name);

// A built-in or file image rendered at `size` (its own size when `size` is empty); null when missing.
QImage load_resource_image(const QString& name, QSize size = {});

}  // namespace orbilan
