// SPDX-License-Identifier: GPL-3.0-or-later
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <map>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "files/project_loader.h"
#include "orbilan_version.h"
#include "sim/energy.h"
#include "temp_folder.h"

namespace orbilan {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::read_bytes;

struct Outcome {
    int status = -1;
    std::string out, err;
    std::map<std::string, std::string> keys;  // of the summary
};

class OrbilanRun : public ::testing::Test {
protected:
    test::TempFolder folder;

    // Runs through the shell, so that `before` may set limits; standard output goes to `out` when
    // given. A run that hangs is ended after a minute and reads as status 124.
    Outcome run(const std::string& arguments, const std::string& before = "", std::string out = "")
    {
        if (out.empty()) out = file("stdout");
        const int raw = std::system(
            (before + "timeout 60 " + ORBILAN_RUN + " " + arguments + " >" + out + " 2>" + file("stderr")).c_str());
        Outcome o{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_bytes(file("stdout")), read_bytes(file("stderr")), {}};
        std::istringstream lines(o.out);
        for (std::string line; std::getline(lines, line);)
            if (const auto colon = line.find(": "); colon != std::string::npos)
                o.keys[line.substr(0, colon)] = line.substr(colon + 2);
        return o;
    }
    std::string file(const std::string& name) const { return (folder.path() / name).string(); }
    // Starts a long run through the shell (`exec` keeps the runner's pid) and returns once it has
    // written its first log line, so that it holds its outputs and catches its signals.
    pid_t start_long_run(const std::string& before, const std::string& log, const std::string& rest = "")
    {
        const std::string command = before + "exec " + ORBILAN_RUN + " " + project("binary_star.txt") +
                                    " --stop-time 1e9 --log " + log + " " + rest + " >" + file("long.out") + " 2>" +
                                    file("long.err");
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (const auto deadline = std::chrono::steady_clock::now() + 30s;
             read_bytes(log).empty() && std::chrono::steady_clock::now() < deadline;)
            std::this_thread::sleep_for(10ms);
        return pid;
    }
    static int exit_status(pid_t pid)
    {
        int raw = 0;
        ::waitpid(pid, &raw, 0);
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : 1000 + WTERMSIG(raw);
    }

