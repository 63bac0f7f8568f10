// orbilan-run: the engine on a project file, from a terminal.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "files/log_writer.h"
#include "files/number_format.h"
#include "files/program_files.h"
#include "files/project_loader.h"
#include "files/project_writer.h"
#include "files/regular_file.h"
#include "orbilan_version.h"
#include "sim/energy.h"
#include "sim/simulation_run.h"

namespace orbilan {
namespace {

// Exit statuses, one per cause; --help and the README list them. A run stopped by SIGINT,
// SIGTERM or SIGHUP ends with 128 + the signal's number, after its summary and final state.
constexpr int EXIT_INTERNAL = 1;      // out of memory, or no thread could be started
constexpr int EXIT_NOT_RUN = 2;       // a bad command line, or a project that cannot be read or run
constexpr int EXIT_MASS_ERROR = 3;    // the thrust emptied the impulse body
constexpr int EXIT_WRITE_FAILED = 4;  // the log, the final state or the summary could not be written

constexpr int MAX_THREADS = 256;

struct Arguments {
    std::optional<std::filesystem::path> project;
    std::optional<extended> stop_time;
    long long steps = -1;
    bool collisions = false;
    std::optional<std::filesystem::path> log;
    LogMode log_mode = LogMode::position;
    int log_body = 1;
    int log_every = 1;
    std::optional<std::filesystem::path> final_state;
    int threads = 0;
    Precision precision = Precision::extended;
    bool quiet = false;
    bool help = false;
    bool version = false;
};

// A command line that cannot be followed; the usage goes with it.
struct UsageError {
    std::string what;
};

// Something that stops the run before it starts, said in a message.
struct NotRun {
    std::string what;
};

// The whole text must be the number: a typo or a wrapped value must never run something else.
long long whole_number(std::string_view option, std::string_view text, long long lowest, long long highest)
{
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < lowest || value > highest)
        throw UsageError{std::string(option) + " needs a whole number from " + std::to_string(lowest) + " to " +
                         std::to_string(highest) + ", not '" + std::string(text) + "'"};
    return value;
}

// A decimal number: sign, digits, point, digits, exponent. No blanks, hexadecimal, "inf" or "nan",
// and nothing beyond the 80-bit range.
extended seconds(std::string_view option, std::string_view text)
{
    const std::string copy(text);
    const bool decimal = !copy.empty() && copy.find_first_not_of("0123456789.eE+-") == std::string::npos &&
                         copy.find_first_of("0123456789") != std::string::npos;
    char* end = nullptr;
    errno = 0;
    const extended value = decimal ? std::strtold(copy.c_str(), &end) : 0;
    if (!decimal || end != copy.c_str() + copy.size() || errno == ERANGE || !std::isfinite(value))
        throw UsageError{std::string(option) + " needs a number of seconds, not '" + copy + "'"};
    return value;
}

struct Option {
    std::string_view name;
    std::string_view value;  // the value's name in the usage; empty for a switch
    std::string_view help;
    void (*apply)(Arguments& args, std::string_view option, std::string_view value);
};

const Option OPTIONS[] = {
    {"--stop-time", "SECONDS", "run until the simulated time reaches SECONDS (below 0: backward)",
     [](Arguments& a, std::string_view o, std::string_view v) { a.stop_time = seconds(o, v); }},
    {"--steps", "N", "run exactly N steps",
     [](Arguments& a, std::string_view o, std::string_view v) { a.steps = whole_number(o, v, 1, LLONG_MAX); }},
    {"--collisions", "", "touching bodies merge (COLLISION : ON)",
     [](Arguments& a, std::string_view, std::string_view) { a.collisions = true; }},
    {"--log", "FILE", "write a log line every --log-every steps to FILE",
     [](Arguments& a, std::string_view, std::string_view v) { a.log = std::filesystem::path(v); }},
    {"--log-mode", "MODE", "what the log holds: acceleration or position (the default)",
     [](Arguments& a, std::string_view o, std::string_view v) {
         if (v == "acceleration")
             a.log_mode = LogMode::acceleration;
         else if (v == "position")
             a.log_mode = LogMode::position;
         else
             throw UsageError{std::string(o) + " is acceleration or position, not '" + std::string(v) + "'"};
     }},
    {"--log-body", "K", "the body the log follows (default 1)",
     [](Arguments& a, std::string_view o, std::string_view v) {
         a.log_body = static_cast<int>(whole_number(o, v, 1, INT_MAX));
     }},
    {"--log-every", "N", "a log line every N steps (default 1)",
     [](Arguments& a, std::string_view o, std::string_view v) {
         a.log_every = static_cast<int>(whole_number(o, v, 1, INT_MAX));
     }},
    {"--final-state", "FILE", "write the bodies at the end to FILE, as a project that goes on from there",
     [](Arguments& a, std::string_view, std::string_view v) { a.final_state = std::filesystem::path(v); }},
    {"--threads", "N", "force workers, 1 to 256 (default: one per processor)",
     [](Arguments& a, std::string_view o, std::string_view v) {
         a.threads = static_cast<int>(whole_number(o, v, 1, MAX_THREADS));
     }},
    {"--precision", "KIND", "the arithmetic of the run: extended (80-bit, the default) or double (faster)",
     [](Arguments& a, std::string_view o, std::string_view v) {
         if (v == "extended")
             a.precision = Precision::extended;
         else if (v == "double")
             a.precision = Precision::double_precision;
         else
             throw UsageError{std::string(o) + " is extended or double, not '" + std::string(v) + "'"};
     }},
    {"--quiet", "", "no progress line on a terminal",
     [](Arguments& a, std::string_view, std::string_view) { a.quiet = true; }},
    {"--help", "", "show this help and exit", [](Arguments& a, std::string_view, std::string_view) { a.help = true; }},
    {"--version", "", "show the version and exit",
     [](Arguments& a, std::string_view, std::string_view) { a.version = true; }},
};

constexpr const char* USAGE = "usage: orbilan-run PROJECT (--stop-time SECONDS | --steps N) [OPTION]...\n";

constexpr const char* EXIT_STATUSES =
    "exit status:\n"
    "  0    the run reached its stop time or its number of steps\n"
    "  1    out of memory, or no thread could be started\n"
    "  2    nothing was run: a bad command line, or a project that cannot be read or run\n"
    "       (not a text file, no objects, fewer objects than it lists, a stop time that the\n"
    "       step never reaches, a log body it does not have, an output that is an input)\n"
    "  3    the thrust emptied the impulse body (\"Error : mass <= 0\")\n"
    "  4    the log, the final state or the summary could not be written\n"
    "  128+SIGNAL  stopped by SIGINT (130, Ctrl-C), SIGTERM (143) or SIGHUP (129); the summary\n"
    "       and the final state are written first. A second Ctrl-C ends it at once.\n";

std::string help_text()
{
    std::string text = USAGE;
    text +=
        "\nRuns the ORBILAN engine on a project file, as OPEN PROJECT and START do in the program,\n"
        "and prints a summary: steps, sim_time, bodies, wall_seconds, steps_per_second and\n"
        "energy_relative_change, one 'key: value' per line. The step is taken as the time panel\n"
        "shows it (four significant digits; 0 becomes 1).\n\noptions:\n";
    std::size_t width = 0;
    for (const Option& option : OPTIONS) width = std::max(width, option.name.size() + 1 + option.value.size());
    for (const Option& option : OPTIONS) {
        std::string left(option.name);
        if (!option.value.empty()) left.append(" ").append(option.value);
        text += "  " + left + std::string(width + 2 - left.size(), ' ') + std::string(option.help) + "\n";
    }
    return text + "\n" + EXIT_STATUSES;
}

Arguments parse_arguments(int argc, char** argv)
{
    Arguments args;
    bool options_end = false;
    for (int k = 1; k < argc; ++k) {
        const std::string_view arg = argv[k];
        if (!options_end && arg == "--") {
            options_end = true;
            continue;
        }
        if (options_end || !arg.starts_with("-") || arg == "-") {
            if (args.project) throw UsageError{"unexpected argument '" + std::string(arg) + "'"};
            args.project = std::filesystem::path(arg);
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        const auto option =
            std::find_if(std::begin(OPTIONS), std::end(OPTIONS), [&](const Option& o) { return o.name == name; });
        if (option == std::end(OPTIONS)) throw UsageError{"unknown option '" + std::string(name) + "'"};
        std::string_view value;
        if (option->value.empty()) {
            if (equals != std::string_view::npos) throw UsageError{std::string(name) + " takes no value"};
        } else if (equals != std::string_view::npos) {
            value = arg.substr(equals + 1);
        } else {
            if (k + 1 >= argc) throw UsageError{std::string(name) + " needs a value"};
            value = argv[++k];
        }
        option->apply(args, name, value);
    }
    if (args.help || args.version) return args;
    if (!args.project) throw UsageError{"no project file given"};
    if (args.stop_time.has_value() == (args.steps >= 0)) throw UsageError{"give either --stop-time or --steps"};
    return args;
}

// Standard error: messages, and while a run goes on a progress line redrawn in place, which a
// message first erases. Both threads write through it.
class Terminal {
public:
    void message(const std::string& text)
    {
        std::lock_guard lock(mutex_);
        erase_progress_locked();
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = text.find('\n', start);
            std::fprintf(stderr, "orbilan-run: %s\n", text.substr(start, end - start).c_str());
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
    void progress(const std::string& line)
    {
        std::lock_guard lock(mutex_);
        std::string text = "\r" + line;
        if (line.size() < shown_) text.append(shown_ - line.size(), ' ');
        std::fputs(text.c_str(), stderr);
        shown_ = line.size();
    }
    void erase_progress()
    {
        std::lock_guard lock(mutex_);
        erase_progress_locked();
    }

private:
    void erase_progress_locked()
    {
        if (shown_ == 0) return;
        std::string blank(shown_ + 2, ' ');
        blank.front() = blank.back() = '\r';
        std::fputs(blank.c_str(), stderr);
        shown_ = 0;
    }

    std::mutex mutex_;
    std::size_t shown_ = 0;
};

Terminal terminal;

void print_message(const UserMessage& message) { terminal.message(message.text); }

std::filesystem::path program_folder()
{
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path() : exe.parent_path();
}

std::atomic<int> stop_signal{0};

extern "C" void on_stop_signal(int signal) { stop_signal.store(signal); }

void catch_stop_signals()
{
    struct sigaction action {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;  // the same signal again ends the program at once
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

class EndWaiter : public RunObserver {
public:
    void on_mass_error() override { print_message({"Error : mass <= 0", "ORBILAN", MessageIcon::information}); }
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

// Seconds since it was made.
class Stopwatch {
public:
    double seconds() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count(); }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

std::string time_left_text(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0) return "--:--";
    const long long s = std::llround(seconds);
    if (s >= 100 * 3600) return "over 99 h";
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
    return text;
}

std::string progress_text(double fraction, double elapsed, long long steps)
{
    fraction = std::clamp(fraction, 0.0, 1.0);
    char text[96];
    std::snprintf(text, sizeof text, "%5.1f %%   %.0f steps/s   %s left", 100 * fraction,
                  elapsed > 0 ? static_cast<double>(steps) / elapsed : 0.0,
                  time_left_text(fraction > 0 ? elapsed * (1 - fraction) / fraction : NAN).c_str());
    return text;
}

std::string number_text(extended value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.10Lg", value);
    return text;
}

// Why a run from time 0 toward stop_time with this step could never end; nothing when it ends.
std::optional<std::string> never_ending(extended dt, const std::string& dt_shown, extended stop_time)
{
    const std::string stop = "the stop time " + number_text(stop_time) + " s is never reached";
    const std::string instead = "; --steps N runs a number of steps instead";
    if (!(dt > 0)) return stop + ": the step is " + dt_shown + " s" + (dt == 0 ? ", which reads as 0" : "") + instead;
    // Far beyond a lifetime of steps the simulated time stops moving: adding the step no longer
    // changes it. 2^62 steps come before that for any step.
    if (std::fabs(stop_time) / dt > 0x1p62L)
        return stop + ": it lies more than 2^62 steps of " + dt_shown + " s away" + instead;
    return std::nullopt;
}

// Outputs must not overwrite the project, its impulse program or each other.
void check_outputs(const Arguments& args)
{
    const std::filesystem::path& project = *args.project;
    if (args.log && is_project_input(*args.log, project))
        throw NotRun{"--log " + args.log->string() + " is an input of the project; it would be overwritten"};
    if (args.final_state && is_project_input(*args.final_state, project))
        throw NotRun{"--final-state " + args.final_state->string() +
                     " is an input of the project; it would be overwritten"};
    if (args.log && args.final_state && same_file(*args.log, *args.final_state))
        throw NotRun{"--log and --final-state name the same file"};
}

// The summary; false when standard output could not take it.
bool print_summary(long long steps, const SimulationState& state, int bodies, double wall, extended relative)
{
    std::printf("steps: %lld\n", steps);
    std::printf("sim_time: %.17Lg\n", state.sim_time);
    std::printf("bodies: %d\n", bodies);
    std::printf("wall_seconds: %.6f\n", wall);
    std::printf("steps_per_second: %.6g\n", wall > 0 ? static_cast<double>(steps) / wall : 0.0);
    std::printf("energy_relative_change: %.6Le\n", relative);
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

// Loads the project as OPEN PROJECT does and refuses what no run can use. False when the loader
// has said why already.
bool load_project(const Arguments& args, BodyTable& table, SimulationState& state)
{
    allocate_body_table(table, state, 0);
    int complete_bodies = 0;
    const auto resources = locate_program_files(program_folder()).resource_folder;
    if (read_project_fields(*args.project, resources, table, state, print_message, nullptr, &complete_bodies) !=
        LoadResult::loaded)
        return false;
    // Bodies that the file does not hold are zeros, which no run can make sense of.
    if (complete_bodies < table.body_count) throw NotRun{"a project file that ends early is not run"};
    if (table.body_count <= 0) throw NotRun{"NO OBJECTS !!"};
    check_outputs(args);
    if (args.log && args.log_body > table.body_count)
        throw NotRun{"--log-body " + std::to_string(args.log_body) + ": the project has " +
                     std::to_string(table.body_count) + " objects"};
    return true;
}

// The run's time as START takes it from the time panel: the step as the panel shows it (four
// significant digits, 0 made 1), from time 0 toward the stop time. Returns the run direction.
RunDirection set_run_time(const Arguments& args, SimulationState& state)
{
    const std::string dt_shown = dt_text(usable_dt(state.dt));
    state.dt = parse_number_text(dt_shown);
    if (args.stop_time) {
        if (const auto why = never_ending(state.dt, dt_shown, *args.stop_time)) throw NotRun{*why};
    }
    state.sim_time = 0;
    state.stop_time = args.stop_time.value_or(HUGE_VALL);
    return state.stop_time >= state.sim_time ? RunDirection::forward : RunDirection::backward;
}

// The log settings as the log panel gives them, and the log file, created here. False when it
// cannot be opened (the message names it).
bool open_log(const Arguments& args, SimulationState& state, RunOptions& options)
{
    if (!args.log) return true;
    state.log_mode = args.log_mode;
    state.log_body = args.log_body;
    state.log_every = args.log_every;
    options.log = LogWriter::open(*args.log, print_message);
    return options.log != nullptr;
}

// How much of the run is done, from 0 to 1.
double done_fraction(const Arguments& args, const SimulationState& state, long long steps)
{
    if (args.steps > 0) return static_cast<double>(steps) / static_cast<double>(args.steps);
    return static_cast<double>(static_cast<extended>(steps) * state.dt / std::fabs(state.stop_time));
}

// Runs the simulation to its end. A stop signal asks it to stop; on a terminal a progress line is
// redrawn meanwhile. A signal before the start leaves the bodies as loaded.
void run_to_end(SimulationRun& simulation, EndWaiter& waiter, RunDirection direction, RunOptions options,
                const Arguments& args, const SimulationState& state, const Stopwatch& clock)
{
    if (stop_signal.load() != 0) return;
    const bool show_progress = !args.quiet && isatty(STDERR_FILENO);
    simulation.start(direction, std::move(options));
    double next_draw = 0.5;  // a short run shows no progress at all
    while (!waiter.wait(std::chrono::milliseconds(50))) {
        if (stop_signal.load() != 0) simulation.stop();
        const double elapsed = clock.seconds();
        if (!show_progress || elapsed < next_draw) continue;
        next_draw = elapsed + 0.25;
        const long long steps = simulation.steps_done();
        terminal.progress(progress_text(done_fraction(args, state, steps), elapsed, steps));
    }
    simulation.join();
}

// The status of the run itself: the mass error comes before a stop signal.
int run_status(const SimulationRun& simulation)
{
    if (simulation.last_end() == RunEnd::mass_error) return EXIT_MASS_ERROR;
    if (stop_signal.load() != 0) return 128 + stop_signal.load();
    return EXIT_SUCCESS;
}

int run(const Arguments& args)
{
    BodyTable table;
    SimulationState state;
    if (!load_project(args, table, state)) return EXIT_NOT_RUN;
    const RunDirection direction = set_run_time(args, state);
    state.collision_mode = args.collisions ? 255 : 0;
    RunOptions options;
    options.threads = args.threads;
    options.precision = args.precision;
    options.max_steps = args.steps;
    if (!open_log(args, state, options)) return EXIT_NOT_RUN;

    catch_stop_signals();
    const extended energy_before = total_energy(table, state.grav_constant, args.threads);
    EndWaiter waiter;
    SimulationRun simulation(table, state, waiter);
    const Stopwatch clock;
    run_to_end(simulation, waiter, direction, std::move(options), args, state, clock);
    const double wall = clock.seconds();
    terminal.erase_progress();

    // A write that failed is the status, whatever the run's own.
    int status = run_status(simulation);
    if (!simulation.log_failure().empty()) {
        terminal.message(simulation.log_failure());
        status = EXIT_WRITE_FAILED;
    }
    const extended energy_after = total_energy(table, state.grav_constant, args.threads);
    const extended change = energy_after - energy_before;
    const extended relative = energy_before == 0 ? change : change / std::fabs(energy_before);
    if (!print_summary(simulation.steps_done(), state, table.body_count, wall, relative)) {
        terminal.message("cannot write the summary to standard output (" + error_text(errno) + ")");
        status = EXIT_WRITE_FAILED;
    }
    if (args.final_state &&
        !write_project(*args.final_state, table, state, args.project->filename().string(), print_message))
        status = EXIT_WRITE_FAILED;
    return status;
}

// --help and --version go to standard output, which may refuse them too.
int print_to_stdout(const std::string& text)
{
    std::fputs(text.c_str(), stdout);
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return EXIT_SUCCESS;
    terminal.message("cannot write to standard output (" + error_text(errno) + ")");
    return EXIT_WRITE_FAILED;
}

int main_program(int argc, char** argv)
{
    // A reader that goes away or a file size limit is a failed write to report, not a silent end.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    try {
        const Arguments args = parse_arguments(argc, argv);
        if (args.help) return print_to_stdout(help_text());
        if (args.version) return print_to_stdout(std::string("orbilan-run ") + ORBILAN_VERSION + "\n");
        return run(args);
    } catch (const UsageError& error) {
        terminal.message(error.what);
        std::fprintf(stderr, "%sTry 'orbilan-run --help' for more.\n", USAGE);
        return EXIT_NOT_RUN;
    } catch (const NotRun& error) {
        terminal.message(error.what);
        return EXIT_NOT_RUN;
    } catch (const std::bad_alloc&) {
        terminal.message("out of memory");
        return EXIT_INTERNAL;
    } catch (const std::system_error& error) {
        terminal.message(std::string("cannot go on: ") + error.what());
        return EXIT_INTERNAL;
    }
}

}  // namespace
}  // namespace orbilan

int main(int argc, char** argv) { return orbilan::main_program(argc, argv); }
