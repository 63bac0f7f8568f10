// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/settings_file.h"

#include <string>
#include <system_error>

#include "files/field_reader.h"
#include "files/number_format.h"
#include "files/regular_file.h"

namespace orbilan {

int load_settings(const std::filesystem::path& settings_path, const MessageSink& messages)
{
    FileBytes file = read_regular_file(settings_path, MAX_SETTINGS_BYTES);
    // A missing file is the usual first start; nothing to say.
    if (file.problem == FileProblem::cannot_open) return 0;
    std::string problem = file_problem_text(file, MAX_SETTINGS_BYTES);
    if (file.problem == FileProblem::none && looks_binary(file.bytes)) problem = "is not a text file.";
    if (!problem.empty()) {
        if (messages)
            messages({"Settings file " + settings_path.string() + " " + problem + " The theme starts at 0.", "ORBILAN",
                      MessageIcon::error});
        return 0;
    }
    FieldReader reader(std::move(file.bytes));
    reader.read_text_field();
    return round_half_even(reader.read_number_field());
}

void save_settings(const std::filesystem::path& settings_path, int theme_id)
{
    // The settings folder under the user's configuration folder may not exist yet.
    std::error_code ignored;
    std::filesystem::create_directories(settings_path.parent_path(), ignored);
    // Replaced whole: a program killed meanwhile or a second one saving at once leaves one record.
    std::string lost;
    replace_file(settings_path, "\"THEME ID\"," + std::to_string(theme_id) + "\r\n", lost);
}

}  // namespace orbilan
