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

struct SavedPicture {
    bool saved = false;
    std::filesystem::path path;
    QString message;  // where it went, or why it did not
};

// Writes the image as PREFIX-YYYYMMDD-HHMMSS.png (with -2, -3, ... when that name is taken) in
// folder; the message names what was saved, subject.
SavedPicture save_picture(const QImage& image, const std::filesystem::path& folder, const QDateTime& when,
                          const std::string& prefix = "orbilan", const QString& subject = "The view");

// Says where a picture went, or why it did not, in a message that leaves the run going.
void announce_picture(const SavedPicture& picture, QWidget* parent);

}  // namespace orbilan
