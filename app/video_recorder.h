// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSize>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace orbilan {

struct VideoEncoder;

// Encodes frames into an MP4 (H.264) file on a thread of its own, so that the frames' producer never waits
// for the encoder. The frames go through a bounded queue; a frame that finds it full is counted, not
// queued, and the video shows the frame before it for longer.
class VideoRecorder {
public:
    // Opens path for frames of the given size at fps frames per second, or says why it cannot (the
    // file it may have begun is then gone). An odd width or height loses its last column or row.
    static std::unique_ptr<VideoRecorder> open(const std::filesystem::path& path, QSize size, int fps,
                                               std::string& error);
    // Finishes the file if finish() was not called.
    ~VideoRecorder();
    VideoRecorder(const VideoRecorder&) = delete;
    VideoRecorder& operator=(const VideoRecorder&) = delete;

    // Queues a frame shown from `index` frame periods after the start (each index later than the last).
    // A frame of another size is scaled into the first size, its proportions kept. False, with the
    // frame counted in frames_left_out(), when the queue is full (unless wait_for_room) or the
    // encoder has failed.
    bool add_frame(const QImage& frame, std::int64_t index, bool wait_for_room = false);

    std::int64_t frames_left_out() const;
    // The reason the encoder stopped, empty while it works.
    std::string failure() const;

    struct Outcome {
        bool saved = false;
        std::int64_t frames_written = 0;
        std::int64_t frames_left_out = 0;
        std::string error;  // why the file is not saved; it was removed
    };
    // Encodes what is queued, closes the file so that it plays, and joins the thread. Once only.
    Outcome finish();

    const std::filesystem::path& path() const { return path_; }

private:
    VideoRecorder(std::filesystem::path path, std::unique_ptr<VideoEncoder> encoder, std::size_t capacity);
    void encode_frames();

    struct Frame {
        QImage image;
        std::int64_t index;
    };

    const std::filesystem::path path_;
    std::unique_ptr<VideoEncoder> encoder_;
    const std::size_t capacity_;
    mutable std::mutex mutex_;
    std::condition_variable queued_;
    std::condition_variable room_;
    std::deque<Frame> frames_;
    bool closing_ = false;
    bool finished_ = false;
    std::int64_t left_out_ = 0;
    std::int64_t written_ = 0;
    std::string failure_;
    std::thread thread_;
};

}  // namespace orbilan
