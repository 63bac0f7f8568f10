// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QImage>
#include <QString>

#include <filesystem>
#include <string>

namespace orbilan {

// Where pictures of the view go: XDG_PICTURES_DIR, else the desktop's pictures folder when it
// exists, else the home folder.
std::filesystem::path pictures_folder();

// folder/orbilan-YYYYMMDD-HHMMSS.extension, with -2, -3, ... before the extension when that name
// is taken.
std::filesystem::path free_file_path(const std::filesystem::path& folder, const QDateTime& when,
                                     const std::string& extension);

struct SavedPicture {
    bool saved = false;
    std::filesystem::path path;
    QString message;  // where it went, or why it did not
};

// Writes the image in folder under a free_file_path() ending in .png.
SavedPicture save_picture(const QImage& image, const std::filesystem::path& folder, const QDateTime& when);

}  // namespace orbilan
