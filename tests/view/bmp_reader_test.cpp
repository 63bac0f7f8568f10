#include <gtest/gtest.h>

#include "bmp_bytes.h"
#include "view/bmp_reader.h"

namespace orbilan {
namespace {

using test::Bytes;
using test::bmp_file;

std::array<int, 4> pixel(const BmpImage& image, int col, int row)
{
    const std::size_t at = 4 * (static_cast<std::size_t>(row) * image.width + col);
    return {image.rgba[at], image.rgba[at + 1], image.rgba[at + 2], image.rgba[at + 3]};
}

TEST(BmpReader, TwentyFourBitKeepsStoredRowOrderAndSwapsToRgb)
{
    // 4 x 2: stored row 0 is blue-green-red triples 1..12, row 1 is 101..112.
    Bytes pixels;
    for (int row = 0; row < 2; ++row)
        for (int i = 1; i <= 12; ++i) pixels.push_back(static_cast<std::uint8_t>(100 * row + i));
    const auto image = read_bmp(bmp_file(4, 2, 24, pixels));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 4);
    EXPECT_EQ(image->height, 2);
    ASSERT_EQ(image->rgba.size(), 32u);
    EXPECT_EQ(pixel(*image, 0, 0), (std::array<int, 4>{3, 2, 1, 255}));
    EXPECT_EQ(pixel(*image, 3, 0), (std::array<int, 4>{12, 11, 10, 255}));
    EXPECT_EQ(pixel(*image, 0, 1), (std::array<int, 4>{103, 102, 101, 255}));
}

TEST(BmpReader, EightBitUsesPaletteColoursAndOpaqueAlpha)
{
    std::vector<std::array<std::uint8_t, 4>> palette(256, {0, 0, 0, 0});
    palette[0] = {10, 20, 30, 99};   // blue, green, red, reserved
    palette[7] = {40, 50, 60, 0};
    const Bytes pixels{7, 0, 0, 7};
    const auto image = read_bmp(bmp_file(4, 1, 8, pixels, palette));
    ASSERT_TRUE(image);
    EXPECT_EQ(pixel(*image, 0, 0), (std::array<int, 4>{60, 50, 40, 255}));
    EXPECT_EQ(pixel(*image, 1, 0), (std::array<int, 4>{30, 20, 10, 255}));
    EXPECT_EQ(pixel(*image, 3, 0), (std::array<int, 4>{60, 50, 40, 255}));
}

TEST(BmpReader, PaddedRowsTopDownAndThirtyTwoBitReadAsPictures)
{
    // Width 3 at 24 bits: rows of 9 bytes padded to 12.
    const Bytes padded{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0};
    const auto image = read_bmp(bmp_file(3, 2, 24, padded));
    ASSERT_TRUE(image);
    EXPECT_EQ(pixel(*image, 2, 0), (std::array<int, 4>{9, 8, 7, 255}));
    EXPECT_EQ(pixel(*image, 0, 1), (std::array<int, 4>{13, 12, 11, 255}));

    // A negative height stores the top row first; the texture still starts at the bottom.
    const auto top_down = read_bmp(bmp_file(3, -2, 24, padded));
    ASSERT_TRUE(top_down);
    EXPECT_EQ(pixel(*top_down, 0, 0), (std::array<int, 4>{13, 12, 11, 255}));
    EXPECT_EQ(pixel(*top_down, 0, 1), (std::array<int, 4>{3, 2, 1, 255}));

    const Bytes bgra{1, 2, 3, 0, 4, 5, 6, 128};
    const auto wide = read_bmp(bmp_file(2, 1, 32, bgra));
    ASSERT_TRUE(wide);
    EXPECT_EQ(pixel(*wide, 1, 0), (std::array<int, 4>{6, 5, 4, 255}));
}

TEST(BmpReader, RefusesWhatItCannotShow)
{
    EXPECT_FALSE(read_bmp(bmp_file(8, 1, 1, Bytes(4, 0xFF), std::vector<std::array<std::uint8_t, 4>>(2)))) << "1-bit";
    EXPECT_FALSE(read_bmp(bmp_file(8, 1, 4, Bytes(4, 0x11), std::vector<std::array<std::uint8_t, 4>>(16)))) << "4-bit";
    EXPECT_FALSE(read_bmp(bmp_file(4, 1, 16, Bytes(8, 0)))) << "16-bit";

    Bytes not_bmp = test::solid_bmp(4, 4, 1, 2, 3);
    not_bmp[0] = 'X';
    EXPECT_FALSE(read_bmp(not_bmp));

    Bytes compressed = test::solid_bmp(4, 4, 1, 2, 3);
    compressed[30] = 1;  // run-length encoded
    EXPECT_FALSE(read_bmp(compressed));

    EXPECT_FALSE(read_bmp(bmp_file(0, 4, 24, {})));
    EXPECT_FALSE(read_bmp(bmp_file(-4, 4, 24, Bytes(48, 0))));
    EXPECT_FALSE(read_bmp(bmp_file(4, 0, 24, {})));
}

TEST(BmpReader, NeverReadsPastTheFile)
{
    const Bytes whole = test::solid_bmp(8, 4, 200, 100, 50);
    ASSERT_TRUE(read_bmp(whole));
    for (std::size_t size = 0; size < whole.size(); ++size) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(read_bmp(cut)) << "truncated to " << size << " bytes";
    }

    std::vector<std::array<std::uint8_t, 4>> palette(256, {0, 0, 0, 0});
    const Bytes eight = bmp_file(4, 4, 8, Bytes(16, 3), palette);
    for (std::size_t size = 54; size < eight.size(); size += 37) {
        const Bytes cut(eight.begin(), eight.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(read_bmp(cut)) << "8-bit truncated to " << size << " bytes";
    }
}

TEST(BmpReader, HostileHeadersGiveNothingOrStayInBounds)
{
    // Sizes whose products overflow 32 bits, or that the file cannot hold.
    EXPECT_FALSE(read_bmp(bmp_file(0x7FFFFFFF, 0x7FFFFFFF, 24, Bytes(64, 0))));
    EXPECT_FALSE(read_bmp(bmp_file(65536, 65536, 32, Bytes(64, 0))));
    EXPECT_FALSE(read_bmp(bmp_file(1, static_cast<int>(0x80000000u), 24, Bytes(64, 0))));

    Bytes far_offset = test::solid_bmp(4, 4, 1, 2, 3);
    far_offset[10] = 0xFF;
    far_offset[11] = 0xFF;
    far_offset[12] = 0xFF;
    EXPECT_FALSE(read_bmp(far_offset));

    // A palette of two colours: indices past it read as black, not as the bytes beyond.
    Bytes short_palette = bmp_file(4, 1, 8, Bytes{0, 1, 2, 255}, {{1, 2, 3, 0}, {4, 5, 6, 0}});
    short_palette[46] = 2;
    const auto image = read_bmp(short_palette);
    ASSERT_TRUE(image);
    EXPECT_EQ(pixel(*image, 1, 0), (std::array<int, 4>{6, 5, 4, 255}));
    EXPECT_EQ(pixel(*image, 2, 0), (std::array<int, 4>{0, 0, 0, 255}));
    EXPECT_EQ(pixel(*image, 3, 0), (std::array<int, 4>{0, 0, 0, 255}));

    // A huge header size must not move the palette outside the file.
    Bytes big_header = bmp_file(4, 1, 8, Bytes{0, 0, 0, 0}, std::vector<std::array<std::uint8_t, 4>>(256));
    big_header[17] = 0x70;
    EXPECT_FALSE(read_bmp(big_header));
}

}  // namespace
}  // namespace orbilan
