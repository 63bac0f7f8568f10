// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/project_loader.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>

#include "files/field_reader.h"
#include "files/number_format.h"
#include "files/regular_file.h"

namespace orbilan {

namespace {

// The one message captioned "Orbilan" rather than "ORBILAN", as users know it.
const UserMessage DENSITY_MESSAGE{"Density cannot be 0 (zero) ; changed to : 1 kg/m3", "Orbilan", MessageIcon::error};

void tell(const MessageSink& messages, const UserMessage& message)
{
    if (messages) messages(message);
}

UserMessage file_error(const std::string& kind, const std::filesystem::path& path, const std::string& problem)
{
    return {kind + " " + path.string() + " " + problem, "ORBILAN", MessageIcon::error};
}

// Why a file's bytes cannot be read as text; empty when they can.
std::string text_problem(const FileBytes& file, std::uint64_t max_bytes)
{
    if (file.problem != FileProblem::none) return file_problem_text(file, max_bytes);
    // Before any cut at Ctrl-Z: an image has one within its first bytes.
    if (looks_binary(file.bytes)) return "is not a text file.";
    return {};
}

// True when the body's last field lies within the data.
bool read_body(FieldReader& reader, BodyTable& table, int i)
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
    const bool complete = !reader.at_end();
    table.density[i] = reader.read_number_field();
    return complete;
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

void fix_zero_densities(BodyTable& table, const MessageSink& messages)
{
    BodyList fixed;
    for (int i = 1; i <= table.body_count; ++i) {
        if (table.density[i] == 0) {
            table.density[i] = 1;
            fixed.add(i);
        }
    }
    if (fixed.count() == 0) return;
    UserMessage message = DENSITY_MESSAGE;
    if (fixed.count() > 1) message.text += "\n(" + fixed.text() + ")";
    tell(messages, message);
}

std::optional<std::filesystem::path> find_skin(const std::string& text, const std::filesystem::path& project_folder,
                                               FolderListings& listings)
{
    if (text.empty()) return std::nullopt;
    const std::filesystem::path name = slashed_name(text);
    if (name.is_relative()) {
        if (auto beside = find_file(project_folder / name, &listings)) return beside;
    }
    return find_file(text, &listings);
}

// In a file with CRs, a line feed alone does not end a line: a line that lost its CR runs into the
// next one, and its fields shift. Says where that happens; empty when it does not.
std::string mixed_line_ends(std::string_view data)
{
    if (data.find('\r') == std::string_view::npos) return {};
    for (std::size_t at = data.find('\n'); at != std::string_view::npos; at = data.find('\n', at + 1)) {
        if (at > 0 && data[at - 1] == '\r') continue;
        const auto line = std::count(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(at), '\n') + 1;
        return " Its line ends are mixed: line " + std::to_string(line) +
               " ends in LF alone where the others end in CR LF, so it runs into the next line.";
    }
    return {};
}

// The impulse program's name as written: the project's file name up to its first dot, then ".JI".
std::string impulse_program_name(const std::filesystem::path& project_path)
{
    std::string base = project_path.filename().string();
    if (base.empty()) return {};
    base.resize(std::min(base.size(), base.find('.')));
    return base + ".JI";
}

std::filesystem::path folder_of(const std::filesystem::path& path)
{
    return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

// The optional fields after the bodies: "Method", the method's name and its tolerance, then what a
// run of it left ("Step in use", and a "Carry" line per body), right after the bodies. Anything
// else there is ignored, and a carry that is not whole is dropped.
void read_method(FieldReader& reader, ProjectText& project)
{
    if (reader.read_text_field() != "Method" || reader.read_text_field() != GAUSS_RADAU_NAME) return;
    project.integrator = Integrator::gauss_radau;
    project.tolerance = reader.read_number_field();
    if (reader.read_text_field() != "Step in use") return;
    GaussRadauCarry carry;
    carry.step = reader.read_number_field();
    carry.predicted = reader.read_number_field() != 0;
    carry.accepted_any = reader.read_number_field() != 0;
    const int bodies = project.bodies.body_count;
    const std::size_t per_body = GaussRadauCarry::size_for(1);
    // Only as much as the file holds: no room is taken ahead for the bodies it lists.
    for (int i = 1; i <= bodies; ++i) {
        if (reader.at_end() || reader.read_text_field() != "Carry" || reader.read_number_field() != i) return;
        for (std::size_t k = 0; k < per_body; ++k) carry.values.push_back(reader.read_number_field());
    }
    project.radau_carry = std::move(carry);
}

// The `Pace` line among the fields after the bodies, whatever other lines come before or after it.
double read_pace(FieldReader reader)
{
    while (!reader.at_end()) {
        if (reader.read_text_field() != "Pace") continue;
        const auto pace = static_cast<double>(reader.read_number_field());
        return std::isfinite(pace) && pace > 0 ? pace : 0;
    }
    return 0;
}

}  // namespace

bool read_project_text(std::string data, ProjectText& project)
{
    FieldReader reader(std::move(data));
    reader.read_text_field();  // title
    reader.read_text_field();  // second title text
    reader.read_text_field();
    project.listed_count = reader.read_number_field();
    reader.read_text_field();
    project.dt = reader.read_number_field();
    reader.read_text_field();
    project.grav_constant = reader.read_number_field();

    const int count = round_half_even(project.listed_count);
    allocate_body_table(project.bodies, count > MAX_BODY_COUNT ? 0 : std::max(count, 0));
    project.complete_bodies = 0;
    if (count > MAX_BODY_COUNT) return false;
    // Past the end of the data every body reads as zeros and empty names, as allocated.
    for (int i = 1; i <= project.bodies.body_count && !reader.at_end(); ++i)
        if (read_body(reader, project.bodies, i)) project.complete_bodies = i;
    if (project.complete_bodies == project.bodies.body_count) {
        project.pace = read_pace(reader);
        read_method(reader, project);
    }
    return true;
}

ProjectLoad read_project_fields(const std::filesystem::path& project_path, const std::filesystem::path& program_folder,
                                BodyTable& table, SimulationState& state, const MessageSink& messages)
{
    FileBytes file = read_regular_file(project_path, MAX_PROJECT_BYTES);
    if (const std::string problem = text_problem(file, MAX_PROJECT_BYTES); !problem.empty()) {
        tell(messages, file_error("Project file", project_path, problem));
        const bool unreadable = file.problem == FileProblem::cannot_open || file.problem == FileProblem::not_regular ||
                                file.problem == FileProblem::cannot_read;
        return {unreadable ? LoadResult::unreadable : LoadResult::refused};
    }

    const std::string line_ends = mixed_line_ends(file.bytes);
    ProjectText project;
    if (!read_project_text(std::move(file.bytes), project)) {
        const int count = round_half_even(project.listed_count);
        const std::string count_text =
            count < INT_MAX ? plain_integer_text(count) : format_number(project.listed_count, NumberMask::exp_3);
        tell(messages, file_error("Project file", project_path,
                                  "lists " + count_text + " objects; at most " + plain_integer_text(MAX_BODY_COUNT) +
                                      " can be loaded."));
        return {LoadResult::refused};
    }
    SimulationState loaded;
    const ImpulseProgramFile impulses = load_impulse_program(project_path, loaded, messages);
    if (impulses == ImpulseProgramFile::refused) return {LoadResult::refused};

    BodyTable& bodies = project.bodies;
    if (project.complete_bodies < bodies.body_count)
        tell(messages, {"Project file " + project_path.string() + " lists " + plain_integer_text(bodies.body_count) +
                            " objects but holds the data of only " + plain_integer_text(project.complete_bodies) +
                            "; the missing values read as 0." + line_ends,
                        "ORBILAN", MessageIcon::information});
    fix_zero_densities(bodies, messages);
    FolderListings listings;
    prepare_bodies(bodies, project_path, program_folder, listings);

    table = std::move(bodies);
    state.dt = project.dt;
    state.grav_constant = project.grav_constant;
    state.impulse_table = loaded.impulse_table;
    state.impulse_count = loaded.impulse_count;
    state.impulse_body = loaded.impulse_body;
    state.impulse_next = loaded.impulse_next;
    state.integrator = project.integrator;
    state.tolerance = project.tolerance;
    state.radau_carry = std::move(project.radau_carry);
    return {LoadResult::loaded, impulses == ImpulseProgramFile::read, project.complete_bodies, project.pace};
}

void prepare_bodies(BodyTable& table, const std::filesystem::path& project_path,
                    const std::filesystem::path& program_folder, FolderListings& listings)
{
    const std::filesystem::path project_folder = project_path.parent_path();
    const std::string default_skin = (program_folder / "def.bmp").string();
    for (int i = 1; i <= table.body_count; ++i) {
        table.radius[i] = sphere_radius(table.mass[i], table.density[i]);
        const auto skin = find_skin(table.texture_file[i], project_folder, listings);
        table.texture_file[i] = skin ? skin->string() : default_skin;
    }
}

std::optional<std::filesystem::path> impulse_program_path(const std::filesystem::path& project_path)
{
    const std::string name = impulse_program_name(project_path);
    if (name.empty()) return std::nullopt;
    // Anything of that name counts, a folder or a dangling link included: it is refused with a
    // message, never passed over as if there were none.
    const std::filesystem::path exact = project_path.parent_path() / name;
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(exact, error))) return exact;
    FolderListings listings;
    const auto& variants = listings.case_variants(folder_of(project_path), name);
    if (variants.empty()) return std::nullopt;
    return project_path.parent_path() / variants.front();
}

