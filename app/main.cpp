// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/start_up.h"
#include "app/start_up_steps.h"
#include "orbilan_version.h"
#include "platform/qt_platform.h"

namespace {

// Messages Qt gives while it connects to the display, held back until it is known whether it could.
QStringList held_messages;

// Qt ends a program whose display it cannot reach with an abort and advice that does not apply;
// this one says what happened and exits with its own status instead.
void hold_display_messages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtFatalMsg) {
        held_messages.append(message);
        return;
    }
    const char* display = std::getenv("DISPLAY");
    std::fprintf(stderr, "orbilan: no display found (DISPLAY=%s); orbilan-run runs projects without one.\n",
                 display != nullptr && *display != '\0' ? display : "unset");
    std::_Exit(orbilan::EXIT_NO_DISPLAY);
}

// --help and --version answer on stdout without opening a window; a failed write is an error.
int print(const std::string& text)
{
    std::fputs(text.c_str(), stdout);
    if (std::fflush(stdout) == 0) return 0;
    std::fputs("orbilan: cannot write to standard output\n", stderr);
    return 1;
}

}  // namespace

// Qt gets only the program name: the command line is ours.
int main(int argc, char** argv)
{
    using orbilan::CommandLine;
    const CommandLine command = orbilan::parse_command_line(std::vector<std::string>(argv + 1, argv + argc));
    switch (command.action) {
    case CommandLine::Action::help: return print(orbilan::help_text());
    case CommandLine::Action::version: return print(std::string("orbilan ") + ORBILAN_VERSION + "\n");
    case CommandLine::Action::usage_error:
        std::fprintf(stderr, "orbilan: %s\nTry 'orbilan --help'.\n", command.error.c_str());
        return orbilan::EXIT_USAGE;
    case CommandLine::Action::run: break;
    }
    int qt_argc = 1;
    char* qt_argv[] = {argv[0], nullptr};
    const QtMessageHandler previous = qInstallMessageHandler(hold_display_messages);
    QApplication application(qt_argc, qt_argv);
    // Wayland matches the window to its desktop entry (icon, name) by this.
    QGuiApplication::setDesktopFileName(ORBILAN_APP_ID);
    qInstallMessageHandler(previous);
    for (const QString& message : std::as_const(held_messages)) std::fprintf(stderr, "%s\n", qPrintable(message));
    orbilan::QtPlatform platform;
    return orbilan::run_program(platform, orbilan::program_start_up_steps(platform), command.project,
                                command.integrator);
}
