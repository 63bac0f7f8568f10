// Writes a PNG of each panel in each theme, and one sheet of all icons, into the folder given.
#include "panels/panel.h"
#include "panels/panel_set.h"
#include "widgets/button_image.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTest>

#include <cstdio>

using namespace orbilan;

namespace {

constexpr const char* ICON_NAMES[] = {"START", "STOP", "OPEN", "RESET", "TIME", "NUMERIC", "OPTIONS",
                                      "LOG", "ZERO", "ARROW_PREV", "ARROW_NEXT", "FULL_SCREEN", "EXIT"};

bool save_panel(Panel* panel, const QString& path) {
    panel->show();
    if (!QTest::qWaitForWindowExposed(panel)) return false;
    QCoreApplication::processEvents();
    const bool saved = panel->grab().save(path);
    panel->hide();
    return saved;
}

// Rows of normal, hot and disabled looks at twice their size, on a light and a dark strip.
bool save_icon_sheet(const QString& path) {
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
                const QString name = column < columns - 1 ? QStringLiteral("ICON_%1%2").arg(ICON_NAMES[column],
                                                                                              suffixes[row])
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

int main(int argc, char** argv) {
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
        const std::pair<Panel*, const char*> all[] = {{panels.toolbar_panel, "toolbar"}, {panels.time_panel, "time"},
                                                      {panels.log_panel, "log"}, {panels.numeric_panel, "numeric"},
                                                      {panels.options_panel, "options"}};
        for (const auto& [panel, name] : all)
            ok = save_panel(panel, out.filePath(QStringLiteral("%1-theme%2.png").arg(name).arg(theme))) && ok;
    }
    ok = save_icon_sheet(out.filePath(QStringLiteral("icons.png"))) && ok;
    return ok ? 0 : 1;
}
