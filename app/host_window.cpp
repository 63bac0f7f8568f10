// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/host_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QWindowStateChangeEvent>

#include "view/gl_view.h"
#include "view/view_state.h"

namespace orbilan {

HostWindow::HostWindow(ViewState& view) : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), view_(view)
{
    setWindowTitle("ORBILAN 3");
}

void HostWindow::on_host_resize()
{
    view_.view_width = width();
    view_.view_height = height();
    if (!gl_window_) return;
    gl_window_->setGeometry(0, 0, view_.view_width, view_.view_height);
    gl_window_->apply_render_state();
    gl_window_->redraw_view();
}

void HostWindow::on_host_close()
{
    if (gl_window_) gl_window_->destroy_view();
    // Not quit(): that first asks every window to close, and a shown panel refuses.
    QCoreApplication::exit(0);
}

void HostWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    on_host_resize();
}

void HostWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !toolbar_panel_) return;
    const bool was_minimised = static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized;
    if (isMinimized() && !was_minimised)
        toolbar_panel_->showMinimized();
    else if (!isMinimized() && was_minimised)
        toolbar_panel_->showNormal();
}

void HostWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    on_host_close();
}

}  // namespace orbilan
