// Any bytes as a project file, and what follows a line "#JI" as the impulse program beside it.
// A file either loads whole, with at most one message per kind of problem (never one per body),
// or is named in one message and leaves the loaded project exactly as it was.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "files/field_reader.h"
#include "files/number_format.h"
#include "files/project_loader.h"
#include "scratch_folder.h"

using namespace orbilan;

namespace {

void write(const std::filesystem::path& path, std::string_view bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find("\n#JI\n");
    // Huge body counts only cost time here (allocating for them); the unit tests take them.
    FieldReader header{std::string(input.substr(0, split))};
    for (int label = 0; label < 3; ++label) header.read_text_field();
    if (round_half_even(header.read_number_field()) > 20000) return 0;
    const auto project = fuzz::scratch_folder() / "fuzz.txt";
    const auto impulses = fuzz::scratch_folder() / "fuzz.JI";
    write(project, input.substr(0, split));
    std::filesystem::remove(impulses);
    if (split != std::string_view::npos) write(impulses, input.substr(split + 5));

    BodyTable table;
    SimulationState state;
    allocate_body_table(table, state, 1);
    table.name[1] = "kept";
    state.dt = 42;
    int messages = 0;
    int complete = -1;
    const LoadResult result = read_project_fields(project, fuzz::scratch_folder(), table, state,
                                                  [&](const UserMessage&) { ++messages; }, nullptr, &complete);
    if (result != LoadResult::loaded) {
        if (messages != 1 || table.body_count != 1 || table.name[1] != "kept" || state.dt != 42) std::abort();
        return 0;
    }
    const auto rows = static_cast<std::size_t>(table.body_count) + 1;
    if (table.body_count < 0 || table.body_count > MAX_BODY_COUNT || messages > 2 || complete < 0 ||
        complete > table.body_count || table.x.size() != rows || table.name.size() != rows ||
        table.texture_file.size() != rows || table.radius.size() != rows || state.impulse_count < 0 ||
        state.impulse_count > MAX_IMPULSE_ENTRIES || state.impulse_next != 1)
        std::abort();
    return 0;
}
