// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/remembered_settings.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <string_view>
#include <system_error>

#include "files/regular_file.h"

namespace orbilan {

namespace {

// Panels placed beyond this are no place a screen shows.
constexpr int MAX_PLACE = 100000;

template <typename Number>
std::optional<Number> number(std::string_view text)
{
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

void read_line(std::string_view line, int fps_index_count, RememberedSettings& settings)
{
    const std::size_t equals = line.find(" = ");
    if (equals == std::string_view::npos) return;
    const std::string_view name = line.substr(0, equals);
    const std::string_view value = line.substr(equals + 3);
    if (name == "last project") {
        settings.last_project = value;
    } else if (name == "frame rate") {
        if (const auto index = number<int>(value); index && *index >= 0 && *index < fps_index_count)
            settings.fps_index = index;
    } else if (name == "light") {
        if (const auto level = number<double>(value); level && *level >= 0 && *level <= 1)
            settings.ambient_level = level;
    } else if (name == "run speed") {
        if (const auto pace = number<double>(value); pace && std::isfinite(*pace) && *pace >= 0) settings.pace = pace;
    } else if (name.substr(0, 6) == "panel " && name.size() > 6) {
        const std::size_t comma = value.find(',');
        if (comma == std::string_view::npos) return;
        const auto x = number<int>(value.substr(0, comma));
        const auto y = number<int>(value.substr(comma + 1));
        if (x && y && std::abs(*x) <= MAX_PLACE && std::abs(*y) <= MAX_PLACE)
            settings.panel_places[std::string(name.substr(6))] = {*x, *y};
    }
}

std::string text_of(double value)
{
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

}  // namespace

RememberedSettings read_remembered(const std::filesystem::path& path, int fps_index_count)
{
    RememberedSettings settings;
    const FileBytes file = read_regular_file(path, MAX_SETTINGS_BYTES);
    if (file.problem != FileProblem::none || looks_binary(file.bytes)) return settings;
    std::string_view rest = file.bytes;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        read_line(line, fps_index_count, settings);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    return settings;
}

bool write_remembered(const std::filesystem::path& path, const RememberedSettings& settings)
{
    std::string text;
    // A name that would break the line is not remembered.
    if (!settings.last_project.empty() && settings.last_project.find_first_of("\r\n") == std::string::npos)
        text += "last project = " + settings.last_project + "\n";
    if (settings.fps_index) text += "frame rate = " + std::to_string(*settings.fps_index) + "\n";
    if (settings.ambient_level) text += "light = " + text_of(*settings.ambient_level) + "\n";
    if (settings.pace) text += "run speed = " + text_of(*settings.pace) + "\n";
    for (const auto& [name, place] : settings.panel_places)
        text += "panel " + name + " = " + std::to_string(place.first) + ", " + std::to_string(place.second) + "\n";

    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    std::filesystem::path temporary = path;
    temporary += ".new";
    // Whatever lies there (a named pipe would block the write) goes first.
    std::filesystem::remove(temporary, error);
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!(out << text) || !out.flush()) {
            std::filesystem::remove(temporary, error);
            return false;
        }
    }
    std::filesystem::rename(temporary, path, error);
    if (!error) return true;
    std::filesystem::remove(temporary, error);
    return false;
}

}  // namespace orbilan
