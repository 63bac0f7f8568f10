#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "files/project_loader.h"
#include "orbilan_version.h"

namespace orbilan {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

extern "C" char** environ;

struct Outcome {
    int status = -1;
    std::string out, err;
    std::map<std::string, std::string> keys;
};

std::string slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class OrbilanRun : public ::testing::Test {
protected:
    fs::path folder = fs::temp_directory_path() / ("orbilan-run-" + std::to_string(::getpid()));

    void SetUp() override { fs::create_directories(folder); }
    void TearDown() override { fs::remove_all(folder); }

    // Runs through the shell, so `arguments` may redirect or set limits; a run that hangs is
    // ended after a minute and reads as status 124.
    Outcome run(const std::string& arguments, const std::string& before = "")
    {
        const auto out = folder / "stdout", err = folder / "stderr";
        const std::string command = before + "timeout 60 " + std::string(ORBILAN_RUN) + " " + arguments + " >" +
                                    out.string() + " 2>" + err.string();
        const int raw = std::system(command.c_str());
        return outcome(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, out, err);
    }

    static Outcome outcome(int status, const fs::path& out, const fs::path& err)
    {
        Outcome o;
        o.status = status;
        o.out = slurp(out);
        o.err = slurp(err);
        std::istringstream lines(o.out);
        for (std::string line; std::getline(lines, line);)
            if (const auto colon = line.find(": "); colon != std::string::npos) o.keys[line.substr(0, colon)] = line.substr(colon + 2);
        return o;
    }

    // The status of a run whose standard output is a full disk; stderr goes to its file.
    int to_full_stdout(const std::string& arguments)
    {
        const int raw = std::system((std::string(ORBILAN_RUN) + " " + arguments + " >/dev/full 2>" +
                                     (folder / "stderr").string()).c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    // Starts the runner in the background, stdout and stderr to files.
    pid_t start(std::vector<std::string> arguments)
    {
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 1, (folder / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&files, 2, (folder / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        arguments.insert(arguments.begin(), ORBILAN_RUN);
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        pid_t pid = -1;
        posix_spawn(&pid, ORBILAN_RUN, &files, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&files);
        return pid;
    }

    // Waits until the runner catches the signal (its run is under way), then sends it.
    static void interrupt(pid_t pid, int signal)
    {
        const std::string status_file = "/proc/" + std::to_string(pid) + "/status";
        for (int tries = 0; tries < 6000; ++tries) {
            std::ifstream status(status_file);
            for (std::string line; std::getline(status, line);)
                if (line.rfind("SigCgt:", 0) == 0 && (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1) & 1)) {
                    std::this_thread::sleep_for(100ms);
                    ::kill(pid, signal);
                    return;
                }
            std::this_thread::sleep_for(10ms);
        }
        ADD_FAILURE() << "the runner never caught signal " << signal;
        ::kill(pid, SIGKILL);
    }

    Outcome finish(pid_t pid)
    {
        int raw = 0;
        ::waitpid(pid, &raw, 0);
        return outcome(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, folder / "stdout", folder / "stderr");
    }

    fs::path write(const std::string& name, const std::string& text)
    {
        const fs::path path = folder / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    static std::string project(const std::string& name) { return std::string(ORBILAN_PROJECTS) + "/" + name; }

    // A project file's bodies, without the title line (which names the file it came from).
    static std::string bodies_of(const fs::path& path)
    {
        const std::string text = slurp(path);
        return text.substr(text.find('\n') + 1);
    }
};

TEST_F(OrbilanRun, BadCommandLinesExitWithTwoAndSayWhy)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", "no project"},
        {project("binary_star.txt"), "either --stop-time or --steps"},
        {project("binary_star.txt") + " --steps 5 --stop-time 3", "either --stop-time or --steps"},
        {project("binary_star.txt") + " --stop-time 1O", "'1O'"},
        {project("binary_star.txt") + " --steps 0", "--steps"},
        {project("binary_star.txt") + " --steps 5 --log-mode speed", "'speed'"},
        {project("binary_star.txt") + " --steps 5 --frobnicate", "'--frobnicate'"},
        {project("binary_star.txt") + " --steps", "--steps needs a value"},
        // Integers are read whole and within their range: nothing wraps or aborts.
        {project("binary_star.txt") + " --steps 5 --threads 100000", "--threads needs a whole number from 1 to 256"},
        {project("binary_star.txt") + " --steps 5 --log-body 4294967298", "'4294967298'"},
        {project("binary_star.txt") + " --steps 5 --log-every 4294967296", "'4294967296'"},
        {project("binary_star.txt") + " --steps 1e6", "'1e6'"},
        {project("binary_star.txt") + " --steps=+5", "'+5'"},
        {project("binary_star.txt") + " --stop-time 0x10", "'0x10'"},
        {project("binary_star.txt") + " --stop-time inf", "'inf'"},
        {project("binary_star.txt") + " --stop-time 1e5000", "'1e5000'"},
        {project("binary_star.txt") + " --quiet=yes --steps 5", "--quiet takes no value"},
    };
    for (const auto& [arguments, complaint] : cases) {
        Outcome o = run(arguments);
        EXPECT_EQ(o.status, 2) << arguments;
        EXPECT_NE(o.err.find(complaint), std::string::npos) << arguments << "\n" << o.err;
        EXPECT_NE(o.err.find("usage:"), std::string::npos);
        EXPECT_TRUE(o.out.empty());
    }
}

// Files users and scripts really pass: none may hang, abort, take the memory or run as 0 bodies.
TEST_F(OrbilanRun, ProjectsThatCannotBeReadExitWithTwoAndNameTheFile)
{
    const fs::path pipe = folder / "pipe.txt";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const fs::path huge = write("huge.txt", "Huge, t\r\nObjects, 1\r\n");
    fs::resize_file(huge, (std::uintmax_t{1} << 31));
    const fs::path elf = write("binary.txt", std::string("\x7f" "ELF\0\0\x01", 7));
    // A PNG: Ctrl-Z, the end of a text, at byte 6 and NUL bytes only after it.
    const fs::path png = write("image.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 20));
    const std::pair<fs::path, std::string> cases[] = {
        {folder / "nowhere.txt", "cannot be opened"}, {folder, "not a regular file"},
        {pipe, "not a regular file"},                 {"/dev/zero", "not a regular file"},
        {"/dev/urandom", "not a regular file"},       {huge, "larger than 1 GiB"},
        {elf, "not a text file"},                     {png, "not a text file"},
    };
    for (const auto& [path, complaint] : cases) {
        Outcome o = run(path.string() + " --steps 1");
        EXPECT_EQ(o.status, 2) << path;
        EXPECT_NE(o.err.find(path.string()), std::string::npos) << o.err;
        EXPECT_NE(o.err.find(complaint), std::string::npos) << o.err;
        EXPECT_TRUE(o.out.empty()) << path << ": " << o.out;
    }
}

TEST_F(OrbilanRun, ProjectsWithoutBodiesAreNotRun)
{
    for (const std::string& text : {std::string(), std::string("Nothing, here\r\nObjects, 0\r\n"),
                                    std::string("\x03\xf1\x7f random bytes \xe9\x80")}) {
        Outcome o = run(write("empty.txt", text).string() + " --steps 1");
        EXPECT_EQ(o.status, 2);
        EXPECT_EQ(o.err, "orbilan-run: NO OBJECTS !!\n");
        EXPECT_TRUE(o.out.empty()) << o.out;
    }
}

// 37 bytes that list a million bodies are said once, and nothing then takes minutes.
TEST_F(OrbilanRun, ACountTheFileDoesNotHoldIsReportedOnceAndNotRun)
{
    const fs::path million = write("million.txt", "Many bodies, x\r\nObjects, 1000000\r\n");
    Outcome o = run(million.string() + " --steps 1");
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("lists 1000000 objects but holds the data of only 0"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("(1000000 objects: 1, 2, 3, 4, 5, ...)"), std::string::npos) << o.err;
    for (const std::string once : {"lists ", "Density cannot be 0"}) {
        const std::size_t first = o.err.find(once);
        EXPECT_NE(first, std::string::npos) << once;
        EXPECT_EQ(o.err.find(once, first + 1), std::string::npos) << once << " said twice:\n" << o.err;
    }
}

// dt -1, or 1e5000 which the step field shows as INF and reads back as 0: with a stop time such a
// run would spin for ever; with a number of steps it may run.
TEST_F(OrbilanRun, RunsThatCanNeverReachTheStopTimeAreRefused)
{
    const auto probe = [&](const std::string& dt) {
        return write("probe.txt", "probe, one body\r\nObjects, 1\r\ndt, " + dt +
                                      "\r\nG, 1\r\nObject, 1, P,\r\nPosition, 0, 0, 0\r\nVelocity, 0, 0, 0\r\n"
                                      "Mass, 1\r\nDensity, 1\r\n");
    };
    const std::pair<std::string, std::string> cases[] = {
        {"-1", "the step is -1.000E+00 s"}, {"1e5000", "the step is INF s, which reads as 0"},
        {"1e-30", "more than 2^62 steps"},
    };
    for (const auto& [dt, why] : cases) {
        const std::string p = probe(dt).string();
        Outcome o = run(p + " --stop-time 1e10");
        EXPECT_EQ(o.status, 2) << dt;
        EXPECT_NE(o.err.find("never reached"), std::string::npos) << o.err;
        EXPECT_NE(o.err.find(why), std::string::npos) << o.err;
        EXPECT_EQ(run(p + " --stop-time -1e10").status, 2) << dt;
    }
    Outcome backward = run(probe("-1").string() + " --steps 3");
    EXPECT_EQ(backward.status, 0) << backward.err;
    EXPECT_EQ(backward.keys["sim_time"], "-3");
}

TEST_F(OrbilanRun, ALoggedBodyMustExist)
{
    const fs::path log = folder / "log.txt";
    Outcome o = run(project("binary_star.txt") + " --steps 10 --log " + log.string() + " --log-body 3");
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("--log-body 3: the project has 2 objects"), std::string::npos) << o.err;
    EXPECT_FALSE(fs::exists(log));
}

// A failed write ends the run with status 4; what was written before stays.
TEST_F(OrbilanRun, FailedWritesAreErrors)
{
    Outcome full_log = run(project("binary_star.txt") + " --steps 10 --log /dev/full");
    EXPECT_EQ(full_log.status, 4);
    EXPECT_NE(full_log.err.find("Cannot write the log file /dev/full (No space left on device)"), std::string::npos)
        << full_log.err;
    EXPECT_EQ(full_log.keys["steps"], "10") << "the summary is still printed";

    EXPECT_EQ(to_full_stdout(project("binary_star.txt") + " --steps 10"), 4);
    EXPECT_NE(slurp(folder / "stderr").find("cannot write the summary to standard output (No space left on device)"),
              std::string::npos);

    Outcome lost_state = run(project("binary_star.txt") + " --steps 10 --final-state " + (folder / "no" / "x.txt").string());
    EXPECT_EQ(lost_state.status, 4);
    EXPECT_NE(lost_state.err.find((folder / "no" / "x.txt").string()), std::string::npos) << lost_state.err;

    // A disk that fills up in the middle of a long run: here a file size limit of a few kB.
    const fs::path log = folder / "long.txt";
    Outcome cut = run(project("binary_star.txt") + " --stop-time 1e6 --log " + log.string(), "ulimit -f 8; ");
    EXPECT_EQ(cut.status, 4);
    EXPECT_NE(cut.err.find("Cannot write the log file " + log.string()), std::string::npos) << cut.err;
    EXPECT_LT(std::stod(cut.keys["sim_time"]), 1e6) << "the run ends when its log fails";
    const std::string kept = slurp(log);
    EXPECT_GE(kept.size(), 4096u);
    EXPECT_EQ(kept.rfind("1.000E-03 , ", 0), 0u) << kept.substr(0, 80);
}

TEST_F(OrbilanRun, SigtermAndSighupEndLikeCtrlC)
{
    for (const auto& [signal, status] : {std::pair{SIGTERM, 143}, std::pair{SIGHUP, 129}}) {
        const fs::path final_state = folder / "final.txt";
        fs::remove(final_state);
        const pid_t pid = start({project("binary_star.txt"), "--stop-time", "1e9", "--final-state", final_state.string()});
        ASSERT_GT(pid, 0);
        interrupt(pid, signal);
        Outcome o = finish(pid);
        EXPECT_EQ(o.status, status) << signal;
        EXPECT_GT(std::stoll(o.keys["steps"]), 0) << o.out;
        BodyTable table;
        SimulationState state;
        EXPECT_EQ(read_project_fields(final_state, folder, table, state, {}), LoadResult::loaded) << signal;
        EXPECT_EQ(table.body_count, 2);
    }
}

// However the output is spelled, the project and its impulse program are never overwritten.
TEST_F(OrbilanRun, OutputsThatAreInputsAreRefused)
{
    fs::create_directories(folder / "p");
    const std::string text = slurp(project("earth_moon_craft.txt"));
    const fs::path own = write("p/craft.txt", text);
    write("p/craft.JI", slurp(project("earth_moon_craft.JI")));
    fs::create_symlink(own, folder / "link.txt");
    const std::string spellings[] = {
        "--log " + own.string(),
        "--final-state " + (folder / "p" / ".." / "p" / "craft.txt").string(),
        "--final-state " + (folder / "link.txt").string(),
        "--log " + (folder / "p" / "craft.JI").string(),
        "--log " + (folder / "a.txt").string() + " --final-state " + (folder / "." / "a.txt").string(),
    };
    for (const std::string& outputs : spellings) {
        Outcome o = run(own.string() + " --steps 5 " + outputs);
        EXPECT_EQ(o.status, 2) << outputs;
        EXPECT_TRUE(o.out.empty()) << outputs;
        EXPECT_EQ(slurp(own), text) << outputs;
    }
}

// A TAB before a quote in the source gives a name that starts with the quote; the final state
// spells it so that it reads back the same, or says which body it could not.
TEST_F(OrbilanRun, FinalStateNamesReadBackAsTheyWere)
{
    const fs::path odd = write("odd.txt", "odd, names\r\nObjects, 2\r\ndt, 1\r\nG, 1\r\n"
                                          "Object, 1,\t\"Quoted, sk.bmp\r\nPosition, 0, 0, 0\r\nVelocity, 0, 0, 0\r\n"
                                          "Mass, 1\r\nDensity, 1\r\n"
                                          "Object, 2, \" keeps a space\", sk.bmp\r\nPosition, 5, 0, 0\r\n"
                                          "Velocity, 0, 0, 0\r\nMass, 1\r\nDensity, 1\r\n");
    const fs::path final_state = folder / "final.txt";
    Outcome o = run(odd.string() + " --steps 1 --final-state " + final_state.string());
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(o.err.empty()) << o.err;
    BodyTable table;
    SimulationState state;
    ASSERT_EQ(read_project_fields(final_state, folder, table, state, {}), LoadResult::loaded);
    EXPECT_EQ(table.name[1], "\"Quoted");
    EXPECT_EQ(table.name[2], " keeps a space");
}

TEST_F(OrbilanRun, HelpAndVersionGoToStandardOutput)
{
    Outcome help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: orbilan-run PROJECT", 0), 0u) << help.out;
    for (const char* text : {"--stop-time SECONDS", "--threads N", "exit status:", "  4    "})
        EXPECT_NE(help.out.find(text), std::string::npos) << text;
    EXPECT_TRUE(help.err.empty());
    Outcome version = run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("orbilan-run ") + ORBILAN_VERSION + "\n");
    EXPECT_EQ(to_full_stdout("--help"), 4);
}

// On a terminal a long run shows its progress on one line redrawn in place, erased at the end;
// Ctrl-C then ends the run with its summary and 130.
TEST_F(OrbilanRun, ProgressLineOnATerminalOnly)
{
    int terminal = -1;
    const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const int out = ::open((folder / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, 1);
        const std::string p = project("binary_star.txt");
        ::execl(ORBILAN_RUN, ORBILAN_RUN, p.c_str(), "--stop-time", "1e9", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string screen;
    char buffer[4096];
    bool interrupted = false;
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    for (;;) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "no progress line within a minute: " << screen;
            ::kill(pid, SIGKILL);
        }
        pollfd ready{terminal, POLLIN, 0};
        if (::poll(&ready, 1, 100) == 0) continue;
        const ssize_t n = ::read(terminal, buffer, sizeof buffer);
        if (n <= 0) break;  // EIO once the runner has gone
        screen.append(buffer, static_cast<std::size_t>(n));
        if (!interrupted && screen.find("left") != std::string::npos) {
            ::kill(pid, SIGINT);
            interrupted = true;
        }
    }
    ::close(terminal);
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 130);
    EXPECT_NE(screen.find("\r  0."), std::string::npos) << screen;
    EXPECT_NE(screen.find(" %   "), std::string::npos) << screen;
    EXPECT_NE(screen.find(" steps/s   "), std::string::npos) << screen;
    EXPECT_EQ(screen.find('\n'), std::string::npos) << "nothing but the progress line: " << screen;
    const std::size_t last = screen.rfind('\r', screen.size() - 2);
    ASSERT_NE(last, std::string::npos);
    EXPECT_EQ(screen.find_first_not_of(' ', last + 1), screen.size() - 1) << "the line is erased at the end";
    EXPECT_NE(slurp(folder / "stdout").find("steps: "), std::string::npos);

    Outcome quiet = run(project("binary_star.txt") + " --steps 10");
    EXPECT_TRUE(quiet.err.empty()) << "no progress when stderr is not a terminal";
}
TEST_F(OrbilanRun, StepsRunExactlyAndTheSummaryHasEveryKey)
{
    Outcome o = run(project("figure_eight.txt") + " --steps 1000 --quiet");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.keys["steps"], "1000");
    EXPECT_EQ(o.keys["bodies"], "3");
    EXPECT_NEAR(std::stod(o.keys["sim_time"]), 0.1, 1e-15);
    for (const char* key : {"wall_seconds", "steps_per_second", "energy_relative_change"}) EXPECT_EQ(o.keys.count(key), 1u) << key;
    // A first-order symplectic step keeps the energy within O(h) of its start: h = 1e-4.
    EXPECT_LT(std::fabs(std::stod(o.keys["energy_relative_change"])), 10 * 1e-4);
    EXPECT_TRUE(o.err.empty()) << "no progress bar when stderr is not a terminal: " << o.err;
}

