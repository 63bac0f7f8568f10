// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/video_recorder.h"

#include <QPainter>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <system_error>

namespace orbilan {

namespace {

std::string av_error_text(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// What the queue may hold: at most a second of frames and this many bytes. A short stall of the
// encoder is absorbed, a lasting one costs frames rather than memory, and stopping waits for
// little.
constexpr std::size_t QUEUE_BYTES = 128u << 20;

}  // namespace

// The FFmpeg side: the container, the encoder and the conversion into its pixel format.
struct VideoEncoder {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* scaler = nullptr;
    QSize source_size;
    QSize size;  // even, as 4:2:0 chroma needs
    std::int64_t last_pts = -1;

    ~VideoEncoder()
    {
        sws_freeContext(scaler);
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&codec);
        if (format && format->pb) avio_closep(&format->pb);
        avformat_free_context(format);
    }

    // Sends a frame (nullptr: the end of the video) and writes the packets that come out. Returns 0
    // or an FFmpeg error; a failed write shows in the file's error, since the output is buffered.
    int encode(const AVFrame* in)
    {
        int result = avcodec_send_frame(codec, in);
        while (result >= 0) {
            result = avcodec_receive_packet(codec, packet);
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
                result = 0;
                break;
            }
            if (result < 0) break;
            // The container ends the video after the last frame's duration; without one it drops it.
            if (packet->duration == 0) packet->duration = 1;
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            result = av_interleaved_write_frame(format, packet);
        }
        return result < 0 ? result : format->pb->error;
    }

    int encode_image(const QImage& image, std::int64_t index)
    {
        QImage rgb;
        if (image.size() == source_size) {
            rgb = image.convertToFormat(QImage::Format_RGBX8888);
        } else {
            // A resized view keeps its proportions inside the first size, with black beside it.
            rgb = QImage(size, QImage::Format_RGBX8888);
            rgb.fill(Qt::black);
            const QImage scaled = image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            QPainter(&rgb).drawImage((size.width() - scaled.width()) / 2, (size.height() - scaled.height()) / 2,
                                     scaled);
        }
        if (const int result = av_frame_make_writable(frame); result < 0) return result;
        // The source's stride skips an odd size's last column; its last row is never read.
        const uint8_t* const planes[1] = {rgb.constBits()};
        const int strides[1] = {static_cast<int>(rgb.bytesPerLine())};
        sws_scale(scaler, planes, strides, 0, size.height(), frame->data, frame->linesize);
        last_pts = std::max(index, last_pts + 1);
        frame->pts = last_pts;
        return encode(frame);
    }

    // The encoder's last packets, the container's trailer and the file closed.
    int close_file()
    {
        int result = encode(nullptr);
        if (result >= 0) result = av_write_trailer(format);
        const int closed = avio_closep(&format->pb);
        return result < 0 ? result : closed;
    }
};

