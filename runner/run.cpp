// SPDX-License-Identifier: GPL-3.0-or-later
#include "runner/run.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>

#include "files/log_writer.h"
#include "files/number_format.h"
#include "files/program_files.h"
#include "files/project_loader.h"
#include "files/project_writer.h"
#include "files/regular_file.h"
#include "runner/energy_series.h"
#include "sim/energy.h"
#include "sim/simulation_run.h"

namespace orbilan {

void Terminal::message(const std::string& text)
{
    if (muted) return;
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

void Terminal::progress(const std::string& line)
{
    if (muted) return;
    std::lock_guard lock(mutex_);
    std::string text = "\r" + line;
    if (line.size() < shown_) text.append(shown_ - line.size(), ' ');
    std::fputs(text.c_str(), stderr);
    shown_ = line.size();
}

void Terminal::erase_progress()
{
    std::lock_guard lock(mutex_);
    erase_progress_locked();
}

void Terminal::erase_progress_locked()
{
    if (shown_ == 0) return;
    std::string blank(shown_ + 2, ' ');
    blank.front() = blank.back() = '\r';
    std::fputs(blank.c_str(), stderr);
    shown_ = 0;
}

namespace {

std::filesystem::path program_folder()
{
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path() : exe.parent_path();
}

// The first stop signal received, 0 before one: the only state a signal handler may touch, so
// the one variable of the runner outside its objects.
std::atomic<int> stop_signal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void on_stop_signal(int signal)
{
    int none = 0;
    stop_signal.compare_exchange_strong(none, signal);
}

// A stop signal asks the run to stop, once: a duplicate (timeout signals the runner and its
// process group) changes nothing, so the summary and the final state are still written. A signal
// ignored when the runner starts (nohup, a shell's background job) stays ignored.
void catch_stop_signals()
{
    struct sigaction action {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        sigaction(signal, &action, nullptr);
    }
}

// A second Ctrl-C well after the first (a person who does not want to wait for the step to end)
// ends the runner at once.
void let_second_interrupt_end()
{
    struct sigaction old {};
    if (sigaction(SIGINT, nullptr, &old) != 0 || old.sa_handler != on_stop_signal) return;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
}

class EndWaiter : public RunObserver {
public:
    explicit EndWaiter(Terminal& terminal) : terminal_(terminal) {}
    void on_mass_error() override { terminal_.message("Error : mass <= 0"); }
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
    Terminal& terminal_;
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
    if (!(dt > 0)) return stop + ": the step is " + dt_shown + " s" + instead;
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
    if (args.energy && is_project_input(*args.energy, project))
        throw NotRun{"--energy " + args.energy->string() + " is an input of the project; it would be overwritten"};
    for (const auto& [other, name] : {std::pair{args.log, "--log"}, std::pair{args.final_state, "--final-state"}})
        if (args.energy && other && same_file(*args.energy, *other))
            throw NotRun{std::string("--energy and ") + name + " name the same file"};
    // The summary goes to standard output; a file there (--log /dev/stdout > out.txt) would be
    // written from two places. A device such as /dev/null takes anything.
    struct stat out {};
    if (::fstat(STDOUT_FILENO, &out) != 0 || S_ISCHR(out.st_mode)) return;
    const auto is_standard_output = [&](const std::filesystem::path& path) {
        struct stat file {};
        return ::stat(path.c_str(), &file) == 0 && file.st_dev == out.st_dev && file.st_ino == out.st_ino;
    };
    if (args.log && is_standard_output(*args.log))
        throw NotRun{"--log " + args.log->string() + " is standard output, which takes the summary"};
    if (args.final_state && is_standard_output(*args.final_state))
        throw NotRun{"--final-state " + args.final_state->string() + " is standard output, which takes the summary"};
    if (args.energy && is_standard_output(*args.energy))
        throw NotRun{"--energy " + args.energy->string() + " is standard output, which takes the summary"};
}

// The summary; false when standard output could not take it. A Gauss-Radau run adds its method,
// the tolerance in use and the force evaluations, rejected steps and iterations included.
bool print_summary(const SimulationRun& simulation, const SimulationState& state, Precision precision, int bodies,
                   int ranks, double wall, extended relative)
{
    const long long steps = simulation.steps_done();
    if (state.integrator == Integrator::gauss_radau) {
        std::printf("integrator: %s\n", GAUSS_RADAU_NAME);
        std::printf("tolerance: %.6Lg\n", tolerance_in_use(state, precision));
        std::printf("force_evaluations: %lld\n", simulation.force_evaluations());
    }
    std::printf("steps: %lld\n", steps);
    std::printf("sim_time: %.17Lg\n", state.sim_time);
    std::printf("bodies: %d\n", bodies);
    std::printf("ranks: %d\n", ranks);
    std::printf("wall_seconds: %.6f\n", wall);
    std::printf("steps_per_second: %.6g\n", wall > 0 ? static_cast<double>(steps) / wall : 0.0);
    std::printf("energy_relative_change: %.6Le\n", relative);
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

// Loads the project as OPEN PROJECT does and refuses what no run can use. False when the loader
// has said why already.
bool load_project(const Arguments& args, const std::filesystem::path& project, bool outputs, BodyTable& table,
                  SimulationState& state, const MessageSink& messages)
{
    allocate_body_table(table, state, 0);
    const auto resources = locate_program_files(program_folder()).resource_folder;
    const ProjectLoad load = read_project_fields(project, resources, table, state, messages);
    if (load.result != LoadResult::loaded) return false;
    // Bodies that the file does not hold are zeros, which no run can make sense of.
    if (load.complete_bodies < table.body_count) throw NotRun{"a project file that ends early is not run"};
    if (table.body_count <= 0) throw NotRun{"NO OBJECTS !!"};
    if (outputs) check_outputs(args);
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
    const extended dt = parse_number_text(dt_shown);
    // Only a step the project gives as 0 runs as 1; one that overflows or is not a number reads
    // as 0 and would run nothing.
    if (state.dt != 0 && !(dt != 0))
        throw NotRun{"the step is " + dt_shown + " s, which reads as 0; no run can take it"};
    state.dt = dt;
    // The adaptive method chooses its own steps (the project's is only its first) and reaches
    // any stop time.
    if (args.stop_time && state.integrator == Integrator::euler) {
        if (const auto why = never_ending(state.dt, dt_shown, *args.stop_time)) throw NotRun{*why};
    }
    state.sim_time = 0;
    state.stop_time = args.stop_time.value_or(HUGE_VALL);
    return state.stop_time >= state.sim_time ? RunDirection::forward : RunDirection::backward;
}

// The log settings as the log panel gives them, and the log file, created here. False when it
// cannot be opened (the message names it).
bool open_log(const Arguments& args, SimulationState& state, RunOptions& options, const MessageSink& messages)
{
    if (!args.log) return true;
    state.log_mode = args.log_mode;
    state.log_body = args.log_body;
    state.log_every = args.log_every;
    options.log = LogWriter::open(*args.log, messages);
    return options.log != nullptr;
}

// How much of the run is done, from 0 to 1; an adaptive run's time is read from its snapshot.
double done_fraction(const Arguments& args, const SimulationState& state, SimulationRun& simulation,
                     BodySnapshot& snapshot)
{
    const long long steps = simulation.steps_done();
    if (args.steps > 0) return static_cast<double>(steps) / static_cast<double>(args.steps);
    if (state.integrator == Integrator::euler)
        return static_cast<double>(static_cast<extended>(steps) * state.dt / std::fabs(state.stop_time));
    simulation.read_snapshot(snapshot);
    return static_cast<double>(snapshot.sim_time / state.stop_time);
}

// Runs the simulation to its end. A stop signal asks it to stop; on a terminal a progress line is
// redrawn meanwhile. A signal before the start leaves the bodies as loaded.
void run_to_end(SimulationRun& simulation, EndWaiter& waiter, RunDirection direction, RunOptions options,
                const Arguments& args, const SimulationState& state, const Stopwatch& clock, Terminal& terminal,
                const Processes& processes)
{
    const bool stopped = stop_signal.load() != 0;
    if (processes.exchange ? processes.exchange->any_of(stopped) != 0 : stopped) return;
    const bool show_progress = processes.rank == 0 && !args.quiet && isatty(STDERR_FILENO);
    simulation.start(direction, std::move(options));
    double next_draw = 0.5;  // a short run shows no progress at all
    double stop_seen = -1;
    BodySnapshot snapshot;
    while (!waiter.wait(std::chrono::milliseconds(50))) {
        const double elapsed = clock.seconds();
        if (stop_signal.load() != 0 && stop_seen < 0) {
            simulation.stop();
            stop_seen = elapsed;
        }
        if (stop_seen >= 0 && elapsed - stop_seen >= 1) let_second_interrupt_end();
        if (!show_progress || elapsed < next_draw) continue;
        next_draw = elapsed + 0.25;
        const long long steps = simulation.steps_done();
        terminal.progress(progress_text(done_fraction(args, state, simulation, snapshot), elapsed, steps));
    }
    simulation.join();
}

// The status of the run itself: the mass error, values that are no longer numbers and a failed
// step come before a stop signal.
int run_status(const SimulationRun& simulation, const BodyTable& table, const SimulationState& state,
               Terminal& terminal)
{
    if (simulation.last_end() == RunEnd::mass_error) return EXIT_MASS_ERROR;
    if (simulation.last_end() == RunEnd::not_finite) {
        const int k = simulation.not_finite_body();
        terminal.message("object " + std::to_string(k) + " (" + table.name[k] +
                         ") has a position that is not finite after step " + std::to_string(simulation.steps_done()) +
                         " (t = " + number_text(state.sim_time) + " s); the run ends there");
        return EXIT_NON_FINITE;
    }
    if (simulation.last_end() == RunEnd::failed) return EXIT_NON_FINITE;
    if (stop_signal.load() != 0) return 128 + stop_signal.load();
    return EXIT_SUCCESS;
}

// What a run starts from.
struct RunSetup {
    BodyTable table;
    SimulationState state;
    RunDirection direction = RunDirection::forward;
    RunOptions options;
    HeldOutput final_state;
    extended energy_before = 0;  // set where the outputs are
};

// Loads the project from the file `project` and sets the run up as the command line asks; with
// `outputs`, the log is opened, the final state held and the energy measured. EXIT_NOT_RUN when a
// message has said why; throws NotRun.
int prepare(const Arguments& args, const std::filesystem::path& project, bool outputs, const MessageSink& messages,
            RunSetup& run)
{
    BodyTable& table = run.table;
    SimulationState& state = run.state;
    RunOptions& options = run.options;
    if (!load_project(args, project, outputs, table, state, messages)) return EXIT_NOT_RUN;
    if (args.integrator) state.integrator = *args.integrator;
    if (args.tolerance) state.tolerance = *args.tolerance;
    if (args.log_interval && state.integrator != Integrator::gauss_radau)
        throw NotRun{"--log-interval needs the gauss-radau method (--integrator gauss-radau)"};
    run.direction = set_run_time(args, state);
    state.collision_mode = args.collisions ? 255 : 0;
    options.threads = args.threads;
    options.precision = args.precision;
    options.max_steps = args.steps;
    options.end_when_not_finite = true;
    options.log_interval = args.log_interval.value_or(0);
    if (!outputs) return EXIT_SUCCESS;
    // Held from before the first step: a target that cannot be written, or that another runner
    // writes, is refused before any time is spent.
    if (args.final_state) {
        if (const std::string problem = run.final_state.hold(*args.final_state); !problem.empty())
            throw NotRun{"--final-state " + args.final_state->string() + " " + problem};
    }
    run.energy_before = total_energy(table, state.grav_constant, args.threads);
    if (args.energy) {
        std::string problem;
        options.sampler = EnergySeries::open(*args.energy, state.grav_constant, args.threads, state.sim_time,
                                             run.energy_before, problem);
        if (!options.sampler) throw NotRun{problem};
        options.sample_every = args.energy_every;
    }
    if (!open_log(args, state, options, messages)) return EXIT_NOT_RUN;
    return EXIT_SUCCESS;
}

// The project's bytes and its impulse program's (with its name), as rank 0 read them.
std::string read_inputs(const std::filesystem::path& project)
{
    const auto part = [](const std::string& bytes) { return std::to_string(bytes.size()) + '\n' + bytes; };
    const auto read = [](const std::filesystem::path& path, std::uint64_t max_bytes) {
        FileBytes file = read_regular_file(path, max_bytes);
        if (file.problem != FileProblem::none) throw NotRun{path.string() + " " + file_problem_text(file, max_bytes)};
        return std::move(file.bytes);
    };
    std::string inputs = part(read(project, MAX_PROJECT_BYTES));
    if (const auto impulses = impulse_program_path(project))
        inputs += part(impulses->filename().string()) + part(read(*impulses, MAX_IMPULSE_PROGRAM_BYTES));
    return inputs;
}

// Writes the inputs rank 0 read into a new folder, under the project's own name and that of its
// impulse program, so that they load as rank 0 loaded them. Returns the project's path there.
std::filesystem::path write_inputs(const std::string& inputs, const std::filesystem::path& project,
                                   const std::filesystem::path& folder)
{
    std::size_t at = 0;
    const auto part = [&] {
        const std::size_t end = inputs.find('\n', at);
        const std::size_t size = std::stoull(inputs.substr(at, end - at));
        at = end + 1 + size;
        return inputs.substr(end + 1, size);
    };
    const auto write = [](const std::filesystem::path& path, const std::string& bytes) {
        std::string problem;
        HeldOutput file;
        if (problem = file.hold(path); problem.empty()) file.replace(bytes, problem);
        if (!problem.empty()) throw NotRun{path.string() + " " + problem};
    };
    const std::filesystem::path copy = folder / project.filename();
    write(copy, part());
    if (at < inputs.size()) {
        const std::string name = part();
        write(folder / name, part());
    }
    return copy;
}

// Rank 0 reads the project and its impulse program and holds the outputs; the other processes
// load the bytes it read, from a folder of their own, and say nothing. All end with one status
// when one of them cannot prepare, the one that could not having said why.
int prepare_shared(const Arguments& args, Terminal& terminal, const Processes& processes, const MessageSink& messages,
                   RunSetup& setup)
{
    std::string inputs;
    const auto attempt = [&](auto&& step) {
        try {
            return step();
        } catch (const NotRun& error) {
            terminal.message(error.what);
            return EXIT_NOT_RUN;
        } catch (const std::bad_alloc&) {
            terminal.message("out of memory");
            return EXIT_INTERNAL;
        }
    };
    int status = EXIT_SUCCESS;
    if (processes.rank == 0)
        status = attempt([&] {
            const int prepared = prepare(args, *args.project, true, messages, setup);
            if (prepared == EXIT_SUCCESS) inputs = read_inputs(*args.project);
            return prepared;
        });
    if (const int shared = status_of_rank_0(processes, status); shared != EXIT_SUCCESS) return shared;
    share_bytes(processes, inputs);
    if (processes.rank != 0) {
        std::error_code error;
        const std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
        std::string name = (temporary / "orbilan-run-XXXXXX").string();
        const std::filesystem::path folder =
            ::mkdtemp(name.data()) ? std::filesystem::path(name) : std::filesystem::path();
        // A failure that rank 0 cannot see: this process says it.
        terminal.muted = false;
        status = attempt([&] {
            if (folder.empty())
                throw NotRun{"cannot make a folder in " + temporary.string() + " (" + error_text(errno) + ")"};
            const auto copy = write_inputs(inputs, *args.project, folder);
            const MessageSink silent = [](const UserMessage&) {};
            return prepare(args, copy, false, silent, setup);
        });
        terminal.muted = true;
        if (!folder.empty()) std::filesystem::remove_all(folder, error);
    }
    return highest_status(processes, status);
}

}  // namespace

int run(const Arguments& args, Terminal& terminal, const Processes& processes)
{
    const MessageSink messages = [&terminal](const UserMessage& message) { terminal.message(message.text); };
    RunSetup setup;
    const int prepared = processes.count == 1 ? prepare(args, *args.project, true, messages, setup)
                                              : prepare_shared(args, terminal, processes, messages, setup);
    if (prepared != EXIT_SUCCESS) return prepared;
    BodyTable& table = setup.table;
    SimulationState& state = setup.state;
    setup.options.exchange = processes.exchange;

    catch_stop_signals();
    // Only rank 0 speaks: the others need no energy.
    const bool speaks = processes.rank == 0;
    EndWaiter waiter(terminal);
    SimulationRun simulation(table, state, waiter);
    const Stopwatch clock;
    run_to_end(simulation, waiter, setup.direction, std::move(setup.options), args, state, clock, terminal, processes);
    const double wall = clock.seconds();
    terminal.erase_progress();

    // A write that failed is the status, whatever the run's own.
    int status = run_status(simulation, table, state, terminal);
    if (!speaks) return status_of_rank_0(processes, status);
    if (!simulation.failure().empty()) terminal.message(simulation.failure());
    if (!simulation.log_failure().empty()) {
        terminal.message(simulation.log_failure());
        status = EXIT_WRITE_FAILED;
    }
    const extended energy_after = total_energy(table, state.grav_constant, args.threads);
    const extended relative = relative_energy_change(setup.energy_before, energy_after);
    if (!print_summary(simulation, state, args.precision, table.body_count, processes.count, wall, relative)) {
        terminal.message("cannot write the summary to standard output (" + error_text(errno) + ")");
        status = EXIT_WRITE_FAILED;
    }
    std::string problem;
    if (args.final_state &&
        !setup.final_state.replace(project_text(table, state, args.project->filename().string(), messages), problem)) {
        terminal.message("Project file " + args.final_state->string() + " " + problem);
        status = EXIT_WRITE_FAILED;
    }
    return status_of_rank_0(processes, status);
}

}  // namespace orbilan
