// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/start_up.h"

#include <QApplication>

#include "app/application.h"
#include "app/host_window.h"
#include "view/gl_view.h"

namespace orbilan {

UserMessage error_message(const std::string& text) { return {text, "Error", MessageIcon::none}; }

std::string gl_failure_text(GlSupport support)
{
    switch (support) {
    case GlSupport::ok: return {};
    case GlSupport::no_screen: return "Failed To Register The Window Class.";
    case GlSupport::no_native_surface: return "Window Creation Error.";
    case GlSupport::no_colour_buffer: return "Can't Find A Suitable PixelFormat.";
    case GlSupport::no_depth_buffer: return "Can't Set The PixelFormat.";
    case GlSupport::no_context: return "Can't Create A GL Rendering Context.";
    case GlSupport::cannot_activate: return "Can't activate GLRC.";
    }
    return {};
}

Program::Program() = default;
Program::~Program() = default;

StartUpOutcome start_up(Program& program, Platform& platform, const StartUpSteps& steps,
                        const std::filesystem::path& project, std::optional<Integrator> integrator)
{
    program.program_folder = platform.program_folder();
    program.files = locate_program_files(program.program_folder);
    program.theme_id = steps.load_settings ? steps.load_settings(program.files.settings_file) : 0;
    if (steps.set_theme_colours) steps.set_theme_colours(program);
    allocate_body_table(program.table, program.state, 0);

    // Whether the view can have OpenGL is known before any window exists.
    const GlSupport gl = platform.probe_gl();
    if (gl == GlSupport::no_screen) {
        platform.message_box(error_message(gl_failure_text(gl)));
        return StartUpOutcome::failed;
    }

    const WorkArea area = platform.work_area();
    program.work_area_left = area.left;
    program.work_area_top = area.top;
    program.work_area_width = area.width;
    program.work_area_height = area.height;
    program.main_window = std::make_unique<HostWindow>(program.view);
    HostWindow& main_window = *program.main_window;
    main_window.setGeometry(area.left, area.top, area.width, area.height - 1);
    // The panels name the host's native window as the one they stay above, so it must exist
    // before the first panel is shown.
    main_window.winId();
    program.view.view_width = main_window.width();
    program.view.view_height = main_window.height();

    QWidget* toolbar = steps.build_toolbar ? steps.build_toolbar(program) : nullptr;
    if (toolbar) main_window.set_toolbar_panel(toolbar);

    if (gl == GlSupport::no_native_surface) {
        platform.message_box(error_message(gl_failure_text(gl)));
        return StartUpOutcome::failed;
    }
    if (gl != GlSupport::ok) {
        // A window without a usable context: say why and end, as the view would on its own.
        platform.message_box(error_message(gl_failure_text(gl)));
        return StartUpOutcome::ended;
    }
    program.gl_window = new GlView(program.view, program.scene, platform, &main_window);
    program.gl_window->setGeometry(0, 0, program.view.view_width, program.view.view_height);
    main_window.set_view(program.gl_window);

    if (steps.build_panels) steps.build_panels(program);
    if (steps.connect_commands) steps.connect_commands(program);

    main_window.show();
    // A window manager keeps a transient window above its host only when the host was there
    // first; without a window manager, raising the toolbar does it.
    if (toolbar) {
        toolbar->show();
        toolbar->raise();
    }
    program.gl_window->show();
    program.gl_window->setFocus();
    if (program.application) program.application->session().integrator_choice = integrator;
    if (program.application) program.application->restore_remembered(project.empty());
    if (!project.empty() && program.application) program.application->open_project_file(project);
    return StartUpOutcome::running;
}

int run_program(Platform& platform, const StartUpSteps& steps, const std::filesystem::path& project,
                std::optional<Integrator> integrator)
{
    Program program;
    if (start_up(program, platform, steps, project, integrator) != StartUpOutcome::running) return EXIT_START_FAILED;
    return QApplication::exec();
}

}  // namespace orbilan
