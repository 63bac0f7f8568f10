// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt_platform.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPointer>
#include <QScreen>

namespace orbilan {

namespace {

// A dialog takes the keyboard; when it closes, the control that had it gets it back, in its
// window, rather than whatever window the display happens to give focus to.
class FocusReturn {
public:
    FocusReturn() : control_(QApplication::focusWidget()) {}
    ~FocusReturn()
    {
        if (!control_ || !control_->isVisible()) return;
        control_->activateWindow();
        control_->setFocus(Qt::ActiveWindowFocusReason);
    }
    FocusReturn(const FocusReturn&) = delete;
    FocusReturn& operator=(const FocusReturn&) = delete;

private:
    QPointer<QWidget> control_;
};

QMessageBox::Icon box_icon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::information: return QMessageBox::Information;
    case MessageIcon::error: return QMessageBox::Critical;
    case MessageIcon::none: break;
    }
    return QMessageBox::NoIcon;
}

std::string file_dialog(QFileDialog::AcceptMode mode, const std::string& title, const std::string& folder,
                        const std::string& filter, const std::string& suffix)
{
    QFileDialog dialog(nullptr, QString::fromStdString(title), QString::fromStdString(folder),
                       QString::fromStdString(filter));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QString::fromStdString(suffix));
    const FocusReturn focus_return;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front().toStdString();
}

}  // namespace

QSurfaceFormat view_surface_format()
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(24);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    return format;
}

void QtPlatform::message_box(const UserMessage& message)
{
    QMessageBox box(box_icon(message.icon), QString::fromStdString(message.caption),
                    QString::fromStdString(message.text), QMessageBox::Ok);
    const FocusReturn focus_return;
    box.exec();
}

std::string QtPlatform::open_file(const std::string& title, const std::string& folder, const std::string& filter,
                                  const std::string& suffix)
{
    return file_dialog(QFileDialog::AcceptOpen, title, folder, filter, suffix);
}

std::string QtPlatform::save_file(const std::string& title, const std::string& folder, const std::string& filter,
                                  const std::string& suffix)
{
    // The default log folder under the user's data folder exists only once a log was written.
    QDir().mkpath(QString::fromStdString(folder));
    return file_dialog(QFileDialog::AcceptSave, title, folder, filter, suffix);
}

std::string QtPlatform::program_folder() { return QCoreApplication::applicationDirPath().toStdString() + "/"; }

WorkArea QtPlatform::work_area()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return {};
    const QRect area = screen->availableGeometry();
    return {area.left(), area.top(), area.width(), area.height()};
}

GlSupport QtPlatform::probe_gl() { return probe_view_gl(); }

GlSupport probe_view_gl()
{
    if (!QGuiApplication::primaryScreen()) return GlSupport::no_screen;
    QOffscreenSurface surface;
    surface.setFormat(view_surface_format());
    surface.create();
    if (!surface.isValid()) return GlSupport::no_native_surface;
    QOpenGLContext context;
    context.setFormat(view_surface_format());
    if (!context.create()) return GlSupport::no_context;
    if (context.format().redBufferSize() <= 0) return GlSupport::no_colour_buffer;
    if (context.format().depthBufferSize() <= 0) return GlSupport::no_depth_buffer;
    if (!context.makeCurrent(&surface)) return GlSupport::cannot_activate;
    context.doneCurrent();
    return GlSupport::ok;
}

}  // namespace orbilan
