// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/skins.h"

#include <GL/gl.h>

#include <algorithm>
#include <map>

#include "files/regular_file.h"
#include "platform/platform.h"
#include "view/bmp_reader.h"
#include "view/gl_check.h"

namespace orbilan {

UserMessage missing_texture_message(const std::string& path)
{
    return {"File not found - Unable to find texture " + path, "", MessageIcon::none};
}

unsigned load_bmp_texture(const std::string& path, Platform& platform)
{
    if (!platform.file_exists(path)) {
        platform.message_box(missing_texture_message(path));
        return 0;
    }
    // Only a regular file is read: a pipe or a device in its place must not stall the load.
    const FileBytes file = read_regular_file(path, MAX_BMP_FILE_BYTES);
    if (file.problem != FileProblem::none) {
        platform.message_box(
            {"Skin file " + path + "\n" + file_problem_text(file, MAX_BMP_FILE_BYTES), "ORBILAN", MessageIcon::error});
        return 0;
    }
    const auto image = read_bmp({reinterpret_cast<const std::uint8_t*>(file.bytes.data()), file.bytes.size()});
    if (!image) return 0;

    GLuint name = 0;
    glGenTextures(1, &name);
    glEnable(GL_TEXTURE_2D);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image->width, image->height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 image->rgba.data());
    glDisable(GL_TEXTURE_2D);
    check_gl("a texture upload");
    return name;
}

namespace {

// Textures already made during one project load, by path.
using SkinCache = std::map<std::string, unsigned>;

unsigned load_body_texture(const BodyTable& table, int i, const std::string& default_skin, Platform& platform,
                           SkinCache& cache)
{
    const std::string& path = platform.file_exists(table.texture_file[i]) ? table.texture_file[i] : default_skin;
    const auto known = cache.find(path);
    if (known != cache.end()) return known->second;
    const unsigned name = load_bmp_texture(path, platform);
    cache.emplace(path, name);
    return name;
}

}  // namespace

std::vector<unsigned> load_body_textures(const BodyTable& table, const std::string& default_skin, Platform& platform)
{
    SkinCache cache;
    std::vector<unsigned> texture_id(static_cast<std::size_t>(table.body_count) + 1, 0);
    for (int i = 1; i <= table.body_count; ++i)
        texture_id[i] = load_body_texture(table, i, default_skin, platform, cache);
    return texture_id;
}

void release_textures(std::vector<unsigned>& texture_id)
{
    std::vector<GLuint> names;
    for (const unsigned name : texture_id)
        if (name != 0) names.push_back(name);
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    if (!names.empty()) glDeleteTextures(static_cast<GLsizei>(names.size()), names.data());
    texture_id.clear();
}

}  // namespace orbilan
