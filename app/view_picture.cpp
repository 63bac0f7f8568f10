// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/view_picture.h"

#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QMessageBox>
#include <QStandardPaths>

#include <cstdlib>
#include <system_error>

namespace orbilan {

std::filesystem::path pictures_folder()
{
    if (const char* xdg = std::getenv("XDG_PICTURES_DIR"); xdg != nullptr && *xdg != '\0') return xdg;
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QDir(pictures).exists()) return pictures.toStdString();
    return QDir::homePath().toStdString();
}

std::filesystem::path free_file_path(const std::filesystem::path& folder, const QDateTime& when,
                                     const std::string& extension, const std::string& prefix)
{
    const std::string stem = prefix + "-" + when.toString("yyyyMMdd-HHmmss").toStdString();
    std::filesystem::path path = folder / (stem + "." + extension);
    std::error_code ignored;
    for (int n = 2; std::filesystem::exists(path, ignored); ++n)
        path = folder / (stem + "-" + std::to_string(n) + "." + extension);
    return path;
}

SavedPicture save_picture(const QImage& image, const std::filesystem::path& folder, const QDateTime& when,
                          const std::string& prefix, const QString& subject)
{
    SavedPicture result;
    result.path = free_file_path(folder, when, "png", prefix);
    std::error_code ignored;
    const QString path = QString::fromStdString(result.path.string());
    const QString failed = subject + " could not be saved as " + path + ": ";
    QFile file(path);
    QImageWriter writer(&file, "png");
    if (image.isNull()) {
        result.message = failed + "there is no picture to save.";
    } else if (!std::filesystem::is_directory(folder, ignored)) {
        result.message = failed + "the folder " + QString::fromStdString(folder.string()) + " does not exist.";
    } else if (!file.open(QIODevice::WriteOnly)) {
        result.message = failed + file.errorString() + ".";
    } else if (!writer.write(image) || !file.flush()) {
        result.message = failed + (file.error() != QFile::NoError ? file.errorString() : writer.errorString()) + ".";
        file.remove();
    } else {
        result.saved = true;
        result.message = subject + " was saved as " + path;
    }
    return result;
}

void show_note(bool went_well, const QString& text, QWidget* parent)
{
    auto* box = new QMessageBox(went_well ? QMessageBox::Information : QMessageBox::Warning, "ORBILAN", text,
                                QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

}  // namespace orbilan
