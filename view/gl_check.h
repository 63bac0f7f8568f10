// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>

namespace orbilan {

// Debug builds stop at the first pass that leaves an OpenGL error behind, naming the pass.
inline void check_gl([[maybe_unused]] const char* pass)
{
#ifndef NDEBUG
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
        std::fprintf(stderr, "OpenGL error 0x%04x after %s\n", error, pass);
        std::abort();
    }
#endif
}

}  // namespace orbilan