    static std::string project(const std::string& name) { return std::string(ORBILAN_PROJECTS) + "/" + name; }
    fs::path one_body(const std::string& dt)
    {
        return folder.write("dt" + dt + ".txt", "probe, one body\r\nObjects, 1\r\ndt, " + dt +
                                                    "\r\nG, 1\r\nObject, 1, P,\r\nPosition, 0, 0, 0\r\n"
                                                    "Velocity, 0, 0, 0\r\nMass, 10\r\nDensity, 1\r\n");
    }
};

// A run that cannot be made exits with 2 and says why, once, naming the value or the file, with
// nothing on standard output: a command line that cannot be followed (then with the usage), files
// users and scripts really pass, runs that could never end. None may hang, take the memory, run as
// 0 bodies or overwrite an input. --help and --version go to standard output.
TEST_F(OrbilanRun, RunsThatCannotBeMadeExitWithTwoAndSayWhy)
{
    const std::string p = project("binary_star.txt");
    const fs::path pipe = folder.path() / "pipe.txt";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string craft = folder.write("p/craft.txt", read_bytes(project("earth_moon_craft.txt"))).string();
    folder.write("p/craft.JI", read_bytes(project("earth_moon_craft.JI")));
    fs::create_symlink(craft, folder.path() / "link.txt");
    const std::string log = file("log.txt");
    fs::create_directory(folder.path() / "dir");
    const std::string dangling = folder.write("q/dangling.txt", read_bytes(p)).string();
    fs::create_symlink("gone.JI", folder.path() / "q/dangling.JI");
    folder.write("q/q.txt", read_bytes(p));
    folder.write("q/q.ji", "Impulses, 0\r\nBody, 1\r\n");
    const std::pair<std::string, std::string> cases[] = {
        {"", "no project file given\nusage:"},
        {p, "either --stop-time or --steps\nusage:"},
        {p + " --stop-time 1O", "'1O'\nusage:"},
        {p + " --steps 5 --log-mode speed", "'speed'\nusage:"},
        {p + " --steps 5 --precision single", "--precision is extended or double, not 'single'\nusage:"},
        {p + " --steps", "--steps needs a value\nusage:"},
        // Integers are read whole and within their range: nothing wraps or aborts.
        {p + " --steps 5 --threads 100000", "--threads needs a whole number from 1 to 256, not '100000'\nusage:"},
        {p + " --steps 5 --log-body 4294967298", "'4294967298'\nusage:"},
        {p + " --steps 1e6", "'1e6'\nusage:"},
        {p + " --stop-time 1e5000", "'1e5000'\nusage:"},
        {p + " --quiet=yes --steps 5", "--quiet takes no value\nusage:"},
        {p + " --steps 5 --log-every 5 --log-mode position", "--log-every, --log-mode without --log"},
        {pipe.string() + " --steps 1", "pipe.txt is not a regular file"},
        {folder.write("empty.txt", "").string() + " --steps 1", "orbilan-run: NO OBJECTS !!\n"},
        {folder.write("million.txt", "Many bodies, x\r\nObjects, 1000000\r\n").string() + " --steps 1",
         "orbilan-run: a project file that ends early is not run"},
        {one_body("-1").string() + " --stop-time 1e10", "never reached: the step is -1.000E+00 s"},
        {one_body("1e5000").string() + " --stop-time -1e10", "the step is INF s, which reads as 0"},
        {one_body("1e-30").string() + " --stop-time 1e10", "more than 2^62 steps"},
        {one_body("1e5000").string() + " --steps 5", "the step is INF s, which reads as 0; no run can take it"},
        {p + " --steps 1 --log " + log + " --log-body 3", "--log-body 3: the project has 2"},
        {craft + " --steps 5 --log " + craft, "is an input of the project"},
        {craft + " --steps 5 --log " + file("p/craft.JI"), "is an input of the project"},
        {craft + " --steps 5 --final-state " + file("link.txt"), "is an input of the project"},
        {craft + " --steps 5 --final-state " + file("p/../p/craft.txt"), "is an input of the project"},
        {craft + " --steps 5 --log " + log + " --final-state " + file("./log.txt"), "name the same file"},
        // Outputs are checked before the first step, with the reason.
        {p + " --steps 5 --final-state " + file("no/fs.txt"), "no/fs.txt cannot be written (No such file or"},
        {p + " --steps 5 --final-state " + file("dir"), "dir is not a regular file."},
        {p + " --steps 5 --final-state " + pipe.string(), "pipe.txt is not a regular file."},
        {p + " --steps 5 --log /dev/stdout", "--log /dev/stdout is standard output, which takes the summary"},
        // An impulse program that exists in any form is read or refused, never passed over.
        {dangling + " --steps 5", "Impulse program " + file("q/dangling.JI") + " cannot be opened (No such file"},
        {file("q/q.txt") + " --steps 5 --log " + file("q/Q.JI"), "is an input of the project"},
        {p + " --steps 5 --integrator rk4", "--integrator is euler or gauss-radau, not 'rk4'\nusage:"},
        {p + " --steps 5 --integrator gauss-radau --tolerance 0",
         "--tolerance needs a number above 0, not '0'\nusage:"},
        {p + " --steps 5 --log " + log + " --log-interval 1", "--log-interval needs the gauss-radau method"},
        {p + " --steps 5 --energy " + log + " --energy-every 0", "--energy-every needs a whole number from 1 to"},
        {p + " --steps 5 --energy-every 10", "--energy-every without --energy: there is no energy file to write"},
        {p + " --steps 5 --energy " + file("no/e.txt"),
         "Cannot open the energy file " + file("no/e.txt") + " (No such"},
        {p + " --steps 5 --log " + log + " --energy " + file("./log.txt"), "--energy and --log name the same file"},
    };
    for (const auto& [arguments, complaint] : cases) {
        Outcome o = run(arguments);
        EXPECT_EQ(o.status, 2) << arguments;
        const std::size_t said = o.err.find(complaint);
        EXPECT_NE(said, std::string::npos) << arguments << "\n" << o.err;
        EXPECT_EQ(o.err.find(complaint, said + 1), std::string::npos) << "said twice:\n" << o.err;
        EXPECT_TRUE(o.out.empty()) << arguments << ": " << o.out;
    }
    EXPECT_EQ(read_bytes(craft), read_bytes(project("earth_moon_craft.txt")));
    EXPECT_FALSE(fs::exists(log));
    EXPECT_TRUE(fs::is_fifo(pipe));
    EXPECT_FALSE(fs::exists(file("q/Q.JI")));
    Outcome help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: orbilan-run PROJECT", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("\n  5    a position became infinite or not a number"), std::string::npos) << help.out;
    EXPECT_EQ(run("-h").out, help.out);
    EXPECT_EQ(run("--version").out, std::string("orbilan-run ") + ORBILAN_VERSION + "\n");
}

// A failed write ends the run with status 4; what was written before stays.
TEST_F(OrbilanRun, FailedWritesAreErrors)
{
    const std::string p = project("binary_star.txt") + " --steps 10";
    Outcome full_log = run(p + " --log /dev/full");
    EXPECT_EQ(full_log.status, 4);
    EXPECT_NE(full_log.err.find("Cannot write the log file /dev/full (No space left on device)"), std::string::npos);
    EXPECT_EQ(full_log.keys["steps"], "10") << "the summary is still printed";
    EXPECT_EQ(run(p, "", "/dev/full").status, 4);
    EXPECT_NE(read_bytes(file("stderr")).find("cannot write the summary to standard output (No"), std::string::npos);
    EXPECT_EQ(run("--help", "", "/dev/full").status, 4);
    Outcome full_energy = run(p + " --energy /dev/full");
    EXPECT_EQ(full_energy.status, 4);
    EXPECT_NE(full_energy.err.find("Cannot write the energy file /dev/full (No space"), std::string::npos);

    // A disk that fills up in the middle of a long run: here a file size limit of a few kB.
    Outcome cut = run(project("binary_star.txt") + " --stop-time 1e6 --log " + file("long.txt"), "ulimit -f 8; ");
    EXPECT_EQ(cut.status, 4);
    EXPECT_NE(cut.err.find("Cannot write the log file " + file("long.txt")), std::string::npos) << cut.err;
    EXPECT_LT(std::stod(cut.keys["sim_time"]), 1e6) << "the run ends when its log fails";
    EXPECT_GE(read_bytes(file("long.txt")).size(), 4096u);
}

// On a terminal a long run shows its progress on one line redrawn in place, erased at the end.
// A stop signal then ends the run with 128 + its number, after the summary and the final state.
// Elsewhere stderr stays empty.
TEST_F(OrbilanRun, ProgressLineOnATerminalAndStopSignals)
{
    // The shell execs the runner in its place, so that the signals reach the runner itself.
    const std::string command = "exec " + std::string(ORBILAN_RUN) + " " + project("binary_star.txt") +
                                " --stop-time 1e9 --final-state " + file("final.txt") + " >" + file("stdout");
    for (const auto& [signal, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}, std::pair{SIGHUP, 129}}) {
        int terminal = -1;
        const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        std::string screen;
        bool stopped = false;
        for (const auto deadline = std::chrono::steady_clock::now() + 60s;;) {
            if (std::chrono::steady_clock::now() > deadline) ::kill(pid, SIGKILL);
            pollfd ready{terminal, POLLIN, 0};
            if (::poll(&ready, 1, 100) == 0) continue;
            char buffer[4096];
            const ssize_t n = ::read(terminal, buffer, sizeof buffer);
            if (n <= 0) break;  // EIO once the runner has gone
            screen.append(buffer, static_cast<std::size_t>(n));
            if (!stopped && screen.find("left") != std::string::npos) stopped = ::kill(pid, signal) == 0;
        }
        ::close(terminal);
        int raw = 0;
        ::waitpid(pid, &raw, 0);
        EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, status) << screen;
        for (const char* part : {"\r  0.", " %   ", " steps/s   "})
            EXPECT_NE(screen.find(part), std::string::npos) << screen;
        EXPECT_EQ(screen.find('\n'), std::string::npos) << "nothing but the progress line: " << screen;
        const std::size_t last = screen.rfind('\r', screen.size() - 2);
        ASSERT_NE(last, std::string::npos);
        EXPECT_EQ(screen.find_first_not_of(' ', last + 1), screen.size() - 1) << "the line is erased at the end";
        EXPECT_NE(read_bytes(file("stdout")).find("steps: "), std::string::npos);
        EXPECT_NE(read_bytes(file("final.txt")).find("Object, 2,"), std::string::npos);
        std::filesystem::remove(file("final.txt"));
    }
    EXPECT_TRUE(run(project("binary_star.txt") + " --steps 10").err.empty()) << "no progress when not a terminal";
}

