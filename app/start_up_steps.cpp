// SPDX-License-Identifier: GPL-3.0-or-later
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
    steps.set_theme_colours = [](Program& program) { load_theme_colors(program.theme_id, program.colors); };
    steps.build_toolbar = [](Program& program) -> QWidget* {
        HostWindow& host = *program.main_window;
        const QIcon icon(QPixmap::fromImage(load_resource_image("ICON_app", {32, 32})));
        host.setWindowIcon(icon);
        Panel* toolbar = build_toolbar_panel(&host, host.width(), program.theme_id, program.colors);
        toolbar->setWindowIcon(icon);
        program.panels.toolbar_panel = toolbar;
        return toolbar;
    };
    steps.build_panels = [](Program& program) {
        HostWindow& host = *program.main_window;
        Panels& panels = program.panels;
        panels.options_panel = build_options_panel(&host, host.width(), program.theme_id, program.colors);
        panels.numeric_panel = build_numeric_panel(&host, host.width(), program.theme_id, program.colors);
        panels.time_panel = build_time_panel(&host, host.width(), program.theme_id, program.colors);
        panels.log_panel = build_log_panel(&host, host.width(), program.theme_id, program.colors);
    };
    steps.connect_commands = [&platform](Program& program) {
        program.application = std::make_unique<Application>(program, platform);
        program.application->attach();
    };
    return steps;
}

}  // namespace orbilan