std::unique_ptr<VideoRecorder> VideoRecorder::open(const std::filesystem::path& path, QSize size, int fps,
                                                   std::string& error)
{
    // Failures reach the user through the returned reasons; the libraries' notes would only reach a
    // terminal.
    av_log_set_level(AV_LOG_ERROR);
    auto encoder = std::make_unique<VideoEncoder>();
    VideoEncoder& e = *encoder;
    e.source_size = size;
    e.size = QSize(size.width() & ~1, size.height() & ~1);
    const auto fail = [&](const std::string& why) -> std::unique_ptr<VideoRecorder> {
        error = why;
        const bool began = e.format && e.format->pb;
        encoder.reset();
        std::error_code ignored;
        if (began) std::filesystem::remove(path, ignored);
        return nullptr;
    };
    if (e.size.width() < 2 || e.size.height() < 2 || fps < 1) return fail("there is no picture to record");

    int result = avformat_alloc_output_context2(&e.format, nullptr, "mp4", path.c_str());
    if (result < 0) return fail(av_error_text(result));
    // H.264 through libx264 in MP4: played by every browser, phone and player, and fast enough to
    // keep up with the view on a busy processor (several times faster than VP8 for the same picture).
    // Debian's libavcodec always has it: it depends on libx264.
    const AVCodec* h264 = avcodec_find_encoder_by_name("libx264");
    if (!h264) return fail("the FFmpeg libraries here have no H.264 encoder (libx264)");
    e.stream = avformat_new_stream(e.format, nullptr);
    e.codec = avcodec_alloc_context3(h264);
    e.frame = av_frame_alloc();
    e.packet = av_packet_alloc();
    if (!e.stream || !e.codec || !e.frame || !e.packet) return fail(av_error_text(AVERROR(ENOMEM)));

    AVCodecContext& c = *e.codec;
    c.width = e.size.width();
    c.height = e.size.height();
    c.pix_fmt = AV_PIX_FMT_YUV420P;
    c.time_base = {1, fps};
    c.framerate = {fps, 1};
    c.gop_size = 2 * fps;  // a key frame every two seconds to seek to
    c.thread_count = 2;
    if (e.format->oformat->flags & AVFMT_GLOBALHEADER) c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // Constant quality: thin trails and small bodies stay sharp on the black of space, which costs
    // few bits.
    av_opt_set(c.priv_data, "preset", "superfast", 0);
    av_opt_set(c.priv_data, "crf", "20", 0);
    if ((result = avcodec_open2(e.codec, h264, nullptr)) < 0) return fail(av_error_text(result));
    if ((result = avcodec_parameters_from_context(e.stream->codecpar, e.codec)) < 0) return fail(av_error_text(result));
    e.stream->time_base = c.time_base;
    e.frame->format = c.pix_fmt;
    e.frame->width = c.width;
    e.frame->height = c.height;
    if ((result = av_frame_get_buffer(e.frame, 0)) < 0) return fail(av_error_text(result));
    e.scaler = sws_getContext(c.width, c.height, AV_PIX_FMT_RGB0, c.width, c.height, c.pix_fmt, SWS_BILINEAR, nullptr,
                              nullptr, nullptr);
    if (!e.scaler) return fail("the pixel format conversion could not be set up");

    if ((result = avio_open(&e.format->pb, path.c_str(), AVIO_FLAG_WRITE)) < 0) return fail(av_error_text(result));
    if ((result = avformat_write_header(e.format, nullptr)) < 0) return fail(av_error_text(result));
    if (e.format->pb->error < 0) return fail(av_error_text(e.format->pb->error));

    const std::size_t frame_bytes = std::size_t(4) * size.width() * size.height();
    const std::size_t capacity = std::clamp<std::size_t>(QUEUE_BYTES / frame_bytes, 2, std::max(2, fps));
    try {
        return std::unique_ptr<VideoRecorder>(new VideoRecorder(path, std::move(encoder), capacity));
    } catch (const std::system_error& thread_error) {
        return fail(std::string("no thread could be started (") + thread_error.what() + ")");
    }
}

VideoRecorder::VideoRecorder(std::filesystem::path path, std::unique_ptr<VideoEncoder> encoder, std::size_t capacity)
    : path_(std::move(path)), encoder_(std::move(encoder)), capacity_(capacity)
{
    thread_ = std::thread([this] { encode_frames(); });
}

VideoRecorder::~VideoRecorder() { finish(); }

bool VideoRecorder::add_frame(const QImage& frame, std::int64_t index, bool wait_for_room)
{
    {
        std::unique_lock lock(mutex_);
        if (wait_for_room)
            room_.wait(lock, [this] { return frames_.size() < capacity_ || !failure_.empty() || closing_; });
        if (closing_ || !failure_.empty() || frames_.size() >= capacity_ || frame.isNull()) {
            ++left_out_;
            return false;
        }
        frames_.push_back({frame, index});
    }
    queued_.notify_one();
    return true;
}

std::int64_t VideoRecorder::frames_left_out() const
{
    std::lock_guard lock(mutex_);
    return left_out_;
}

std::string VideoRecorder::failure() const
{
    std::lock_guard lock(mutex_);
    return failure_;
}

void VideoRecorder::encode_frames()
{
    for (;;) {
        Frame next;
        {
            std::unique_lock lock(mutex_);
            queued_.wait(lock, [this] { return closing_ || !frames_.empty(); });
            if (frames_.empty()) break;
            next = std::move(frames_.front());
            frames_.pop_front();
        }
        room_.notify_one();
        const int result = encoder_->encode_image(next.image, next.index);
        std::lock_guard lock(mutex_);
        if (result < 0) {
            room_.notify_one();
            failure_ = av_error_text(result);
            left_out_ += static_cast<std::int64_t>(frames_.size()) + 1;
            frames_.clear();
            return;
        }
        ++written_;
    }
    const int result = encoder_->close_file();
    std::lock_guard lock(mutex_);
    if (result < 0) failure_ = av_error_text(result);
}

VideoRecorder::Outcome VideoRecorder::finish()
{
    {
        std::lock_guard lock(mutex_);
        if (finished_) return {};
        finished_ = true;
        closing_ = true;
    }
    queued_.notify_one();
    thread_.join();
    // Closes the file if the encoder stopped at a failure.
    encoder_.reset();
    Outcome outcome;
    outcome.frames_written = written_;
    outcome.frames_left_out = left_out_;
    outcome.error = failure_;
    outcome.saved = failure_.empty();
    std::error_code ignored;
    if (!outcome.saved) std::filesystem::remove(path_, ignored);
    return outcome;
}

}  // namespace orbilan