// Outputs replace only what they name: a final state goes to a fresh file beside it, so links and
// files that happen to carry a temporary's name stay, and a link given as the final state keeps
// pointing to the file it names. A second runner on the same outputs is refused, and the first
// one's log stays whole. With standard error closed, no message lands in the log.
TEST_F(OrbilanRun, OutputsOverwriteNothingElseAndHaveOneWriter)
{
    const std::string p = folder.write("p.txt", read_bytes(project("binary_star.txt"))).string();
    fs::create_symlink(p, file("fs.txt.part"));
    folder.write("notes.txt.part", "notes");
    folder.write("notes.txt", "old");
    fs::create_symlink("notes.txt", file("link.txt"));
    for (const char* target : {"fs.txt", "notes.txt", "link.txt"})
        EXPECT_EQ(run(p + " --steps 10 --final-state " + file(target)).status, 0) << target;
    EXPECT_EQ(read_bytes(p), read_bytes(project("binary_star.txt")));
    EXPECT_TRUE(fs::is_symlink(file("fs.txt.part")));
    EXPECT_EQ(read_bytes(file("notes.txt.part")), "notes");
    EXPECT_TRUE(fs::is_symlink(file("link.txt")));
    EXPECT_NE(read_bytes(file("notes.txt")).find("Object, 2,"), std::string::npos);
    for (const auto& entry : fs::directory_iterator(folder.path()))
        EXPECT_FALSE(entry.path().filename().string().ends_with("-0.part")) << "left behind: " << entry.path();

    const pid_t first = start_long_run("", file("shared.log"), "--final-state " + file("shared.txt"));
    Outcome log = run(p + " --steps 10 --log " + file("shared.log"));
    EXPECT_EQ(log.status, 2);
    EXPECT_NE(log.err.find("Cannot open the log file " + file("shared.log") + " (another program is writing it)"),
              std::string::npos)
        << log.err;
    Outcome final_state = run(p + " --steps 10 --final-state " + file("shared.txt"));
    EXPECT_EQ(final_state.status, 2);
    EXPECT_NE(final_state.err.find(file("shared.txt") + " is being written by another program"), std::string::npos)
        << final_state.err;
    ::kill(first, SIGTERM);
    EXPECT_EQ(exit_status(first), 143);
    EXPECT_EQ(read_bytes(file("shared.log")).rfind("1.000E-03 , ", 0), 0u) << "the first run's log is whole";
    EXPECT_NE(read_bytes(file("shared.txt")).find("Object, 2,"), std::string::npos);

    folder.write("dt1.JI", "Impulses, 1\r\nBody, 1\r\nBurn, -1, 2\r\nMass, 30\r\nExhaust, 1, 0, 0\r\n");
    EXPECT_EQ(run(one_body("1").string() + " --steps 5 --log " + file("closed.log") + " 2>&-").status, 3);
    const std::string lines = read_bytes(file("closed.log"));
    EXPECT_EQ(lines.find("orbilan-run"), std::string::npos) << lines;
}

