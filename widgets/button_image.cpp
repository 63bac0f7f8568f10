// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/button_image.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

namespace orbilan {

namespace {

bool looks_like_svg(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = file.read(256).trimmed();
    return head.startsWith("<svg") || (head.startsWith("<?xml") && head.contains("<svg"));
}

}  // namespace

ButtonImage::ButtonImage(const QPixmap& pixmap) : pixmap_(pixmap) {}

QString resource_path(const QString& name) { return name.contains('.') ? name : QStringLiteral(":/res/") + name; }

ButtonImage ButtonImage::load(const QString& name)
{
    ButtonImage image;
    const QString path = resource_path(name);
    if (looks_like_svg(path)) {
        auto svg = std::make_shared<QSvgRenderer>(path);
        if (svg->isValid()) image.svg_ = std::move(svg);
    } else {
        image.pixmap_.load(path);
    }
    return image;
}

QSize ButtonImage::natural_size() const { return svg_ ? svg_->defaultSize() : pixmap_.size(); }

void ButtonImage::draw(QPainter& painter, int type, int x, int y, int width, int height) const
{
    const QSize size = type == IMAGE_ICON ? QSize(width, height) : natural_size();
    if (size.isEmpty() || is_null()) return;
    if (svg_) {
        const qreal ratio = painter.device()->devicePixelRatioF();
        if (rendered_.deviceIndependentSize() != QSizeF(size) || rendered_.devicePixelRatio() != ratio) {
            QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter art(&image);
            svg_->render(&art);
            art.end();
            rendered_ = QPixmap::fromImage(image);
            rendered_.setDevicePixelRatio(ratio);
        }
        painter.drawPixmap(x, y, rendered_);
    } else {
        painter.drawPixmap(QRect(QPoint(x, y), size), pixmap_);
    }
}

QImage ButtonImage::render(QSize size) const
{
    if (size.isEmpty()) size = natural_size();
    if (is_null() || size.isEmpty()) return {};
    QImage out(size, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    draw(painter, IMAGE_ICON, 0, 0, size.width(), size.height());
    return out;
}

QImage load_resource_image(const QString& name, QSize size) { return ButtonImage::load(name).render(size); }

}  // namespace orbilan