// The figure-eight orbit comes back to its start after one period; the final state says so.
TEST_F(OrbilanRun, FigureEightClosesAfterOnePeriod)
{
    const fs::path final_state = folder / "final.txt";
    Outcome o = run(project("figure_eight.txt") + " --stop-time 6.32591398 --final-state " + final_state.string());
    ASSERT_EQ(o.status, 0) << o.err;
    BodyTable start, end;
    SimulationState s0, s1;
    ASSERT_EQ(read_project_fields(project("figure_eight.txt"), folder, start, s0, {}), LoadResult::loaded);
    ASSERT_EQ(read_project_fields(final_state, folder, end, s1, {}), LoadResult::loaded);
    ASSERT_EQ(end.body_count, 3);
    for (int i = 1; i <= 3; ++i) {
        // At most one step (1e-4 s at speed < 1.5) past the period, plus the method's error.
        EXPECT_NEAR(static_cast<double>(end.x[i]), static_cast<double>(start.x[i]), 1e-3) << i;
        EXPECT_NEAR(static_cast<double>(end.y[i]), static_cast<double>(start.y[i]), 1e-3) << i;
    }
}

TEST_F(OrbilanRun, FinalStateResumesTheSameTrajectoryBitForBit)
{
    const fs::path whole = folder / "whole.txt", half = folder / "half.txt", resumed = folder / "resumed.txt";
    ASSERT_EQ(run(project("binary_star.txt") + " --steps 2000 --final-state " + whole.string()).status, 0);
    ASSERT_EQ(run(project("binary_star.txt") + " --steps 1000 --final-state " + half.string()).status, 0);
    ASSERT_EQ(run(half.string() + " --steps 1000 --final-state " + resumed.string()).status, 0);
    EXPECT_EQ(bodies_of(whole), bodies_of(resumed));
}

