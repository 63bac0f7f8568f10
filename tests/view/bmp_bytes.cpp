#include "bmp_bytes.h"

#include <fstream>

namespace orbilan::test {

namespace {

void put32(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

Bytes bmp_file(int width, int height, int bits, const Bytes& pixels,
               const std::vector<std::array<std::uint8_t, 4>>& palette)
{
    const std::size_t offset = 54 + 4 * palette.size();
    Bytes b(offset, 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, static_cast<std::uint32_t>(offset + pixels.size()));
    put32(b, 10, static_cast<std::uint32_t>(offset));
    put32(b, 14, 40);
    put32(b, 18, static_cast<std::uint32_t>(width));
    put32(b, 22, static_cast<std::uint32_t>(height));
    b[26] = 1;
    b[28] = static_cast<std::uint8_t>(bits);
    for (std::size_t i = 0; i < palette.size(); ++i)
        for (int c = 0; c < 4; ++c) b[54 + 4 * i + c] = palette[i][c];
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

Bytes solid_bmp(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    Bytes pixels(stride * height, 0);
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col) {
            pixels[row * stride + 3 * col] = b;
            pixels[row * stride + 3 * col + 1] = g;
            pixels[row * stride + 3 * col + 2] = r;
        }
    return bmp_file(width, height, 24, pixels);
}

void write_file(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace orbilan::test
