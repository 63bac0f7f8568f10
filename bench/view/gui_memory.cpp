// SPDX-License-Identifier: GPL-3.0-or-later
// Memory the whole program holds per body: start-up, OPEN PROJECT of N bodies, a START with a few
// redraw ticks, STOP. Run once with a small N and once with a large one under Xvfb; the
// difference of the resident sizes divided by the difference of the body counts is the cost of
// one body beyond the program's base.
//
//   gui_memory BODIES [SECONDS_RUNNING]
//
// prints the resident size after start-up, after the load and after the run, in kB.
#include <QApplication>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/application.h"
#include "app/start_up.h"
#include "app/start_up_steps.h"
#include "panels/control_ids.h"
#include "platform/recording_platform.h"

namespace {

long resident_kb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// n bodies on a wide, slow disc, far enough apart that nothing interesting happens.
void write_disc(const std::filesystem::path& path, int n)
{
    std::ofstream out(path, std::ios::binary);
    out << "\"disc\", \"memory measurement\"\r\nObjects, " << n << "\r\ndt, 1\r\nG, 6.674E-11\r\n";
    for (int i = 1; i <= n; ++i) {
        const double a = 2.399963 * i;
        const double r = 1e12 * std::sqrt(static_cast<double>(i) / n);
        out << "Object, " << i << ", \"body " << i << "\",\r\nPosition, " << r * std::cos(a) << ", " << r * std::sin(a)
            << ", 0\r\nVelocity, 0, 0, 0\r\nMass, 1E+20\r\nDensity, 3000\r\n";
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s BODIES [SECONDS_RUNNING]\n", argv[0]);
        return 2;
    }
    const int n = std::atoi(argv[1]);
    const int running_ms = argc > 2 ? static_cast<int>(std::atof(argv[2]) * 1000) : 1000;
    int qt_argc = 1;
    QApplication application(qt_argc, argv);

    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("orbilan-memory-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    write_disc(folder / "disc.txt", n);

    orbilan::RecordingPlatform platform;
    platform.folder = folder.string() + "/";
    orbilan::Program program;
    if (orbilan::start_up(program, platform, orbilan::program_start_up_steps(platform)) !=
        orbilan::StartUpOutcome::running)
        return 1;
    QTest::qWait(200);
    const long started = resident_kb();

    orbilan::Application& app = *program.application;
    platform.dialog_answers.push_back((folder / "disc.txt").string());
    app.toolbar_command(orbilan::TB_OPEN);
    QTest::qWait(200);
    const long loaded = resident_kb();

    app.toolbar_command(orbilan::TB_START);
    QTest::qWait(running_ms);
    app.toolbar_command(orbilan::TB_STOP);
    const bool ended = QTest::qWaitFor([&] { return !orbilan::run_active(app.session()); }, 600000);
    QTest::qWait(200);
    const long ran = resident_kb();

    std::printf("bodies %d  started %ld kB  loaded %ld kB  after a run %ld kB  steps %lld%s\n",
                program.table.body_count, started, loaded, ran, app.session().run->steps_done(),
                ended ? "" : "  (run never ended)");
    std::filesystem::remove_all(folder);
    return ended ? 0 : 1;
}
