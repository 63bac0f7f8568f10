// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace orbilan {

// An image ready for glTexImage2D: RGBA bytes, bottom row first.
struct BmpImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

// Decodes an uncompressed 8-, 24- or 32-bit Windows bitmap. Rows may be padded to four bytes
// and stored top-down (negative height). Anything else, and any file too short for what its
// header promises, gives nothing.
std::optional<BmpImage> read_bmp(std::span<const std::uint8_t> file);

// The largest bitmap file read: 16384 x 16384 pixels of 32 bits, with room for headers.
constexpr std::uint64_t MAX_BMP_FILE_BYTES = (std::uint64_t{1} << 30) + (std::uint64_t{1} << 20);

}  // namespace orbilan
