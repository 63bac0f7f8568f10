// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

namespace orbilan {

class GlView;
struct ViewState;

// The borderless window that covers the work area and hosts the 3D view; the panels are its
// tool windows.
class HostWindow : public QWidget {
    Q_OBJECT
public:
    explicit HostWindow(ViewState& view);

    void set_view(GlView* view) { gl_window_ = view; }
    // The toolbar minimises and restores together with this window.
    void set_toolbar_panel(QWidget* panel) { toolbar_panel_ = panel; }

    // The view fills the client area; render state and frame follow the new size.
    void on_host_resize();
    // Frees the view's GL resources and ends the event loop.
    void on_host_close();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    ViewState& view_;
    GlView* gl_window_ = nullptr;
    QPointer<QWidget> toolbar_panel_;
};

}  // namespace orbilan
