// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a PNG of each panel in each theme, one sheet of all icons and one of the toolbar's looks,
// into the folder given.
#include "panels/panel.h"
#include "panels/panel_set.h"
#include "panels/themes.h"
#include "widgets/button_image.h"
#include "widgets/round_button.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTest>

#include <cstdio>

using namespace orbilan;

namespace {

constexpr const char* ICON_NAMES[] = {"START", "STOP", "OPEN",       "RESET",      "TIME",        "NUMERIC", "OPTIONS",
                                      "LOG",   "ZERO", "ARROW_PREV", "ARROW_NEXT", "FULL_SCREEN", "EXIT"};

bool save_panel(Panel* panel, const QString& path)
{
    panel->show();
    if (!QTest::qWaitForWindowExposed(panel)) return false;
    QCoreApplication::processEvents();
    const bool saved = panel->grab().save(path);
    panel->hide();
    return saved;
}

// The toolbar of each theme after a theme change (so the themed buttons take the theme's face),
// in three rows: as it stands, each button under the mouse, and with a run's controls disabled.
bool save_toolbar_looks(const QString& path)
{
    constexpr int row = 45;
    QImage sheet(480, THEME_COUNT * 3 * row, QImage::Format_RGB32);
    sheet.fill(Qt::black);
    QPainter painter(&sheet);
    for (int theme = 0; theme < THEME_COUNT; ++theme) {
        ThemeColors colors;
        load_theme_colors(theme, colors);
        QWidget host;
        host.setGeometry(0, 0, 1280, 1024);
        Panels panels = create_panels(&host, host.width(), theme, colors);
        apply_theme(panels, theme, colors);
        Panel* toolbar = panels.toolbar_panel;
        toolbar->show();
        if (!QTest::qWaitForWindowExposed(toolbar)) return false;
        const int top = theme * 3 * row;
        painter.drawPixmap(0, top, toolbar->grab());
        painter.drawPixmap(0, top + row, toolbar->grab());
        for (const ControlDef& def : toolbar->def().controls) {
            RoundButton* button = toolbar->button(def.id);
            if (button == nullptr || !button->isEnabled()) continue;
            QTest::mouseMove(toolbar->windowHandle(), QPoint(1, 1));
            QTest::mouseMove(toolbar->windowHandle(), button->geometry().center());
            painter.drawPixmap(button->x(), top + row + button->y(), button->grab());
        }
        QTest::mouseMove(toolbar->windowHandle(), QPoint(1, 1));
        disable_run_controls(panels);
        painter.drawPixmap(0, top + 2 * row, toolbar->grab());
    }
    return sheet.save(path);
}

// Rows of normal, hot and disabled looks at twice their size, on a light and a dark strip.
bool save_icon_sheet(const QString& path)
{
    constexpr int cell = 72;
    const int columns = static_cast<int>(std::size(ICON_NAMES)) + 1;
    QImage sheet(columns * cell, 6 * cell, QImage::Format_RGB32);
    sheet.fill(QColor(222, 226, 222));
    QPainter painter(&sheet);
    painter.fillRect(0, 3 * cell, sheet.width(), 3 * cell, QColor(24, 24, 24));
    const char* suffixes[] = {"", "_H", "_D"};
    for (int band = 0; band < 2; ++band) {
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < columns; ++column) {
                const QString name = column < columns - 1
                                         ? QStringLiteral("ICON_%1%2").arg(ICON_NAMES[column], suffixes[row])
                                         : (row == 0 ? QStringLiteral("ICON_app") : QString());
                if (name.isEmpty()) continue;
                const QImage icon = load_resource_image(name, QSize(64, 64));
                painter.drawImage((column * cell) + 4, (band * 3 + row) * cell + 4, icon);
            }
        }
    }
    return sheet.save(path);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    bool ok = out.exists() || QDir().mkpath(out.path());
    for (int theme = 0; theme < THEME_COUNT; ++theme) {
        ThemeColors colors;
        load_theme_colors(theme, colors);
        QWidget host;
        host.setGeometry(0, 0, 1280, 1024);
        const Panels panels = create_panels(&host, host.width(), theme, colors);
        const std::pair<Panel*, const char*> all[] = {{panels.toolbar_panel, "toolbar"},
                                                      {panels.time_panel, "time"},
                                                      {panels.log_panel, "log"},
                                                      {panels.numeric_panel, "numeric"},
                                                      {panels.options_panel, "options"}};
        for (const auto& [panel, name] : all)
            ok = save_panel(panel, out.filePath(QStringLiteral("%1-theme%2.png").arg(name).arg(theme))) && ok;
    }
    ok = save_icon_sheet(out.filePath(QStringLiteral("icons.png"))) && ok;
    ok = save_toolbar_looks(out.filePath(QStringLiteral("toolbar-looks.png"))) && ok;
    return ok ? 0 : 1;
}
