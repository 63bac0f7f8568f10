// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"
#include "app/start_up.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace orbilan {
namespace {

using Action = CommandLine::Action;

TEST(CommandLine, OneProjectHelpOrVersion)
{
    struct Case {
        std::vector<std::string> arguments;
        Action action;
        const char* project;
    };
    const Case cases[] = {
        {{}, Action::run, ""},
        {{"solar system.txt"}, Action::run, "solar system.txt"},
        {{"--", "-odd.txt"}, Action::run, "-odd.txt"},  // "--" ends the options
        {{"-"}, Action::run, "-"},                      // a lone dash is a file name
        {{"a.txt", "--help"}, Action::help, ""},        // help wins wherever it stands
        {{"-h"}, Action::help, ""},
        {{"--version", "--bogus"}, Action::version, ""},
        {{"a.txt", "b.txt"}, Action::usage_error, ""},
        {{"--bogus", "a.txt"}, Action::usage_error, ""},
        {{"-platform", "xcb"}, Action::usage_error, ""},  // Qt's own options are not taken
        {{"--", "--help"}, Action::run, "--help"},
    };
    for (const Case& c : cases) {
        const CommandLine command = parse_command_line(c.arguments);
        const std::string shown = ::testing::PrintToString(c.arguments);
        EXPECT_EQ(command.action, c.action) << shown;
        EXPECT_EQ(command.project, c.project) << shown;
        EXPECT_EQ(command.error.empty(), c.action != Action::usage_error) << shown;
    }
    EXPECT_EQ(parse_command_line({"a.txt", "b.txt", "--x"}).error, "one project at a time, not also 'b.txt'")
        << "the first fault is the one reported";
    EXPECT_EQ(parse_command_line({"--integrator=gauss-radau", "a.txt"}).integrator, Integrator::gauss_radau);
    EXPECT_EQ(parse_command_line({"a.txt"}).integrator, std::nullopt);
    EXPECT_EQ(parse_command_line({"--integrator=rk4"}).error, "--integrator is euler or gauss-radau, not 'rk4'");
}

// A display that is not set or does not answer: one line that says so and names the runner, and a
// status of its own, never an abort.
TEST(CommandLine, WithoutADisplayTheProgramSaysSoAndExitsWithItsStatus)
{
    for (const char* display : {"-u DISPLAY", "DISPLAY=:987"}) {
        const std::string command = std::string("env -u QT_QPA_PLATFORM ") + display + " '" ORBILAN_PROGRAM "' 2>&1";
        FILE* pipe = ::popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string output;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
        const int status = ::pclose(pipe);
        ASSERT_TRUE(WIFEXITED(status)) << display << ": ended by a signal\n" << output;
        EXPECT_EQ(WEXITSTATUS(status), EXIT_NO_DISPLAY) << display << "\n" << output;
        EXPECT_EQ(output.find('\n'), output.size() - 1) << "one line:\n" << output;
        EXPECT_NE(output.find("no display found"), std::string::npos) << output;
        EXPECT_NE(output.find("orbilan-run"), std::string::npos) << output;
    }
}

}  // namespace
}  // namespace orbilan
