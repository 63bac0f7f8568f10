// SPDX-License-Identifier: GPL-3.0-or-later
// The video encoder alone: synthetic frames in, the file decoded as a player decodes it.
#include <QPainter>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <thread>

#include "app/video_recorder.h"
#include "decoded_video.h"
#include "temp_folder.h"

namespace orbilan {
namespace {

namespace fs = std::filesystem;

// Red on the left, blue on the right, a white square at the top whose place tells the frames apart.
QImage frame(int number, int scale = 1)
{
    QImage image(161 * scale, 121 * scale, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.scale(scale, scale);
    painter.fillRect(0, 0, 80, 121, QColor(200, 0, 0));
    painter.fillRect(80, 0, 81, 121, QColor(0, 0, 200));
    painter.fillRect(10 + 10 * number, 10, 20, 20, Qt::white);
    return image;
}

QImage noise(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(image.scanLine(y)), size.width());
    return image;
}

bool near(QColor seen, QColor expected)
{
    return std::abs(seen.red() - expected.red()) < 48 && std::abs(seen.green() - expected.green()) < 48 &&
           std::abs(seen.blue() - expected.blue()) < 48;
}

// Every frame decodes in its order, right way up with its colours, at the time of its index; an odd
// size loses a column and a row, and a frame of another size is fitted into the first.
TEST(VideoRecorder, EveryFrameDecodesAtItsTime)
{
    test::TempFolder temp;
    const fs::path path = temp.path() / "out.mp4";
    std::string error;
    auto recorder = VideoRecorder::open(path, QSize(161, 121), 10, error);
    ASSERT_TRUE(recorder) << error;
    const std::vector<std::int64_t> indexes{0, 1, 2, 3, 4, 5, 9, 10, 11};
    for (std::size_t k = 0; k < indexes.size(); ++k) ASSERT_TRUE(recorder->add_frame(frame(int(k)), indexes[k]));
    ASSERT_TRUE(recorder->add_frame(frame(int(indexes.size()), 2), 12));
    const VideoRecorder::Outcome outcome = recorder->finish();
    ASSERT_TRUE(outcome.saved) << outcome.error;
    EXPECT_EQ(outcome.frames_written, 10);
    EXPECT_EQ(outcome.frames_left_out, 0);

    const test::DecodedVideo video = test::decode_video(path);
    ASSERT_EQ(video.error, "");
    EXPECT_EQ(video.codec, "h264");
    ASSERT_EQ(video.frames.size(), 10u);
    for (std::size_t k = 0; k < video.frames.size(); ++k) {
        const QImage& seen = video.frames[k];
        ASSERT_EQ(seen.size(), QSize(160, 120));
        const std::int64_t index = k < indexes.size() ? indexes[k] : 12;
        EXPECT_NEAR(video.seconds[k], index / 10.0, 1e-3) << k;
        EXPECT_TRUE(near(seen.pixel(25 + 10 * int(k), 20), Qt::white)) << "square of frame " << k;
        EXPECT_TRUE(near(seen.pixel(25 + 10 * int(k), 50), QColor(k < 6 ? 200 : 0, 0, k < 6 ? 0 : 200))) << k;
        EXPECT_TRUE(near(seen.pixel(5, 110), QColor(200, 0, 0))) << k;
        EXPECT_TRUE(near(seen.pixel(150, 110), QColor(0, 0, 200))) << k;
    }
}

// Frames that come faster than they are encoded are counted, never lost unsaid; the file holds
// exactly the others.
TEST(VideoRecorder, FramesThatFindTheQueueFullAreCounted)
{
    test::TempFolder temp;
    const fs::path path = temp.path() / "out.mp4";
    std::string error;
    auto recorder = VideoRecorder::open(path, QSize(320, 240), 1, error);
    ASSERT_TRUE(recorder) << error;
    const QImage picture = noise(QSize(320, 240));
    int queued = 0;
    for (int k = 0; k < 40; ++k) queued += recorder->add_frame(picture, k) ? 1 : 0;
    const VideoRecorder::Outcome outcome = recorder->finish();
    ASSERT_TRUE(outcome.saved) << outcome.error;
    EXPECT_GT(outcome.frames_left_out, 0);
    EXPECT_EQ(outcome.frames_written, queued);
    EXPECT_EQ(outcome.frames_written + outcome.frames_left_out, 40);
    EXPECT_EQ(test::decode_video(path).frames.size(), std::size_t(queued));
}

// A file that cannot be made, or that fills up during the recording, is reported with the reason
// and leaves nothing behind.
TEST(VideoRecorder, AFailedWriteSaysWhyAndLeavesNoFile)
{
    std::string error;
    EXPECT_FALSE(VideoRecorder::open("/proc/orbilan-video.mp4", QSize(64, 48), 10, error));
    EXPECT_NE(error, "");
    EXPECT_FALSE(fs::exists("/proc/orbilan-video.mp4"));

    test::TempFolder temp;
    const fs::path path = temp.path() / "out.mp4";
    rlimit previous{};
    ::getrlimit(RLIMIT_FSIZE, &previous);
    const rlimit small{16 * 1024, previous.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    const auto previous_handler = ::signal(SIGXFSZ, SIG_IGN);
    auto recorder = VideoRecorder::open(path, QSize(320, 240), 10, error);
    ASSERT_TRUE(recorder) << error;
    for (int k = 0; k < 40 && recorder->failure().empty(); ++k) {
        recorder->add_frame(noise(QSize(320, 240)), k);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const VideoRecorder::Outcome outcome = recorder->finish();
    ::setrlimit(RLIMIT_FSIZE, &previous);
    ::signal(SIGXFSZ, previous_handler);
    EXPECT_FALSE(outcome.saved);
    EXPECT_EQ(outcome.error, "File too large");
    EXPECT_FALSE(fs::exists(path));
}

}  // namespace
}  // namespace orbilan