TEST_F(OrbilanRun, ThreadCountDoesNotChangeTheResult)
{
    std::ostringstream text;
    const int n = 160;
    text << "cluster, random\r\nObjects, " << n << "\r\ndt, 1e-4\r\nG, 1\r\n";
    for (int i = 1; i <= n; ++i)
        text << "Object, " << i << ", b" << i << ",\r\nPosition, " << (i * 37 % 101) / 50.0 << ", " << (i * 53 % 97) / 48.0
             << ", " << (i * 11 % 89) / 44.0 << "\r\nVelocity, 0, 0, 0\r\nMass, 1\r\nDensity, 10\r\n";
    const fs::path cluster = write("cluster.txt", text.str());
    const fs::path one = folder / "one.txt", two = folder / "two.txt";
    ASSERT_EQ(run(cluster.string() + " --steps 200 --collisions --threads 1 --final-state " + one.string()).status, 0);
    Outcome o = run(cluster.string() + " --steps 200 --collisions --threads 2 --final-state " + two.string());
    ASSERT_EQ(o.status, 0);
    EXPECT_LT(std::stoi(o.keys["bodies"]), n) << "the cluster should merge";
    EXPECT_EQ(bodies_of(one), bodies_of(two));
}

// A run in double precision: its final state reads back to the same doubles, so stopping and
// going on from the file equals one run; other thread counts give the same file.
TEST_F(OrbilanRun, DoublePrecisionResumesFromItsFinalStateBitForBit)
{
    const fs::path whole = folder / "whole.txt", half = folder / "half.txt", resumed = folder / "resumed.txt";
    const fs::path threads = folder / "threads.txt";
    ASSERT_EQ(run(project("cluster.txt") + " --precision double --steps 400 --collisions --final-state " + whole.string()).status, 0);
    ASSERT_EQ(run(project("cluster.txt") + " --precision double --steps 200 --collisions --final-state " + half.string()).status, 0);
    ASSERT_EQ(run(half.string() + " --precision double --steps 200 --collisions --final-state " + resumed.string()).status, 0);
    EXPECT_EQ(bodies_of(whole), bodies_of(resumed));
    ASSERT_EQ(run(project("cluster.txt") + " --precision double --steps 400 --collisions --threads 3 --final-state " +
                  threads.string()).status, 0);
    EXPECT_EQ(bodies_of(whole), bodies_of(threads));
    EXPECT_NE(bodies_of(whole), bodies_of(project("cluster.txt")));
}

