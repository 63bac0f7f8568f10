// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes read as fields in a project's mix of texts and numbers. Every read must move on: a
// reader that stalls would hang a load.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "files/field_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    orbilan::FieldReader reader(std::string(reinterpret_cast<const char*>(data), size));
    if (reader.data().find('\x1a') != std::string_view::npos) std::abort();
    const std::size_t length = reader.data().size();
    std::size_t reads = 0;
    while (!reader.at_end()) {
        // Each field ends at least one byte further on.
        if (++reads > length) std::abort();
        if (reads % 3 == 0)
            reader.read_number_field();
        else
            reader.read_text_field();
    }
    return 0;
}
