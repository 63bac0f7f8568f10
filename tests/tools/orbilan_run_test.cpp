#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "files/project_loader.h"

namespace orbilan {
namespace {

namespace fs = std::filesystem;

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

    Outcome run(const std::string& arguments)
    {
        const auto out = folder / "stdout", err = folder / "stderr";
        const std::string command = std::string(ORBILAN_RUN) + " " + arguments + " >" + out.string() + " 2>" + err.string();
        const int raw = std::system(command.c_str());
        Outcome o;
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        o.out = slurp(out);
        o.err = slurp(err);
        std::istringstream lines(o.out);
        for (std::string line; std::getline(lines, line);)
            if (const auto colon = line.find(": "); colon != std::string::npos) o.keys[line.substr(0, colon)] = line.substr(colon + 2);
        return o;
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
    };
    for (const auto& [arguments, complaint] : cases) {
        Outcome o = run(arguments);
        EXPECT_EQ(o.status, 2) << arguments;
        EXPECT_NE(o.err.find(complaint), std::string::npos) << arguments << "\n" << o.err;
        EXPECT_NE(o.err.find("usage:"), std::string::npos);
        EXPECT_TRUE(o.out.empty());
    }
}

TEST_F(OrbilanRun, ProjectsThatCannotBeReadExitWithTwoAndNameTheFile)
{
    Outcome missing = run((folder / "nowhere.txt").string() + " --steps 1");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("nowhere.txt"), std::string::npos) << missing.err;

    const fs::path binary = write("binary.txt", std::string("\x7f" "ELF\0\0\x01", 7));
    Outcome refused = run(binary.string() + " --steps 1");
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("binary.txt"), std::string::npos) << refused.err;
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
