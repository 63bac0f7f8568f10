#include "files/settings_file.h"

#include <fstream>
#include <string>
#include <system_error>

#include "files/field_reader.h"
#include "files/number_format.h"

namespace orbilan {

int load_settings(const std::filesystem::path& settings_path)
{
    auto reader = FieldReader::from_file(settings_path);
    if (!reader) return 0;
    reader->read_text_field();
    return round_half_even(reader->read_number_field());
}

void save_settings(const std::filesystem::path& settings_path, int theme_id)
{
    // The settings folder under the user's configuration folder may not exist yet.
    std::error_code ignored;
    std::filesystem::create_directories(settings_path.parent_path(), ignored);
    std::ofstream(settings_path, std::ios::binary | std::ios::trunc)
        << "\"THEME ID\"," << std::to_string(theme_id) << "\r\n";
}

}  // namespace orbilan
