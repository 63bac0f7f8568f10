#include "files/project_writer.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <system_error>

#include "files/number_format.h"

namespace orbilan {

namespace {

std::string text_field(std::string_view text)
{
    if (text.find('"') != std::string_view::npos) return std::string(text);
    std::string quoted(1, '"');
    quoted.append(text).push_back('"');
    return quoted;
}

std::string numbers(std::initializer_list<extended> values)
{
    std::string text;
    for (extended value : values) text += ", " + round_trip_text(value);
    return text;
}

std::string project_text(const BodyTable& table, const SimulationState& state, std::string_view title)
{
    // The title is never read back: dropping its quotes keeps it one field.
    std::string plain_title(title);
    plain_title.erase(std::remove(plain_title.begin(), plain_title.end(), '"'), plain_title.end());
    std::string text = text_field(plain_title) + ", \"ORBILAN project\"\r\n";
    text += "Objects, " + plain_integer_text(table.body_count) + "\r\n";
    text += "dt" + numbers({state.dt}) + "\r\n";
    text += "G" + numbers({state.grav_constant}) + "\r\n";
    for (int i = 1; i <= table.body_count; ++i) {
        text += "Object, " + plain_integer_text(i) + ", " + text_field(table.name[i]) + ", " +
                text_field(table.texture_file[i]) + "\r\n";
        text += "Position" + numbers({table.x[i], table.y[i], table.z[i]}) + "\r\n";
        text += "Velocity" + numbers({table.vx[i], table.vy[i], table.vz[i]}) + "\r\n";
        text += "Mass" + numbers({table.mass[i]}) + "\r\n";
        text += "Density" + numbers({table.density[i]}) + "\r\n";
    }
    return text;
}

bool write_bytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

bool write_project(const std::filesystem::path& path, const BodyTable& table, const SimulationState& state,
                   std::string_view title, const MessageSink& messages)
{
    std::filesystem::path temporary = path;
    temporary += ".part";
    std::error_code error;
    if (!path.empty() && write_bytes(temporary, project_text(table, state, title))) {
        std::filesystem::rename(temporary, path, error);
        if (!error) return true;
    }
    std::filesystem::remove(temporary, error);
    if (messages) messages({"Cannot write the project file " + path.string(), "ORBILAN", MessageIcon::error});
    return false;
}

}  // namespace orbilan