TEST_F(OrbilanRun, PrecisionIsExtendedOrDouble)
{
    const Outcome o = run(project("binary_star.txt") + " --steps 1 --precision single");
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("--precision is extended or double, not 'single'"), std::string::npos) << o.err;
}

TEST_F(OrbilanRun, StepGoesThroughTheTimePanelsFourDigitsAndNegativeStopTimesRunBackward)
{
    const fs::path p = write("odd.txt", "odd step, one probe\r\nObjects, 1\r\ndt, 0.123456\r\nG, 1\r\n"
                                        "Object, 1, Probe,\r\nPosition, 0, 0, 0\r\nVelocity, 1, 0, 0\r\nMass, 1\r\nDensity, 1\r\n");
    Outcome forward = run(p.string() + " --steps 10");
    EXPECT_NEAR(std::stod(forward.keys["sim_time"]), 1.235, 1e-15);
    Outcome backward = run(p.string() + " --stop-time -1");
    EXPECT_EQ(backward.status, 0);
    EXPECT_EQ(backward.keys["steps"], "9");
    EXPECT_NEAR(std::stod(backward.keys["sim_time"]), -1.1115, 1e-15);
}

TEST_F(OrbilanRun, LogFileHasALineEveryNSteps)
{
    const fs::path log = folder / "Logs" / "probe.txt";
    Outcome o = run(project("binary_star.txt") + " --steps 35 --log " + log.string() + " --log-every 10 --log-body 2");
    ASSERT_EQ(o.status, 0) << o.err;
    const std::string text = slurp(log);
    std::istringstream lines(text);
    std::string line;
    for (const char* time : {"1.000E-02 , -9.99", "2.000E-02 , -9.99", "3.000E-02 , -9.99"}) {
        ASSERT_TRUE(std::getline(lines, line)) << text;
        EXPECT_EQ(line.rfind(time, 0), 0u) << line;
        EXPECT_EQ(line.back(), '\r');
    }
    EXPECT_FALSE(std::getline(lines, line)) << text;
}

TEST_F(OrbilanRun, ThrustThatEmptiesTheCraftExitsWithThree)
{
    const fs::path p = write("burn.txt", "burn, one craft\r\nObjects, 1\r\ndt, 1\r\nG, 1\r\n"
                                         "Object, 1, Craft,\r\nPosition, 0, 0, 0\r\nVelocity, 0, 0, 0\r\nMass, 10\r\nDensity, 1\r\n");
    write("burn.JI", "Impulses, 1\r\nBody, 1\r\nBurn, -1, 2\r\nMass, 30\r\nExhaust, 1, 0, 0\r\n");
    Outcome o = run(p.string() + " --stop-time 100");
    EXPECT_EQ(o.status, 3);
    EXPECT_NE(o.err.find("Error : mass <= 0"), std::string::npos) << o.err;
    EXPECT_EQ(o.keys["steps"], "1");
}

}  // namespace
}  // namespace orbilan
