// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFontMetrics>
#include <QString>

class QWidget;

namespace orbilan {

constexpr int TOOLTIP_MAX_WIDTH = 300;
constexpr int TOOLTIP_AUTOPOP_MS = 15000;

// Gives control `control_id` of `panel` (the panel itself for 0) the hint `text`, replacing any
// earlier hint. Hints show even on inactive panels, wrap at TOOLTIP_MAX_WIDTH pixels and stay up to
// TOOLTIP_AUTOPOP_MS. Returns false when the panel has no such control.
bool AddTooltip(QWidget* panel, int control_id, const QString& text);

// Breaks `text` at spaces into lines no wider than `max_width` (a longer word keeps its own line).
QString wrap_hint(const QString& text, const QFontMetrics& metrics, int max_width);

}  // namespace orbilan
