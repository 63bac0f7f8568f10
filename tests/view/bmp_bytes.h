#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orbilan::test {

using Bytes = std::vector<std::uint8_t>;

// A bitmap file with a 40-byte information header, the palette right after it and the given
// pixel bytes (already laid out row by row, padding included).
Bytes bmp_file(int width, int height, int bits, const Bytes& pixels,
               const std::vector<std::array<std::uint8_t, 4>>& palette = {});

// A 24-bit bitmap of one colour.
Bytes solid_bmp(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b);

void write_file(const std::string& path, const Bytes& bytes);

}  // namespace orbilan::test
