// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes read as a project's text, written back and read again: the same names, skin names and
// 80-bit values, except what the writer reports it could not spell (a double quote together with
// a comma, a line end or a TAB; NaN, which reads back as 0).
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "files/field_reader.h"
#include "files/number_format.h"
#include "files/project_loader.h"
#include "files/project_writer.h"

using namespace orbilan;

namespace {

bool same_bits(extended a, extended b) { return std::memcmp(&a, &b, 10) == 0; }

bool spellable(const std::string& text)
{
    return text.find('"') == std::string::npos || text.find_first_of(",\r\n\t") == std::string::npos;
}

bool read_back(extended written, extended read) { return std::isnan(written) ? read == 0 : same_bits(written, read); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    // Large counts only cost time and memory here, so they are skipped before the reader sets up
    // a table for them; the loader's own target takes them.
    FieldReader header{input};
    for (int label = 0; label < 3; ++label) header.read_text_field();
    if (round_half_even(header.read_number_field()) > 10000) return 0;
    ProjectText first;
    if (!read_project_text(input, first)) return 0;
    SimulationState state;
    state.dt = first.dt;
    state.grav_constant = first.grav_constant;
    int warnings = 0;
    const std::string text = project_text(first.bodies, state, "fuzz", [&](const UserMessage&) { ++warnings; });

    ProjectText second;
    if (!read_project_text(text, second)) std::abort();
    const BodyTable& a = first.bodies;
    const BodyTable& b = second.bodies;
    if (b.body_count != a.body_count || second.complete_bodies != a.body_count) std::abort();
    if (!read_back(first.dt, second.dt) || !read_back(first.grav_constant, second.grav_constant)) std::abort();
    bool lossy = std::isnan(first.dt) || std::isnan(first.grav_constant);
    for (int i = 1; i <= a.body_count; ++i) {
        for (const auto& column : {&BodyTable::name, &BodyTable::texture_file}) {
            if (spellable((a.*column)[i]) ? (b.*column)[i] != (a.*column)[i] : false) std::abort();
            lossy = lossy || !spellable((a.*column)[i]);
        }
        for (const auto& column : {&BodyTable::x, &BodyTable::y, &BodyTable::z, &BodyTable::vx, &BodyTable::vy,
                                   &BodyTable::vz, &BodyTable::mass, &BodyTable::density}) {
            if (!read_back((a.*column)[i], (b.*column)[i])) std::abort();
            lossy = lossy || std::isnan((a.*column)[i]);
        }
    }
    // Each kind of loss is one message, whatever the number of bodies.
    if (lossy != (warnings > 0) || warnings > 4) std::abort();
    return 0;
}
