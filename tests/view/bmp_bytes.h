// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace orbilan::test {

using Bytes = std::vector<std::uint8_t>;

// A bitmap file with a 40-byte information header, the palette right after it and the given
// pixel bytes (already laid out row by row, padding included).
inline Bytes bmp_file(int width, int height, int bits, const Bytes& pixels,
                      const std::vector<std::array<std::uint8_t, 4>>& palette = {})
{
    const std::size_t offset = 54 + 4 * palette.size();
    Bytes b(offset, 0);
    const auto put32 = [&b](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, static_cast<std::uint32_t>(offset + pixels.size()));
    put32(10, static_cast<std::uint32_t>(offset));
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    b[26] = 1;
    b[28] = static_cast<std::uint8_t>(bits);
    for (std::size_t i = 0; i < palette.size(); ++i)
        for (int c = 0; c < 4; ++c) b[54 + 4 * i + c] = palette[i][c];
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

// A 24-bit bitmap of one colour (a width that needs no row padding).
inline Bytes solid_bmp(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    Bytes pixels;
    for (int k = 0; k < width * height; ++k) pixels.insert(pixels.end(), {b, g, r});
    return bmp_file(width, height, 24, pixels);
}

}  // namespace orbilan::test
