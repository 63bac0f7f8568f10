// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a project file, and what follows a line "#JI" as the impulse program beside it.
// A file either loads whole, with at most one message per kind of problem (never one per body),
// or is named in one message and leaves the loaded project exactly as it was.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "files/field_reader.h"
#include "files/number_format.h"
#include "files/project_loader.h"
#include "temp_folder.h"

using namespace orbilan;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const test::TempFolder scratch;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find("\n#JI\n");
    // Huge body counts only cost time here (allocating for them); the unit tests take them.
    FieldReader header{std::string(input.substr(0, split))};
    for (int label = 0; label < 3; ++label) header.read_text_field();
    if (round_half_even(header.read_number_field()) > 20000) return 0;
    const auto project = scratch.write("fuzz.txt", input.substr(0, split));
    std::filesystem::remove(scratch.path() / "fuzz.JI");
    if (split != std::string_view::npos) scratch.write("fuzz.JI", input.substr(split + 5));

    BodyTable table;
    SimulationState state;
    allocate_body_table(table, state, 1);
    table.name[1] = "kept";
    state.dt = 42;
    int messages = 0;
    const ProjectLoad load =
        read_project_fields(project, scratch.path(), table, state, [&](const UserMessage&) { ++messages; });
    const int complete = load.complete_bodies;
    if (load.result != LoadResult::loaded) {
        if (messages != 1 || table.body_count != 1 || table.name[1] != "kept" || state.dt != 42) std::abort();
        return 0;
    }
    bool sized = true;
    for_each_column([&](const auto& column) { sized = sized && column.size() == table.x.size(); }, table);
    if (table.body_count < 0 || table.body_count > MAX_BODY_COUNT || messages > 2 || complete < 0 ||
        complete > table.body_count || table.x.size() != static_cast<std::size_t>(table.body_count) + 1 || !sized ||
        state.impulse_count < 0 || state.impulse_count > MAX_IMPULSE_ENTRIES || state.impulse_next != 1)
        std::abort();
    return 0;
}