// Stop signals that come twice (timeout signals the runner and its process group) still leave the
// summary and the final state; signals ignored by whoever started the runner stay ignored.
TEST_F(OrbilanRun, DuplicateAndIgnoredStopSignals)
{
    const pid_t pid = start_long_run("trap '' HUP INT; ", file("log.txt"), "--final-state " + file("final.txt"));
    ::kill(pid, SIGHUP);
    ::kill(pid, SIGINT);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(::waitpid(pid, nullptr, WNOHANG), 0) << "an ignored signal ended the run";
    ::kill(pid, SIGTERM);
    std::this_thread::sleep_for(5ms);
    ::kill(pid, SIGTERM);
    EXPECT_EQ(exit_status(pid), 143) << read_bytes(file("long.err"));
    EXPECT_NE(read_bytes(file("long.out")).find("energy_relative_change: "), std::string::npos);
    EXPECT_NE(read_bytes(file("final.txt")).find("Object, 2,"), std::string::npos);
}

// The figure-eight orbit comes back to its start after one period (Chenciner and Montgomery):
// with the first-order step within one step (1e-4 s at a speed below 1.5) plus its error. The energy stays within
// O(h) of its start. The log has a line every 2500 steps.
TEST_F(OrbilanRun, FigureEightClosesAfterOnePeriod)
{
    const std::string log = " --log " + file("Logs/eight.txt") + " --log-body 3 --log-every 2500";
    Outcome o = run(project("figure_eight.txt") + " --integrator euler --stop-time 6.32591398 --final-state " +
                    file("final.txt") + log);
    ASSERT_EQ(o.status, 0) << o.err;
    const std::string lines = read_bytes(file("Logs/eight.txt"));
    EXPECT_EQ(lines.rfind("2.500E-01 , ", 0), 0u) << lines;
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 25);
    EXPECT_EQ(o.keys["steps"], "63260");
    EXPECT_EQ(o.keys["bodies"], "3");
    EXPECT_LT(std::fabs(std::stod(o.keys["energy_relative_change"])), 10 * 1e-4);
    BodyTable start, end;
    SimulationState s0, s1;
    ASSERT_EQ(read_project_fields(project("figure_eight.txt"), folder.path(), start, s0, {}).result,
              LoadResult::loaded);
    ASSERT_EQ(read_project_fields(file("final.txt"), folder.path(), end, s1, {}).result, LoadResult::loaded);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_NEAR(static_cast<double>(end.x[i]), static_cast<double>(start.x[i]), 1e-3) << i;
        EXPECT_NEAR(static_cast<double>(end.y[i]), static_cast<double>(start.y[i]), 1e-3) << i;
    }
    // The adaptive method closes it to the eight or nine digits of the published values (its
    // middle body starts where its acceleration vanishes, which must not stall the steps).
    ASSERT_EQ(run(project("figure_eight.txt") + " --integrator gauss-radau --stop-time 6.32591398 --final-state " +
                  file("final.txt"))
                  .status,
              0);
    ASSERT_EQ(read_project_fields(file("final.txt"), folder.path(), end, s1, {}).result, LoadResult::loaded);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_NEAR(static_cast<double>(end.x[i]), static_cast<double>(start.x[i]), 1e-7) << i;
        EXPECT_NEAR(static_cast<double>(end.y[i]), static_cast<double>(start.y[i]), 1e-7) << i;
    }
}

