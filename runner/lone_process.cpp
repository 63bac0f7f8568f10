// SPDX-License-Identifier: GPL-3.0-or-later
// The runner built without MPI: one process, with nothing to exchange.
#include "runner/processes.h"

namespace orbilan {

Processes join_processes(int&, char**&) { return {}; }
void leave_processes() {}
void share_bytes(const Processes&, std::string&) {}
int status_of_rank_0(const Processes&, int status) { return status; }
int highest_status(const Processes&, int status) { return status; }

}  // namespace orbilan
