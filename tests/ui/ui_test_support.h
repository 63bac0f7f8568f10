#pragma once

#include <QImage>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace orbilan::test {

// Shows a top-level widget and waits until the X server has mapped it.
inline void show_and_wait(QWidget* window)
{
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window)) << "window never became visible";
}

// The point `local` of `widget`, in the coordinates of its top-level window.
inline QPoint in_window(const QWidget* widget, QPoint local) { return widget->mapTo(widget->window(), local); }

inline QRgb pixel_of(QWidget* widget, QPoint local) { return widget->grab().toImage().pixel(local); }

}  // namespace orbilan::test
