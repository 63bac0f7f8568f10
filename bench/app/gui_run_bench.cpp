// SPDX-License-Identifier: GPL-3.0-or-later
// Not a test: the whole program running a large cluster, measured as a user would feel it. It
// writes a project of N bodies into the program folder, opens it, sets the frame rate (index into
// the redraw intervals, the program's own by default), presses START and, for the given time, counts the frames the view draws, clicks the time panel's unit button every 250 ms from
// another thread and times the answer, and counts the engine's steps. Run it under Xvfb;
// bench/gui_figures.sh compares it with orbilan-run on the same project.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/application.h"
#include "app/panel_commands.h"
#include "app/start_up.h"
#include "app/start_up_steps.h"
#include "files/project_writer.h"
#include "panels/control_ids.h"
#include "panels/panel.h"
#include "platform/recording_platform.h"
#include "sim/simulation_run.h"
#include "view/gl_view.h"

namespace orbilan {
namespace {

// A slowly turning ball of rocks, G = 1, as the cluster sample but with n bodies.
bool write_cluster(const std::string& path, int n)
{
    BodyTable table;
    SimulationState state;
    allocate_body_table(table, state, n);
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (int i = 1; i <= n; ++i) {
        double x, y, z;
        do {
            x = unit(random), y = unit(random), z = unit(random);
        } while (x * x + y * y + z * z > 1);
        table.x[i] = 2 * x, table.y[i] = 2 * y, table.z[i] = 2 * z;
        table.vx[i] = -0.3 * y, table.vy[i] = 0.3 * x;
        table.mass[i] = 60.0 / n;
        table.density[i] = 2000;
        table.name[i] = std::to_string(i).insert(0, "Rock ");
    }
    state.dt = 1e-4L;
    state.grav_constant = 1;
    return write_project(path, table, state, "Large cluster",
                         [](const UserMessage& m) { std::fprintf(stderr, "%s\n", m.text.c_str()); });
}

double median(std::vector<double> v)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double largest(const std::vector<double>& v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }

int measure(const std::string& folder, int bodies, double seconds, int fps_index)
{
    const std::string project = "cluster_" + std::to_string(bodies) + ".txt";
    if (!write_cluster(folder + "/Projects/" + project, bodies)) return 1;

    RecordingPlatform platform;
    platform.folder = folder + "/";
    Program program;
    if (start_up(program, platform, program_start_up_steps(platform)) != StartUpOutcome::running) return 1;
    Application& app = *program.application;
    Session& s = app.session();
    platform.dialog_answers.push_back(platform.folder + "Projects/" + project);
    app.toolbar_command(TB_OPEN);
    if (s.table.body_count != bodies) return 1;
    app.toolbar_command(TB_SHOW_TIME);
    Panel& time_panel = *s.panels.time_panel;
    if (!QTest::qWaitForWindowExposed(&time_panel)) return 1;
    auto* unit_button = qobject_cast<QAbstractButton*>(time_panel.control(TM_UNIT));
    if (!unit_button) return 1;

    while (s.control.fps_index != fps_index) options_panel_handler(s, OP_FPS);
    app.toolbar_command(TB_START);
    QTest::qWait(1000);  // the first frames and the workers settle

    std::vector<double> frame_gaps, click_answers;
    QElapsedTimer clock;
    clock.start();
    qint64 last_frame = -1;
    QObject::connect(program.gl_window, &QOpenGLWidget::frameSwapped, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (last_frame >= 0) frame_gaps.push_back((now - last_frame) / 1e6);
        last_frame = now;
    });
    // The clicks come from another thread, at moments that do not wait for the user-interface
    // thread, so a click that arrives while it is busy waits as a user's would.
    std::mutex clicks_mutex;
    std::deque<qint64> clicks_posted;
    QObject::connect(unit_button, &QAbstractButton::clicked, [&] {
        std::lock_guard lock(clicks_mutex);
        if (clicks_posted.empty()) return;
        click_answers.push_back((clock.nsecsElapsed() - clicks_posted.front()) / 1e6);
        clicks_posted.pop_front();
    });
    std::atomic<bool> clicking{true};
    const QPointF at = unit_button->rect().center();
    const QPointF global = unit_button->mapToGlobal(at.toPoint());
    std::thread clicker([&] {
        while (clicking.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            {
                std::lock_guard lock(clicks_mutex);
                clicks_posted.push_back(clock.nsecsElapsed());
            }
            QCoreApplication::postEvent(unit_button, new QMouseEvent(QEvent::MouseButtonPress, at, global,
                                                                     Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
            QCoreApplication::postEvent(unit_button, new QMouseEvent(QEvent::MouseButtonRelease, at, global,
                                                                     Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
        }
    });

    const long long steps_before = s.run->steps_done();
    const qint64 started = clock.nsecsElapsed();
    QTest::qWait(static_cast<int>(seconds * 1000));
    const double elapsed = (clock.nsecsElapsed() - started) / 1e9;
    const long long steps = s.run->steps_done() - steps_before;
    clicking.store(false);
    clicker.join();

    app.toolbar_command(TB_STOP);
    if (!QTest::qWaitFor([&] { return !run_active(s); }, 60000)) return 1;

    const int interval = redraw_interval_ms(s.control.fps_index);
    std::printf("bodies: %d\n", bodies);
    std::printf("workers: %d\n", workers_beside_a_window());
    std::printf("frame_interval_chosen_ms: %d\n", interval);
    std::printf("frames_per_second: %.3f\n", static_cast<double>(frame_gaps.size()) / elapsed);
    std::printf("frame_gap_median_ms: %.1f\n", median(frame_gaps));
    std::printf("frame_gap_max_ms: %.1f\n", largest(frame_gaps));
    std::printf("clicks: %zu\n", click_answers.size());
    std::printf("click_answer_median_ms: %.1f\n", median(click_answers));
    std::printf("click_answer_max_ms: %.1f\n", largest(click_answers));
    std::printf("steps_per_second: %.4g\n", static_cast<double>(steps) / elapsed);
    return 0;
}

}  // namespace
}  // namespace orbilan

int main(int argc, char** argv)
{
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: %s PROGRAM_FOLDER BODIES SECONDS [FPS_INDEX]\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    const int fps_index = argc == 5 ? std::stoi(argv[4]) : orbilan::ControlState{}.fps_index;
    return orbilan::measure(argv[1], std::stoi(argv[2]), std::stod(argv[3]), fps_index);
}