ImpulseProgramFile load_impulse_program(const std::filesystem::path& project_path, SimulationState& state,
                                        const MessageSink& messages)
{
    const auto path = impulse_program_path(project_path);
    FileBytes file;
    if (path) {
        file = read_regular_file(*path, MAX_IMPULSE_PROGRAM_BYTES);
        if (const std::string problem = text_problem(file, MAX_IMPULSE_PROGRAM_BYTES); !problem.empty()) {
            tell(messages, file_error("Impulse program", *path, problem));
            return ImpulseProgramFile::refused;
        }
    }

    state.impulse_next = 1;
    state.impulse_table.fill(ImpulseEntry{});
    state.impulse_count = 0;
    state.impulse_body = 0;
    if (!path) return ImpulseProgramFile::absent;
    FieldReader reader(std::move(file.bytes));
    reader.read_text_field();
    const int count = round_half_even(reader.read_number_field());
    reader.read_text_field();
    state.impulse_body = round_half_even(reader.read_number_field());
    state.impulse_count = std::clamp(count, 0, MAX_IMPULSE_ENTRIES);
    for (int k = 1; k <= state.impulse_count; ++k) read_impulse_entry(reader, state.impulse_table[k]);
    return ImpulseProgramFile::read;
}

bool is_project_input(const std::filesystem::path& file, const std::filesystem::path& project_path)
{
    if (project_path.empty()) return false;
    if (same_file(file, project_path)) return true;
    const auto impulses = impulse_program_path(project_path);
    if (impulses && same_file(file, *impulses)) return true;
    // A file that the lookup would take as the impulse program on the next load, in any case.
    const auto lower = [](std::string text) {
        for (char& c : text)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return text;
    };
    return lower(file.filename().string()) == lower(impulse_program_name(project_path)) &&
           same_file(folder_of(file), folder_of(project_path));
}

}  // namespace orbilan
