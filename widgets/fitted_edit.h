// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>

namespace orbilan {

// An edit box that narrows its letters, rather than scroll, when a text is wider than the box:
// a number that loses its sign or first digit shows a wrong value.
class FittedEdit : public QLineEdit {
    Q_OBJECT

public:
    // The narrowest letters it goes down to, as a percentage of their width.
    static constexpr int MIN_STRETCH = 60;

    FittedEdit(const QString& text, QWidget* parent);

    // The font texts that fit are shown in; narrower copies of it serve the others.
    void set_base_font(const QFont& font);
    // Where the box draws its text, and the pixels of it a text may take without scrolling.
    QRect text_area() const;
    int text_room() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fit();

    QFont base_font_;
};

}  // namespace orbilan