// --energy writes the start and every N-th step; each line's energy is the engine's for the bodies
// then (read back from the final state, through merges in double precision), and its relative
// change is the summary's.
TEST_F(OrbilanRun, EnergySeriesIsTheEnginesEnergyEveryNSteps)
{
    const auto lines_of = [&](const std::string& name) {
        std::istringstream text(read_bytes(file(name)));
        std::string header;
        std::getline(text, header);
        EXPECT_EQ(header, "time energy energy_relative_change");
        std::vector<std::array<long double, 3>> lines;
        for (long double t, e, r; text >> t >> e >> r;) lines.push_back({t, e, r});
        return lines;
    };
    Outcome o = run(project("binary_star.txt") + " --steps 1000 --energy " + file("e.txt") + " --energy-every 250");
    ASSERT_EQ(o.status, 0) << o.err;
    auto lines = lines_of("e.txt");
    ASSERT_EQ(lines.size(), 5u);
    for (std::size_t k = 0; k < lines.size(); ++k) EXPECT_EQ(lines[k][0], 0.25L * k) << k;
    EXPECT_EQ(lines[0][2], 0);
    EXPECT_EQ(lines.back()[2], std::stold(o.keys["energy_relative_change"]));
    EXPECT_GT(lines.back()[2], lines[1][2]) << "the first-order step drifts";

    o = run(project("cluster.txt") + " --collisions --precision double --steps 700 --energy " + file("c.txt") +
            " --energy-every 350 --final-state " + file("final.txt"));
    ASSERT_EQ(o.status, 0) << o.err;
    lines = lines_of("c.txt");
    ASSERT_EQ(lines.size(), 3u);
    BodyTable end;
    SimulationState state;
    ASSERT_EQ(read_project_fields(file("final.txt"), folder.path(), end, state, {}).result, LoadResult::loaded);
    EXPECT_LT(end.body_count, 60) << "merges happened";
    const long double energy = total_energy(end, state.grav_constant);
    EXPECT_NEAR(lines.back()[1], energy, 1e-18L * std::fabs(energy));
    EXPECT_NEAR(lines.back()[2], std::stold(o.keys["energy_relative_change"]), 1e-6L * std::fabs(lines.back()[2]));
}

