// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/button_record.h"

class QPainter;

namespace orbilan {

// Draws frame, caption and image for the button's current state; returns the frame it drew.
FrameLook paint_button(QPainter& painter, const ButtonRecord& record, const ButtonSurface& surface);

}  // namespace orbilan
