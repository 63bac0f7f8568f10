// orbilan-run: the engine on a project file, from a terminal.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "files/log_writer.h"
#include "files/number_format.h"
#include "files/project_loader.h"
#include "files/project_writer.h"
#include "sim/energy.h"
#include "sim/simulation_run.h"

namespace orbilan {
namespace {

constexpr int EXIT_USAGE = 2;
constexpr int EXIT_MASS_ERROR = 3;
constexpr int EXIT_INTERRUPTED = 130;

constexpr const char* USAGE =
    "usage: orbilan-run PROJECT (--stop-time SECONDS | --steps N) [--collisions]\n"
    "                   [--log FILE] [--log-mode acceleration|position] [--log-body K] [--log-every N]\n"
    "                   [--final-state FILE] [--threads N] [--precision extended|double] [--quiet]\n";

struct Arguments {
    std::filesystem::path project;
    std::optional<extended> stop_time;
    long long steps = -1;
    bool collisions = false;
    std::optional<std::filesystem::path> log;
    int log_mode = static_cast<int>(LogMode::position);
    int log_body = 1;
    int log_every = 1;
    std::optional<std::filesystem::path> final_state;
    int threads = 0;
    Precision precision = Precision::extended;
    bool quiet = false;
};

struct UsageError {
    std::string what;
};

long long whole_number(std::string_view option, std::string_view text, long long lowest)
{
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < lowest)
        throw UsageError{std::string(option) + " needs a whole number of at least " + std::to_string(lowest) +
                         ", not '" + std::string(text) + "'"};
    return value;
}

extended seconds(std::string_view text)
{
    // The whole text must be a number: a typo must not silently run to 0 s.
    const std::string copy(text);
    char* end = nullptr;
    const extended value = std::strtold(copy.c_str(), &end);
    if (copy.empty() || end != copy.c_str() + copy.size() || !std::isfinite(value))
        throw UsageError{"--stop-time needs a number of seconds, not '" + copy + "'"};
    return value;
}

Arguments parse_arguments(int argc, char** argv)
{
    Arguments args;
    bool have_project = false;
    for (int k = 1; k < argc; ++k) {
        const std::string_view arg = argv[k];
        auto value = [&]() -> std::string_view {
            if (k + 1 >= argc) throw UsageError{std::string(arg) + " needs a value"};
            return argv[++k];
        };
        if (arg == "--stop-time") {
            args.stop_time = seconds(value());
        } else if (arg == "--steps") {
            args.steps = whole_number(arg, value(), 1);
        } else if (arg == "--collisions") {
            args.collisions = true;
        } else if (arg == "--log") {
            args.log = std::filesystem::path(value());
        } else if (arg == "--log-mode") {
            const std::string_view mode = value();
            if (mode == "acceleration")
                args.log_mode = static_cast<int>(LogMode::acceleration);
            else if (mode == "position")
                args.log_mode = static_cast<int>(LogMode::position);
            else
                throw UsageError{"--log-mode is acceleration or position, not '" + std::string(mode) + "'"};
        } else if (arg == "--log-body") {
            args.log_body = static_cast<int>(whole_number(arg, value(), 1));
        } else if (arg == "--log-every") {
            args.log_every = static_cast<int>(whole_number(arg, value(), 1));
        } else if (arg == "--final-state") {
            args.final_state = std::filesystem::path(value());
        } else if (arg == "--threads") {
            args.threads = static_cast<int>(whole_number(arg, value(), 1));
        } else if (arg == "--precision") {
            const std::string_view precision = value();
            if (precision == "extended")
                args.precision = Precision::extended;
            else if (precision == "double")
                args.precision = Precision::double_precision;
            else
                throw UsageError{"--precision is extended or double, not '" + std::string(precision) + "'"};
        } else if (arg == "--quiet") {
            args.quiet = true;
        } else if (arg.starts_with("--") || have_project) {
            throw UsageError{"unexpected argument '" + std::string(arg) + "'"};
        } else {
            args.project = std::filesystem::path(arg);
            have_project = true;
        }
    }
    if (!have_project) throw UsageError{"no project file given"};
    if (args.stop_time.has_value() == (args.steps >= 0)) throw UsageError{"give either --stop-time or --steps"};
    return args;
}

void print_message(const UserMessage& message)
{
    std::fprintf(stderr, "orbilan-run: %s\n", message.text.c_str());
}

std::filesystem::path program_folder()
{
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path() : exe.parent_path();
}

std::atomic<bool> interrupted{false};

extern "C" void on_interrupt(int) { interrupted.store(true); }

class EndWaiter : public RunObserver {
public:
    void on_mass_error() override
    {
        print_message({"Error : mass <= 0", "ORBILAN", MessageIcon::information});
    }
    void on_run_end(RunEnd) override
    {
        std::lock_guard lock(mutex_);
        ended_ = true;
        changed_.notify_all();
    }
    // Waits up to the given time; true once the run has ended.
    bool wait(std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return ended_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool ended_ = false;
};

void draw_progress(double fraction)
{
    constexpr int WIDTH = 40;
    fraction = std::clamp(fraction, 0.0, 1.0);
    const int filled = static_cast<int>(fraction * WIDTH);
    std::fprintf(stderr, "\r[%s%s] %5.1f%%", std::string(filled, '#').c_str(), std::string(WIDTH - filled, '.').c_str(),
                 100 * fraction);
}

int run(const Arguments& args)
{
    BodyTable table;
    SimulationState state;
    allocate_body_table(table, state, 0);
    if (read_project_fields(args.project, program_folder(), table, state, print_message) != LoadResult::loaded)
        return EXIT_USAGE;

    // The step runs as the time panel shows it: four significant digits, 0 made 1.
    state.dt = parse_number_text(dt_text(state.dt));
    state.sim_time = 0;
    state.collision_mode = args.collisions ? 255 : 0;
    state.stop_time = args.stop_time.value_or(HUGE_VALL);
    const int direction = state.stop_time >= state.sim_time ? 1 : 2;

    RunOptions options;
    options.threads = args.threads;
    options.precision = args.precision;
    options.max_steps = args.steps;
    if (args.log) {
        state.log_enabled = 1;
        state.log_mode = args.log_mode;
        state.log_body = args.log_body;
        state.log_every = args.log_every;
        state.log_file_name = args.log->string();
        options.log = LogWriter::open(*args.log, print_message);
        if (!options.log) return EXIT_USAGE;
    }

    const extended energy_before = total_energy(table, state.grav_constant, args.threads);
    const bool show_progress = !args.quiet && isatty(STDERR_FILENO);
    std::signal(SIGINT, on_interrupt);

    EndWaiter waiter;
    SimulationRun simulation(table, state, waiter);
    const auto started = std::chrono::steady_clock::now();
    simulation.start(direction, std::move(options));
    BodySnapshot snapshot;
    while (!waiter.wait(std::chrono::milliseconds(100))) {
        if (interrupted.load()) simulation.stop();
        if (!show_progress) continue;
        double fraction;
        if (args.steps > 0) {
            fraction = static_cast<double>(simulation.steps_done()) / static_cast<double>(args.steps);
        } else {
            simulation.read_snapshot(snapshot);
            fraction = state.stop_time == 0 ? 1.0 : static_cast<double>(snapshot.sim_time / state.stop_time);
        }
        draw_progress(fraction);
    }
    simulation.join();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (show_progress) {
        draw_progress(1.0);
        std::fputc('\n', stderr);
    }

    const extended energy_after = total_energy(table, state.grav_constant, args.threads);
    const extended change = energy_after - energy_before;
    const extended relative = energy_before == 0 ? change : change / std::fabs(energy_before);
    const long long steps = simulation.steps_done();
    std::printf("steps: %lld\n", steps);
    std::printf("sim_time: %.17Lg\n", state.sim_time);
    std::printf("bodies: %d\n", table.body_count);
    std::printf("wall_seconds: %.6f\n", wall);
    std::printf("steps_per_second: %.6g\n", wall > 0 ? static_cast<double>(steps) / wall : 0.0);
    std::printf("energy_relative_change: %.6Le\n", relative);
    std::fflush(stdout);

    if (args.final_state && !write_project(*args.final_state, table, state, args.project.filename().string(), print_message))
        return EXIT_USAGE;
    if (simulation.last_end() == RunEnd::mass_error) return EXIT_MASS_ERROR;
    if (interrupted.load()) return EXIT_INTERRUPTED;
    return EXIT_SUCCESS;
}

}  // namespace
}  // namespace orbilan

int main(int argc, char** argv)
{
    try {
        return orbilan::run(orbilan::parse_arguments(argc, argv));
    } catch (const orbilan::UsageError& error) {
        std::fprintf(stderr, "orbilan-run: %s\n%s", error.what.c_str(), orbilan::USAGE);
        return orbilan::EXIT_USAGE;
    }
}