// The step is taken as the time panel shows it: four significant digits, and 0 becomes 1. A stop
// time below 0 runs backward, up to the step that passes it (the ninth of 0.1235 s).
TEST_F(OrbilanRun, StepsAsTheTimePanelShowsThemUntilTheCraftIsEmpty)
{
    EXPECT_NEAR(std::stod(run(one_body("0.123456").string() + " --steps 10").keys["sim_time"]), 1.235, 1e-15);
    Outcome backward = run(one_body("0.123456").string() + " --stop-time -1");
    EXPECT_EQ(backward.status, 0);
    EXPECT_NEAR(std::stod(backward.keys["sim_time"]), -1.1115, 1e-15);
    EXPECT_EQ(run(one_body("0").string() + " --steps 3").keys["sim_time"], "3");
    EXPECT_EQ(run(one_body("-1").string() + " --steps 3").keys["sim_time"], "-3");
    // The log holds the acceleration unless told otherwise, as the log panel starts.
    EXPECT_EQ(run(project("binary_star.txt") + " --steps 1 --log " + file("a.log")).status, 0);
    EXPECT_EQ(read_bytes(file("a.log")),
              "1.000E-03 , -2.500000000000E-01 , 0.000000000000E+00 , 0.000000000000E+00\r\n");
    // A thrust that empties the craft ends the run with 3.
    folder.write("dt1.JI", "Impulses, 1\r\nBody, 1\r\nBurn, -1, 2\r\nMass, 30\r\nExhaust, 1, 0, 0\r\n");
    Outcome o = run(one_body("1").string() + " --stop-time 100");
    EXPECT_EQ(o.status, 3);
    EXPECT_NE(o.err.find("Error : mass <= 0"), std::string::npos) << o.err;
    EXPECT_EQ(o.keys["steps"], "1");
    // Values that are no longer numbers end the run with 5, naming the first such body and step.
    const std::string two =
        "t, t\r\nObjects, 2\r\ndt, 1\r\nG, 1\r\nObject, 1, A,\r\nPosition, 0, 0, 0\r\n"
        "Velocity, 0, 0, 0\r\nMass, 1\r\nDensity, 1\r\nObject, 2, B,\r\nPosition, ";
    const std::pair<std::string, std::string> broken[] = {
        {"0, 0, 0\r\nVelocity, 0, 0, 0\r\nMass, 1\r\n",
         "object 1 (A) has a position that is not finite after step 1 (t = 1 s)"},
        {"5, 0, 0\r\nVelocity, 1e5000, 0, 0\r\nMass, 1\r\n", "object 2 (B) has"},
        {"5, 0, 0\r\nVelocity, 0, 0, 0\r\nMass, 1e5000\r\n", "not finite after step 1 "},
    };
    for (const auto& [rest, complaint] : broken) {
        Outcome nan = run(folder.write("nan.txt", two + rest + "Density, 1\r\n").string() + " --steps 100");
        EXPECT_EQ(nan.status, 5) << rest;
        EXPECT_NE(nan.err.find(complaint), std::string::npos) << nan.err;
    }
}

