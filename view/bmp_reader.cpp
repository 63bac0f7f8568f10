// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/bmp_reader.h"

namespace orbilan {

namespace {

constexpr std::size_t FILE_HEADER_SIZE = 14;
constexpr std::size_t INFO_HEADER_SIZE = 40;
constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_BITFIELDS = 3;
// Far beyond any skin; keeps a hostile header from asking for gigabytes.
constexpr std::int64_t MAX_SIDE = 16384;

std::uint32_t u16(std::span<const std::uint8_t> b, std::size_t at) { return b[at] | (b[at + 1] << 8); }

std::uint32_t u32(std::span<const std::uint8_t> b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

}  // namespace

std::optional<BmpImage> read_bmp(std::span<const std::uint8_t> file)
{
    if (file.size() < FILE_HEADER_SIZE + INFO_HEADER_SIZE || u16(file, 0) != 0x4D42) return {};
    const std::uint32_t data_offset = u32(file, 10);
    const std::uint32_t header_size = u32(file, 14);
    const std::int64_t width = static_cast<std::int32_t>(u32(file, 18));
    const std::int64_t stored_height = static_cast<std::int32_t>(u32(file, 22));
    const std::uint32_t bits = u16(file, 28);
    const std::uint32_t compression = u32(file, 30);
    const std::uint32_t colours_used = u32(file, 46);

    if (bits != 8 && bits != 24 && bits != 32) return {};
    if (compression != BI_RGB && !(bits == 32 && compression == BI_BITFIELDS)) return {};
    const bool top_down = stored_height < 0;
    const std::int64_t height = top_down ? -stored_height : stored_height;
    if (width <= 0 || height <= 0 || width > MAX_SIDE || height > MAX_SIDE) return {};

    // The palette follows whatever information header the file has (40 bytes or a later kind).
    const std::size_t palette_at =
        FILE_HEADER_SIZE + (header_size >= INFO_HEADER_SIZE ? header_size : INFO_HEADER_SIZE);
    std::size_t palette_entries = 0;
    if (bits == 8) {
        palette_entries = colours_used >= 1 && colours_used <= 256 ? colours_used : 256;
        if (palette_at + 4 * palette_entries > file.size()) return {};
    }

    // Pixels start where the file header says; old writers that leave it 0 pack them right
    // after the palette.
    const std::size_t packed_at = palette_at + 4 * palette_entries;
    const std::size_t pixels_at = data_offset >= FILE_HEADER_SIZE + INFO_HEADER_SIZE ? data_offset : packed_at;
    const std::size_t bytes_per_pixel = bits / 8;
    const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    const std::size_t row_bytes = static_cast<std::size_t>(width) * bytes_per_pixel;
    if (pixels_at > file.size() || (file.size() - pixels_at) / stride < static_cast<std::size_t>(height)) return {};

    BmpImage image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.rgba.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    std::uint8_t* out = image.rgba.data();
    for (std::int64_t row = 0; row < height; ++row) {
        // Texture row 0 is the bottom of the picture.
        const std::int64_t stored_row = top_down ? height - 1 - row : row;
        const std::uint8_t* in = file.data() + pixels_at + static_cast<std::size_t>(stored_row) * stride;
        for (std::size_t at = 0; at < row_bytes; at += bytes_per_pixel, out += 4) {
            if (bits == 8) {
                const std::size_t index = in[at];
                if (index < palette_entries) {
                    const std::uint8_t* entry = file.data() + palette_at + 4 * index;
                    out[0] = entry[2];
                    out[1] = entry[1];
                    out[2] = entry[0];
                } else {
                    out[0] = out[1] = out[2] = 0;
                }
            } else {
                out[0] = in[at + 2];
                out[1] = in[at + 1];
                out[2] = in[at];
            }
            out[3] = 255;
        }
    }
    return image;
}

}  // namespace orbilan
