// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "bmp_bytes.h"
#include "view/bmp_reader.h"

namespace orbilan {
namespace {

using test::bmp_file;
using test::Bytes;
using Palette = std::vector<std::array<std::uint8_t, 4>>;
using Rgba = std::array<int, 4>;

Rgba pixel(const BmpImage& image, int col, int row)
{
    const std::size_t at = 4 * (static_cast<std::size_t>(row) * image.width + col);
    return {image.rgba[at], image.rgba[at + 1], image.rgba[at + 2], image.rgba[at + 3]};
}

// Rows stay in stored order (bottom up) with padding skipped, blue-green-red becomes RGBA, and a
// negative height (top row first) is turned the same way up.
TEST(BmpReader, ReadsTwentyFourEightAndThirtyTwoBitPictures)
{
    // Width 3 at 24 bits: rows of 9 bytes padded to 12.
    const Bytes padded{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0};
    const auto image = read_bmp(bmp_file(3, 2, 24, padded));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 3);
    EXPECT_EQ(image->height, 2);
    EXPECT_EQ(pixel(*image, 0, 0), (Rgba{3, 2, 1, 255}));
    EXPECT_EQ(pixel(*image, 2, 0), (Rgba{9, 8, 7, 255}));
    EXPECT_EQ(pixel(*image, 0, 1), (Rgba{13, 12, 11, 255}));
    const auto top_down = read_bmp(bmp_file(3, -2, 24, padded));
    ASSERT_TRUE(top_down);
    EXPECT_EQ(pixel(*top_down, 0, 0), (Rgba{13, 12, 11, 255}));
    EXPECT_EQ(pixel(*top_down, 0, 1), (Rgba{3, 2, 1, 255}));

    Palette palette(256, {0, 0, 0, 0});
    palette[0] = {10, 20, 30, 99};  // blue, green, red, reserved
    palette[7] = {40, 50, 60, 0};
    const auto indexed = read_bmp(bmp_file(4, 1, 8, Bytes{7, 0, 0, 7}, palette));
    ASSERT_TRUE(indexed);
    EXPECT_EQ(pixel(*indexed, 0, 0), (Rgba{60, 50, 40, 255}));
    EXPECT_EQ(pixel(*indexed, 1, 0), (Rgba{30, 20, 10, 255}));

    const auto wide = read_bmp(bmp_file(2, 1, 32, Bytes{1, 2, 3, 0, 4, 5, 6, 128}));
    ASSERT_TRUE(wide);
    EXPECT_EQ(pixel(*wide, 1, 0), (Rgba{6, 5, 4, 255}));
}

}  // namespace
}  // namespace orbilan
