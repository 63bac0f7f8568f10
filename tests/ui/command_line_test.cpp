#include "app/command_line.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace orbilan
