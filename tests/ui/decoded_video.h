// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace orbilan::test {

// A video file as a player sees it: every frame decoded, with its time in seconds.
struct DecodedVideo {
    std::string error;  // empty when the whole file decoded
    std::string codec;
    std::vector<QImage> frames;
    std::vector<double> seconds;
};

inline DecodedVideo decode_video(const std::filesystem::path& path)
{
    DecodedVideo video;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) {
        video.error = "cannot open";
        return video;
    }
    const AVCodec* decoder = nullptr;
    const int s = avformat_find_stream_info(format, nullptr) < 0
                      ? -1
                      : av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    AVCodecContext* codec = s < 0 ? nullptr : avcodec_alloc_context3(decoder);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    if (!codec || avcodec_parameters_to_context(codec, format->streams[s]->codecpar) < 0 ||
        avcodec_open2(codec, decoder, nullptr) < 0) {
        video.error = "no video stream";
    } else {
        video.codec = decoder->name;
        const AVRational time_base = format->streams[s]->time_base;
        const auto take_frames = [&] {
            while (avcodec_receive_frame(codec, frame) == 0) {
                QImage image(frame->width, frame->height, QImage::Format_RGBX8888);
                SwsContext* rgb =
                    sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                                   frame->height, AV_PIX_FMT_RGB0, SWS_BILINEAR, nullptr, nullptr, nullptr);
                uint8_t* planes[1] = {image.bits()};
                const int strides[1] = {static_cast<int>(image.bytesPerLine())};
                sws_scale(rgb, frame->data, frame->linesize, 0, frame->height, planes, strides);
                sws_freeContext(rgb);
                video.frames.push_back(image);
                video.seconds.push_back(static_cast<double>(frame->best_effort_timestamp) * av_q2d(time_base));
            }
        };
        while (av_read_frame(format, packet) >= 0) {
            if (packet->stream_index == s && avcodec_send_packet(codec, packet) < 0) video.error = "corrupt packet";
            av_packet_unref(packet);
            take_frames();
        }
        avcodec_send_packet(codec, nullptr);
        take_frames();
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
    return video;
}

}  // namespace orbilan::test
