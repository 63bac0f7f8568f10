// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "sim/sums_exchange.h"

namespace orbilan {

// The processes of one run: this one alone, or those an MPI launcher started, which share the force
// sums. Rank 0 alone reads the inputs, writes the outputs and speaks; the others get from it what
// they need. A build without MPI has only the process alone.
struct Processes {
    int rank = 0;
    int count = 1;
    SumsExchange* exchange = nullptr;  // with more than one process
};

// Joins the processes the launcher started (or none). Call once, first.
Processes join_processes(int& argc, char**& argv);
// Leaves them, after the last exchange.
void leave_processes();

// The bytes of rank 0, to every process.
void share_bytes(const Processes& processes, std::string& bytes);
// The status of rank 0, to every process.
int status_of_rank_0(const Processes& processes, int status);
// The highest status of all, to every process.
int highest_status(const Processes& processes, int status);

}  // namespace orbilan
