// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/fitted_edit.h"

#include <QStyleOptionFrame>

namespace orbilan {

namespace {

// QLineEdit keeps this much space free on each side of its text, and one pixel plus the cursor
// beyond it.
constexpr int SIDE_MARGIN = 2;
constexpr int CURSOR_ROOM = 2;

}  // namespace

FittedEdit::FittedEdit(const QString& text, QWidget* parent) : QLineEdit(text, parent), base_font_(font())
{
    connect(this, &QLineEdit::textChanged, this, &FittedEdit::fit);
}

void FittedEdit::set_base_font(const QFont& font)
{
    base_font_ = font;
    fit();
}

QRect FittedEdit::text_area() const
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    return contents.marginsRemoved(textMargins()).adjusted(SIDE_MARGIN, 0, -SIDE_MARGIN, 0);
}

int FittedEdit::text_room() const { return text_area().width() - CURSOR_ROOM; }

void FittedEdit::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    fit();
}

void FittedEdit::fit()
{
    QFont narrowed = base_font_;
    const int room = text_room();
    for (int stretch = 100; stretch >= MIN_STRETCH; stretch -= 5) {
        narrowed.setStretch(stretch);
        if (QFontMetrics(narrowed).horizontalAdvance(text()) <= room) break;
    }
    if (narrowed != font()) setFont(narrowed);
}

}  // namespace orbilan
