// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a bitmap: an image, when one comes out, has exactly the pixels its size says.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "view/bmp_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto image = orbilan::read_bmp(std::span<const std::uint8_t>(data, size));
    if (image && (image->width <= 0 || image->height <= 0 ||
                  image->rgba.size() != static_cast<std::size_t>(image->width) * image->height * 4))
        std::abort();
    return 0;
}
