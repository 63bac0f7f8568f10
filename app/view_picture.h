// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QImage>
#include <QString>

#include <filesystem>
#include <string>

class QWidget;

namespace orbilan {

// Where pictures of the view go: XDG_PICTURES_DIR, else the desktop's pictures folder when it
// exists, else the home folder.
std::filesystem::path pictures_folder();

// folder/PREFIX-YYYYMMDD-HHMMSS.extension, with -2, -3, ... before the extension when that name
// is taken.
std::filesystem::path free_file_path(const std::filesystem::path& folder, const QDateTime& when,
                                     const std::string& extension, const std::string& prefix = "orbilan");

struct SavedPicture {
    bool saved = false;
    std::filesystem::path path;
    QString message;  // where it went, or why it did not
};

// Writes the image in folder under a free_file_path() ending in .png; the message names what was
// saved, subject.
SavedPicture save_picture(const QImage& image, const std::filesystem::path& folder, const QDateTime& when,
                          const std::string& prefix = "orbilan", const QString& subject = "The view");

// A message that leaves the run going: what was saved where, or why it was not.
void show_note(bool went_well, const QString& text, QWidget* parent);
// Says where a picture went, or why it did not, in such a message.
inline void announce_picture(const SavedPicture& picture, QWidget* parent)
{
    show_note(picture.saved, picture.message, parent);
}

}  // namespace orbilan
