// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QHelpEvent>
#include <QImage>
#include <QTest>
#include <QToolTip>
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

// The hint the mouse resting on `control` brings up, or an empty text when none shows.
inline QString hint_shown_for(QWidget* control)
{
    QToolTip::hideText();
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
    QHelpEvent event(QEvent::ToolTip, QPoint(5, 5), control->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(control, &event);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

}  // namespace orbilan::test
