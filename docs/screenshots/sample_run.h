// SPDX-License-Identifier: GPL-3.0-or-later
// What the README's pictures of a run share: the program started on a 1280x800 work area, a sample
// opened, and at the end the run stopped and the whole screen saved.
#pragma once

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <cstdio>
#include <string>

#include "app/application.h"
#include "app/start_up.h"
#include "app/start_up_steps.h"
#include "panels/control_ids.h"
#include "platform/recording_platform.h"

struct SampleRun {
    orbilan::RecordingPlatform platform;
    orbilan::Program program;
};

// True, having said so, unless the arguments are PROGRAM_FOLDER PROJECT OUTPUT.png.
inline bool wrong_usage(int argc, char** argv)
{
    if (argc == 4) return false;
    std::fprintf(stderr, "usage: %s PROGRAM_FOLDER PROJECT OUTPUT.png\n", argv[0]);
    return true;
}

// Starts the program from PROGRAM_FOLDER and opens the sample PROJECT; null when it did not start.
// A QApplication must exist.
inline orbilan::Application* open_sample(SampleRun& run, char** argv)
{
    run.platform.folder = std::string(argv[1]) + "/";
    run.platform.area = {0, 0, 1280, 800};
    if (orbilan::start_up(run.program, run.platform, orbilan::program_start_up_steps(run.platform)) !=
        orbilan::StartUpOutcome::running)
        return nullptr;
    orbilan::Application& app = *run.program.application;
    run.platform.dialog_answers.push_back(run.platform.folder + "Projects/" + argv[2]);
    app.toolbar_command(orbilan::TB_OPEN);
    return &app;
}

// STOP, and the end of the run; false when it has not ended within 10 s.
inline bool stop_run(orbilan::Application& app)
{
    app.toolbar_command(orbilan::TB_STOP);
    return QTest::qWaitFor([&] { return !orbilan::run_active(app.session()); }, 10000);
}

inline QPixmap grab_screen() { return QGuiApplication::primaryScreen()->grabWindow(0); }
