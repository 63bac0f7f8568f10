// SPDX-License-Identifier: GPL-3.0-or-later
#include "runner/command_line.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <string_view>
#include <system_error>

namespace orbilan {
namespace {

constexpr int MAX_THREADS = 256;

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

// A number above 0, for a tolerance or an interval.
extended positive(std::string_view option, std::string_view text)
{
    const extended value = seconds(option, text);
    if (!(value > 0))
        throw UsageError{std::string(option) + " needs a number above 0, not '" + std::string(text) + "'"};
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
    {"--log-mode", "MODE", "what the log holds: acceleration (the default, as the log panel) or position",
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
    {"--energy", "FILE", "write the total energy at the start and every --energy-every steps to FILE (format above)",
     [](Arguments& a, std::string_view, std::string_view v) { a.energy = std::filesystem::path(v); }},
    {"--energy-every", "N", "an energy line every N steps (default 1)",
     [](Arguments& a, std::string_view o, std::string_view v) { a.energy_every = whole_number(o, v, 1, LLONG_MAX); }},
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
    {"--integrator", "METHOD",
     "euler (the program's step, the default) or gauss-radau (adaptive, 15th order); a project may name its own",
     [](Arguments& a, std::string_view o, std::string_view v) {
         if (v == EULER_NAME)
             a.integrator = Integrator::euler;
         else if (v == GAUSS_RADAU_NAME)
             a.integrator = Integrator::gauss_radau;
         else
             throw UsageError{std::string(o) + " is euler or gauss-radau, not '" + std::string(v) + "'"};
     }},
    {"--tolerance", "EPS", "the gauss-radau step control (default 1e-12 extended, 1e-9 double)",
     [](Arguments& a, std::string_view o, std::string_view v) { a.tolerance = positive(o, v); }},
    {"--log-interval", "SECONDS", "gauss-radau: a log line at every multiple of SECONDS instead of by steps",
     [](Arguments& a, std::string_view o, std::string_view v) { a.log_interval = positive(o, v); }},
    {"--quiet", "", "no progress line on a terminal",
     [](Arguments& a, std::string_view, std::string_view) { a.quiet = true; }},
    {"--help", "", "show this help and exit (also -h)",
     [](Arguments& a, std::string_view, std::string_view) { a.help = true; }},
    {"--version", "", "show the version and exit",
     [](Arguments& a, std::string_view, std::string_view) { a.version = true; }},
};

constexpr const char* EXIT_STATUSES =
    "exit status:\n"
    "  0    the run reached its stop time or its number of steps\n"
    "  1    out of memory, or no thread could be started\n"
    "  2    nothing was run: a bad command line, or a project that cannot be read or run\n"
    "       (not a text file, an impulse program that cannot be read, no objects, fewer\n"
    "       objects than it lists, a step that reads as 0, a stop time that the step never\n"
    "       reaches, a log body it does not have), or an output that is an input or standard\n"
    "       output, cannot be written or is being written by another program\n"
    "  3    the thrust emptied the impulse body (\"Error : mass <= 0\")\n"
    "  4    the log, the energy file, the final state or the summary\n"
    "       could not be written\n"
    "  5    a position became infinite or not a number (the message names the object and\n"
    "       the step), or the gauss-radau step fell below the smallest that still advances\n"
    "       the time (bodies meeting without --collisions)\n"
    "  128+SIGNAL  stopped by SIGINT (130, Ctrl-C), SIGTERM (143) or SIGHUP (129); the summary\n"
    "       and the final state are written first. The same signal again changes nothing, but\n"
    "       a second Ctrl-C a second after the first ends it at once. A signal ignored when\n"
    "       the runner starts stays ignored.\n";

}  // namespace

std::string help_text()
{
    std::string text = USAGE;
    text +=
        "\nRuns the ORBILAN engine on a project file, as OPEN PROJECT and START do in the program,\n"
        "and prints a summary: steps, sim_time, bodies, wall_seconds, steps_per_second and\n"
        "energy_relative_change, one 'key: value' per line. The step is taken as the time panel\n"
        "shows it (four significant digits; 0 becomes 1). With --integrator gauss-radau that step\n"
        "is only the first: the method chooses its steps, lands exactly on the stop time, and the\n"
        "summary adds integrator, tolerance and force_evaluations; --steps counts accepted steps.\n"
        "--energy FILE writes the line 'time energy energy_relative_change', then the start and\n"
        "every --energy-every N steps as one such line: the simulated time, the kinetic plus\n"
        "potential energy and its change since the start as in the summary, one space apart.\n"
        "\noptions:\n";
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
    std::string log_options;  // the --log-* options given, which need --log
    bool energy_every_given = false;
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
        const std::string_view name = arg == "-h" ? "--help" : arg.substr(0, equals);
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
        if (name.starts_with("--log-") && log_options.find(name) == std::string::npos)
            log_options += (log_options.empty() ? "" : ", ") + std::string(name);
        energy_every_given = energy_every_given || name == "--energy-every";
    }
    if (args.help || args.version) return args;
    if (!args.project) throw UsageError{"no project file given"};
    if (args.stop_time.has_value() == (args.steps >= 0)) throw UsageError{"give either --stop-time or --steps"};
    if (!args.log && !log_options.empty()) throw UsageError{log_options + " without --log: there is no log to shape"};
    if (!args.energy && energy_every_given)
        throw UsageError{"--energy-every without --energy: there is no energy file to write"};
    return args;
}

}  // namespace orbilan
