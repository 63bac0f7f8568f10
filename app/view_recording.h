// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/video_recorder.h"

namespace orbilan {

class GlView;

// The view recorded as a video at a frame rate, beside the pictures. A frame is taken at each of
// the view's timed frames while they come at the recording's rate (during a run), and on a timer of
// its own otherwise, so that the video keeps the pace of what the user saw, paused stretches and
// camera moves included. A frame's place in the video is its time since the start.
class ViewRecording {
public:
    // changed: the recording started or stopped, or frames were left out. stopped_by_failure: the
    // message of a recording the encoder gave up on, its file removed.
    ViewRecording(std::function<void()> changed, std::function<void(const QString&)> stopped_by_failure);

    bool active() const { return recorder_ != nullptr; }
    std::int64_t frames_left_out() const { return recorder_ ? recorder_->frames_left_out() : 0; }

    // Starts recording view, interval_ms per frame, into folder as orbilan-YYYYMMDD-HHMMSS.mp4.
    // Returns an empty string, or why it did not start.
    QString start(GlView& view, int interval_ms, const std::filesystem::path& folder, const QDateTime& when);
    // Closes the file so that it plays; says where it is, and how many frames were left out because
    // the encoder fell behind, or why it failed (the file is then gone). Empty when not recording.
    QString stop();

    // Called at each of the view's timed frames with the view's redraw interval.
    void on_view_frame(int view_interval_ms);

private:
    void take_frame();
    void add_frame_now(bool wait_for_room = false);

    std::function<void()> changed_;
    std::function<void(const QString&)> stopped_by_failure_;
    std::unique_ptr<VideoRecorder> recorder_;
    GlView* view_ = nullptr;
    int interval_ms_ = 0;
    QTimer timer_;
    QElapsedTimer clock_;
    std::int64_t next_index_ = 0;
    std::int64_t left_out_shown_ = 0;
};

}  // namespace orbilan
