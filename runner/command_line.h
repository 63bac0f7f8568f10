// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "files/log_writer.h"
#include "sim/extended.h"
#include "sim/simulation_state.h"

namespace orbilan {

// Exit statuses, one per cause; --help and the README list them. A run stopped by SIGINT,
// SIGTERM or SIGHUP ends with 128 + the signal's number, after its summary and final state.
constexpr int EXIT_INTERNAL = 1;      // out of memory, or no thread could be started
constexpr int EXIT_NOT_RUN = 2;       // a bad command line, or a project that cannot be read or run
constexpr int EXIT_MASS_ERROR = 3;    // the thrust emptied the impulse body
constexpr int EXIT_WRITE_FAILED = 4;  // the log, the energy file, the final state or the summary could not be written
constexpr int EXIT_NON_FINITE = 5;    // a position became non-finite, or the adaptive step fell below its minimum

// What the command line asks for.
struct Arguments {
    std::optional<std::filesystem::path> project;
    std::optional<extended> stop_time;
    long long steps = -1;
    bool collisions = false;
    std::optional<std::filesystem::path> log;
    LogMode log_mode = LogMode::acceleration;  // as the log panel starts
    int log_body = 1;
    int log_every = 1;
    std::optional<std::filesystem::path> final_state;
    std::optional<std::filesystem::path> energy;
    long long energy_every = 1;
    int threads = 0;
    Precision precision = Precision::extended;
    std::optional<Integrator> integrator;  // the project's when not given
    std::optional<extended> tolerance;
    std::optional<extended> log_interval;
    bool quiet = false;
    bool help = false;
    bool version = false;
};

// A command line that cannot be followed; the usage goes with it.
struct UsageError {
    std::string what;
};

inline constexpr const char* USAGE = "usage: orbilan-run PROJECT (--stop-time SECONDS | --steps N) [OPTION]...\n";

// Reads the options; throws UsageError. With --help or --version nothing else is required.
Arguments parse_arguments(int argc, char** argv);

// The usage, every option and the exit statuses.
std::string help_text();

}  // namespace orbilan
