// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/view_recording.h"

#include <cmath>
#include <string>
#include <system_error>

#include "app/view_picture.h"
#include "view/gl_view.h"

namespace orbilan {

ViewRecording::ViewRecording(std::function<void()> changed, std::function<void(const QString&)> stopped_by_failure)
    : changed_(std::move(changed)), stopped_by_failure_(std::move(stopped_by_failure))
{
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
        take_frame();
        timer_.setInterval(interval_ms_);
    });
}

QString ViewRecording::start(GlView& view, int interval_ms, const std::filesystem::path& folder, const QDateTime& when)
{
    if (recorder_) return {};
    if (interval_ms <= 0)
        return "The view could not be recorded: the frame rate is off; choose one in the options panel.";
    const std::filesystem::path path = free_file_path(folder, when, "mp4");
    const QString failed = "The view could not be recorded to " + QString::fromStdString(path.string()) + ": ";
    std::error_code ignored;
    if (!std::filesystem::is_directory(folder, ignored))
        return failed + "the folder " + QString::fromStdString(folder.string()) + " does not exist.";
    const QImage first = view.grabFramebuffer();
    std::string error;
    recorder_ = VideoRecorder::open(path, first.size(), 1000 / interval_ms, error);
    if (!recorder_) return failed + QString::fromStdString(error) + ".";
    view_ = &view;
    interval_ms_ = interval_ms;
    next_index_ = 0;
    left_out_shown_ = 0;
    clock_.start();
    recorder_->add_frame(first, next_index_++);
    timer_.start(interval_ms);
    changed_();
    return {};
}

QString ViewRecording::stop()
{
    if (!recorder_) return {};
    timer_.stop();
    // The video lasts until now.
    if (recorder_->failure().empty()) add_frame_now(true);
    const int fps = 1000 / interval_ms_;
    const std::unique_ptr<VideoRecorder> recorder = std::move(recorder_);
    const VideoRecorder::Outcome outcome = recorder->finish();
    changed_();
    const QString path = QString::fromStdString(recorder->path().string());
    if (!outcome.saved)
        return "The recording to " + path + " failed (" + QString::fromStdString(outcome.error) +
               ") and its file was removed.";
    QString said = QString("The recording was saved as %1: %2 frames at %3 per second.")
                       .arg(path)
                       .arg(outcome.frames_written)
                       .arg(fps);
    if (outcome.frames_left_out > 0)
        said += QString(
                    " The encoder fell behind and %1 frames were left out; the frame before each one shows in "
                    "its place.")
                    .arg(outcome.frames_left_out);
    return said;
}

void ViewRecording::on_view_frame(int view_interval_ms)
{
    if (!recorder_ || view_interval_ms != interval_ms_) return;
    take_frame();
    // The timer now only stands in when the view's frames stop coming (the run paused or ended).
    timer_.start(interval_ms_ * 3 / 2);
}

void ViewRecording::take_frame()
{
    if (!recorder_) return;
    if (!recorder_->failure().empty()) {
        stopped_by_failure_(stop());
        return;
    }
    add_frame_now();
    if (const std::int64_t left_out = recorder_->frames_left_out(); left_out != left_out_shown_) {
        left_out_shown_ = left_out;
        changed_();
    }
}

void ViewRecording::add_frame_now(bool wait_for_room)
{
    // The frame goes where its time falls, so that the video's pace is the view's.
    const auto due = static_cast<std::int64_t>(std::llround(clock_.elapsed() / double(interval_ms_)));
    const std::int64_t index = std::max(next_index_, due);
    recorder_->add_frame(view_->grabFramebuffer(), index, wait_for_room);
    next_index_ = index + 1;
}

}  // namespace orbilan