// With gauss-radau the binary star lands on its period exactly and closes to rounding; the log
// has a line at every multiple of the interval, the last one where the run ends. The summary
// names the method and its tolerance.
TEST_F(OrbilanRun, GaussRadauLandsOnTheStopTimeAndLogsAtEqualTimes)
{
    const std::string period = "12.566370614359172954";
    Outcome o = run(project("binary_star.txt") + " --integrator gauss-radau --stop-time " + period + " --log " +
                    file("log.txt") + " --log-interval 0.5 --final-state " + file("final.txt"));
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.keys["integrator"], "gauss-radau");
    EXPECT_EQ(o.keys["tolerance"], "1e-12");
    EXPECT_EQ(o.keys["sim_time"], "12.566370614359173");
    EXPECT_LT(std::stoll(o.keys["steps"]), 200);
    EXPECT_GT(std::stoll(o.keys["force_evaluations"]), 7 * std::stoll(o.keys["steps"]));
    EXPECT_LT(std::fabs(std::stod(o.keys["energy_relative_change"])), 1e-17);
    BodyTable start, end;
    SimulationState s0, s1;
    ASSERT_EQ(read_project_fields(project("binary_star.txt"), folder.path(), start, s0, {}).result, LoadResult::loaded);
    ASSERT_EQ(read_project_fields(file("final.txt"), folder.path(), end, s1, {}).result, LoadResult::loaded);
    EXPECT_EQ(s1.integrator, Integrator::gauss_radau);
    for (int i = 1; i <= 2; ++i) {
        EXPECT_NEAR(static_cast<double>(end.x[i]), static_cast<double>(start.x[i]), 1e-15) << i;
        EXPECT_NEAR(static_cast<double>(end.y[i]), static_cast<double>(start.y[i]), 1e-15) << i;
    }
    std::istringstream lines(read_bytes(file("log.txt")));
    int count = 0;
    for (std::string line; std::getline(lines, line);) {
        ++count;
        EXPECT_NEAR(std::stod(line), 0.5 * count, 1e-12) << line;
    }
    EXPECT_EQ(count, 25);
}

// A final state written by a gauss-radau run goes on as the project of the next run, with the
// step size and predictor in use, exactly as an unbroken run of as many steps.
TEST_F(OrbilanRun, GaussRadauFinalStateContinuesBitForBit)
{
    const std::string eight = project("figure_eight.txt") + " --integrator gauss-radau --steps ";
    ASSERT_EQ(run(eight + "40 --final-state " + file("half.txt")).status, 0);
    ASSERT_EQ(run(file("half.txt") + " --steps 40 --final-state " + file("halves.txt")).status, 0);
    ASSERT_EQ(run(eight + "80 --final-state " + file("whole.txt")).status, 0);
    const std::string halves = read_bytes(file("halves.txt")), whole = read_bytes(file("whole.txt"));
    const auto past_title = [](const std::string& text) { return text.substr(text.find('\n')); };
    EXPECT_EQ(past_title(halves), past_title(whole));
    EXPECT_NE(halves.find("\r\nCarry, 3, "), std::string::npos);
}

// Bodies that meet head on without --collisions, or that start at one place, end the run with 5
// and a message naming the cause, never a hang.
TEST_F(OrbilanRun, GaussRadauFailuresExitWithFive)
{
    const auto pair = [&](const std::string& name, const std::string& second_x) {
        return folder.write(name,
                            "pair, two bodies\r\nObjects, 2\r\ndt, 0.1\r\nG, 1\r\n"
                            "Object, 1, A,\r\nPosition, 0, 0, 0\r\nVelocity, 0, 0, 0\r\nMass, 1\r\nDensity, 1\r\n"
                            "Object, 2, B,\r\nPosition, " +
                                second_x + ", 0, 0\r\nVelocity, 0, 0, 0\r\nMass, 1\r\nDensity, 1\r\n");
    };
    Outcome fall = run(pair("fall.txt", "2").string() + " --integrator gauss-radau --stop-time 10");
    EXPECT_EQ(fall.status, 5);
    EXPECT_NE(fall.err.find("step became too small"), std::string::npos) << fall.err;
    Outcome together = run(pair("together.txt", "0").string() + " --integrator gauss-radau --stop-time 10");
    EXPECT_EQ(together.status, 5);
    EXPECT_NE(together.err.find("body 1 is not finite at t = 0"), std::string::npos) << together.err;
    EXPECT_EQ(together.keys["steps"], "0");
}

}  // namespace
}  // namespace orbilan
