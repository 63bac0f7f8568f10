#include "app/start_up_steps.h"

#include <QIcon>
#include <QPixmap>

#include "app/application.h"
#include "app/host_window.h"
#include "files/settings_file.h"
#include "panels/panel.h"
#include "panels/panel_set.h"
#include "widgets/button_image.h"

namespace orbilan {

StartUpSteps program_start_up_steps(Platform& platform)
{
    StartUpSteps steps;
    steps.load_settings = [&platform](const std::filesystem::path& settings_file) {
        return load_settings(settings_file, [&platform](const UserMessage& m) { platform.message_box(m); });
    };
    // The commands exist from the theme step on: the colours are theirs to change later.
    steps.set_theme_colours = [&platform](Program& program) {
        program.application = std::make_unique<Application>(program, platform);
        load_theme_colors(program.theme_id, program.application->session().colors);
    };
    steps.build_toolbar = [](Program& program) -> QWidget* {
        Session& s = program.application->session();
        HostWindow& host = *program.main_window;
        const QIcon icon(QPixmap::fromImage(load_resource_image("ICON_app", {32, 32})));
        host.setWindowIcon(icon);
        s.panels.toolbar_panel = build_toolbar_panel(&host, host.width(), program.theme_id, s.colors);
        s.panels.toolbar_panel->setWindowIcon(icon);
        s.panels.toolbar_panel->show();
        return s.panels.toolbar_panel;
    };
    steps.build_panels = [](Program& program) {
        Session& s = program.application->session();
        HostWindow& host = *program.main_window;
        Panels panels = s.panels;
        panels.options_panel = build_options_panel(&host, host.width(), program.theme_id, s.colors);
        panels.numeric_panel = build_numeric_panel(&host, host.width(), program.theme_id, s.colors);
        panels.time_panel = build_time_panel(&host, host.width(), program.theme_id, s.colors);
        panels.log_panel = build_log_panel(&host, host.width(), program.theme_id, s.colors);
        program.application->attach(panels, program.gl_window);
    };
    return steps;
}

}  // namespace orbilan
