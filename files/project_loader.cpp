#include "files/project_loader.h"

#include <algorithm>
#include <climits>
#include <string>

#include "files/field_reader.h"
#include "files/file_lookup.h"
#include "files/number_format.h"

namespace orbilan {

namespace {

const UserMessage DENSITY_MESSAGE{"Density cannot be 0 (zero) ; changed to : 1 kg/m3", "Orbilan",
                                  MessageIcon::error};

void tell(const MessageSink& messages, const UserMessage& message)
{
    if (messages) messages(message);
}

UserMessage file_error(const std::filesystem::path& path, const std::string& problem)
{
    return {"Project file " + path.string() + "\n" + problem, "ORBILAN", MessageIcon::error};
}

void read_body(FieldReader& reader, BodyTable& table, int i)
{
    reader.read_text_field();    // label
    reader.read_number_field();  // body number: bodies are numbered by their order in the file
    table.name[i] = reader.read_text_field();
    table.texture_file[i] = reader.read_text_field();
    reader.read_text_field();
    table.x[i] = reader.read_number_field();
    table.y[i] = reader.read_number_field();
    table.z[i] = reader.read_number_field();
    reader.read_text_field();
    table.vx[i] = reader.read_number_field();
    table.vy[i] = reader.read_number_field();
    table.vz[i] = reader.read_number_field();
    reader.read_text_field();
    table.mass[i] = reader.read_number_field();
    reader.read_text_field();
    table.density[i] = reader.read_number_field();
}

void read_impulse_entry(FieldReader& reader, ImpulseEntry& entry)
{
    reader.read_text_field();
    entry.start_time = reader.read_number_field();
    entry.duration = reader.read_number_field();
    reader.read_text_field();
    entry.ejected_mass = reader.read_number_field();
    reader.read_text_field();
    entry.exhaust_vx = reader.read_number_field();
    entry.exhaust_vy = reader.read_number_field();
    entry.exhaust_vz = reader.read_number_field();
}

std::optional<std::filesystem::path> find_skin(const std::string& text,
                                               const std::filesystem::path& project_folder)
{
    if (text.empty()) return std::nullopt;
    const std::filesystem::path name = slashed_name(text);
    if (name.is_relative()) {
        if (auto beside = find_file(project_folder / name)) return beside;
    }
    return find_file(text);
}

}  // namespace

LoadResult read_project_fields(const std::filesystem::path& project_path,
                               const std::filesystem::path& program_folder, BodyTable& table,
                               SimulationState& state, const MessageSink& messages,
                               bool* impulse_program_found)
{
    auto bytes = read_whole_file(project_path);
    if (!bytes) {
        tell(messages, file_error(project_path, "cannot be opened."));
        return LoadResult::unreadable;
    }
    FieldReader reader(std::move(*bytes));
    if (reader.data().find('\0') != std::string_view::npos) {
        tell(messages, file_error(project_path, "is not a text file."));
        return LoadResult::refused;
    }

    reader.read_text_field();  // title
    reader.read_text_field();  // second title text
    reader.read_text_field();
    const extended count_read = reader.read_number_field();
    reader.read_text_field();
    const extended dt = reader.read_number_field();
    reader.read_text_field();
    const extended grav_constant = reader.read_number_field();

    const int count = round_half_even(count_read);
    if (count > MAX_BODY_COUNT) {
        const std::string count_text = count < INT_MAX ? plain_integer_text(count)
                                                       : format_number(count_read, NumberMask::exp_3);
        tell(messages, file_error(project_path, "lists " + count_text + " objects; at most " +
                                                    plain_integer_text(MAX_BODY_COUNT) + " can be loaded."));
        return LoadResult::refused;
    }

    BodyTable bodies;
    SimulationState loaded;
    allocate_body_table(bodies, loaded, std::max(count, 0));
    for (int i = 1; i <= bodies.body_count; ++i) read_body(reader, bodies, i);
    for (int i = 1; i <= bodies.body_count; ++i) {
        if (bodies.density[i] == 0) {
            tell(messages, DENSITY_MESSAGE);
            bodies.density[i] = 1;
        }
    }
    prepare_bodies(bodies, project_path, program_folder);
    const bool found = load_impulse_program(project_path, loaded);

    table = std::move(bodies);
    state.dt = dt;
    state.grav_constant = grav_constant;
    state.impulse_table = loaded.impulse_table;
    state.impulse_count = loaded.impulse_count;
    state.impulse_body = loaded.impulse_body;
    state.impulse_next = loaded.impulse_next;
    if (impulse_program_found) *impulse_program_found = found;
    return LoadResult::loaded;
}

void prepare_bodies(BodyTable& table, const std::filesystem::path& project_path,
                    const std::filesystem::path& program_folder)
{
    const std::filesystem::path project_folder = project_path.parent_path();
    const std::string default_skin = (program_folder / "def.bmp").string();
    for (int i = 1; i <= table.body_count; ++i) {
        table.radius[i] = sphere_radius(table.mass[i], table.density[i]);
        const auto skin = find_skin(table.texture_file[i], project_folder);
        table.texture_file[i] = skin ? skin->string() : default_skin;
    }
}

std::optional<std::filesystem::path> impulse_program_path(const std::filesystem::path& project_path)
{
    std::string base = project_path.filename().string();
    if (base.empty()) return std::nullopt;
    base.resize(std::min(base.size(), base.find('.')));
    return find_file(project_path.parent_path() / (base + ".JI"));
}

bool load_impulse_program(const std::filesystem::path& project_path, SimulationState& state)
{
    state.impulse_next = 1;
    state.impulse_table.fill(ImpulseEntry{});
    state.impulse_count = 0;
    state.impulse_body = 0;
    const auto path = impulse_program_path(project_path);
    if (!path) return false;

    // A file found but unreadable reads as empty, like any missing data.
    FieldReader reader(read_whole_file(*path).value_or(std::string{}));
    reader.read_text_field();
    const int count = round_half_even(reader.read_number_field());
    reader.read_text_field();
    state.impulse_body = round_half_even(reader.read_number_field());
    state.impulse_count = std::clamp(count, 0, MAX_IMPULSE_ENTRIES);
    for (int k = 1; k <= state.impulse_count; ++k) read_impulse_entry(reader, state.impulse_table[k]);
    return true;
}

}  // namespace orbilan
