// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <GL/gl.h>

namespace orbilan {

// Lines show the colours of their table; lit, they would take their shade from whatever
// normal the last sphere left behind. A later line wins over an earlier one at the same depth,
// so the axes show over the grid lines they lie on.
inline void begin_line_pass()
{
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
}

}  // namespace orbilan
