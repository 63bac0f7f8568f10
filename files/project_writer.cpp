// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/project_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <system_error>

#include "files/number_format.h"
#include "files/regular_file.h"

namespace orbilan {

namespace {

// The bodies whose texts or numbers cannot be read back as they are.
struct Losses {
    BodyList names, skins, numbers;
    bool header_number = false;
};

// A text as the field reader gives it back; `exact` is cleared when that cannot be. Between
// double quotes anything but a double quote survives. A bare field keeps a double quote but ends
// at a comma or a line end and drops TABs (and LFs); the reader would also skip its leading
// spaces and take a leading quote as an opening one, so a TAB, which it drops, goes first. A
// text that fits neither is written quoted without its double quotes.
std::string text_field(std::string_view text, bool& exact)
{
    std::string field(1, '"');
    if (text.find('"') == std::string_view::npos) return field.append(text).append(1, '"');
    if (text.find_first_of(",\r\n\t") == std::string_view::npos) {
        field = text.front() == '"' || text.front() == ' ' ? "\t" : "";
        return field.append(text);
    }
    exact = false;
    std::remove_copy(text.begin(), text.end(), std::back_inserter(field), '"');
    return field.append(1, '"');
}

// Appends ", value" for each value; `exact` is cleared when one reads back as something else.
void append_numbers(std::string& text, std::initializer_list<extended> values, bool& exact)
{
    for (extended value : values) {
        text += ", ";
        if (std::isnan(value)) exact = false;
        // Past the largest finite value the reader's conversion gives an infinity.
        if (std::isinf(value))
            text += value > 0 ? "1E+5000" : "-1E+5000";
        else
            text += round_trip_text(value);
    }
}

void report(const Losses& lost, const MessageSink& messages)
{
    if (!messages) return;
    const auto tell = [&](const BodyList& bodies, const std::string& what) {
        if (bodies.count() > 0) messages({what + " (" + bodies.text() + ").", "ORBILAN", MessageIcon::information});
    };
    const std::string unspellable =
        "that a project file cannot hold as they are (a double quote with a comma, "
        "a line end or a TAB) are written without their double quotes";
    tell(lost.names, "Names " + unspellable);
    tell(lost.skins, "Skin file names " + unspellable);
    tell(lost.numbers, "Values that are not a number (NaN) read back as 0");
    if (lost.header_number)
        messages({"dt or G is not a number (NaN) and reads back as 0.", "ORBILAN", MessageIcon::information});
}

// Past the bodies, where the loader of the first-order program reads nothing: the method of the
// run and, after a run of it, what continues its steps exactly.
void append_method(std::string& text, int bodies, const SimulationState& state)
{
    if (state.integrator != Integrator::gauss_radau) return;
    bool exact = true;
    text += "Method, \"" + std::string(GAUSS_RADAU_NAME) + "\"";
    append_numbers(text, {state.tolerance}, exact);
    text += "\r\n";
    const GaussRadauCarry& carry = state.radau_carry;
    if (!carry.fits(bodies)) return;
    text += "Step in use";
    append_numbers(text, {carry.step, carry.predicted ? 1.0L : 0.0L, carry.accepted_any ? 1.0L : 0.0L}, exact);
    text += "\r\n";
    const std::size_t per_body = GaussRadauCarry::size_for(1);
    for (int i = 1; i <= bodies; ++i) {
        text += "Carry, " + plain_integer_text(i);
        for (std::size_t k = 0; k < per_body; ++k)
            append_numbers(text, {carry.values[static_cast<std::size_t>(i - 1) * per_body + k]}, exact);
        text += "\r\n";
    }
}

}  // namespace

std::string project_text(const BodyTable& table, const SimulationState& state, std::string_view title,
                         const MessageSink& messages)
{
    Losses lost;
    // The title is never read back: dropping its quotes keeps it one field.
    std::string plain_title(title);
    plain_title.erase(std::remove(plain_title.begin(), plain_title.end(), '"'), plain_title.end());
    bool exact = true;
    std::string text = text_field(plain_title, exact) + ", \"ORBILAN project\"\r\n";
    text += "Objects, " + plain_integer_text(table.body_count) + "\r\n";
    bool header_exact = true;
    text += "dt";
    append_numbers(text, {state.dt}, header_exact);
    text += "\r\nG";
    append_numbers(text, {state.grav_constant}, header_exact);
    text += "\r\n";
    lost.header_number = !header_exact;
    for (int i = 1; i <= table.body_count; ++i) {
        bool name_exact = true, skin_exact = true, numbers_exact = true;
        text += "Object, " + plain_integer_text(i) + ", " + text_field(table.name[i], name_exact) + ", " +
                text_field(table.texture_file[i], skin_exact) + "\r\nPosition";
        append_numbers(text, {table.x[i], table.y[i], table.z[i]}, numbers_exact);
        text += "\r\nVelocity";
        append_numbers(text, {table.vx[i], table.vy[i], table.vz[i]}, numbers_exact);
        text += "\r\nMass";
        append_numbers(text, {table.mass[i]}, numbers_exact);
        text += "\r\nDensity";
        append_numbers(text, {table.density[i]}, numbers_exact);
        text += "\r\n";
        if (!name_exact) lost.names.add(i);
        if (!skin_exact) lost.skins.add(i);
        if (!numbers_exact) lost.numbers.add(i);
    }
    append_method(text, table.body_count, state);
    report(lost, messages);
    return text;
}

bool write_project(const std::filesystem::path& path, const BodyTable& table, const SimulationState& state,
                   std::string_view title, const MessageSink& messages)
{
    std::string problem;
    if (replace_file(path, project_text(table, state, title, messages), problem)) return true;
    if (messages) messages({"Project file " + path.string() + " " + problem, "ORBILAN", MessageIcon::error});
    return false;
}

}  // namespace orbilan
