// SPDX-License-Identifier: GPL-3.0-or-later
// orbilan-run: the engine on a project file, from a terminal.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <system_error>

#include "files/regular_file.h"
#include "orbilan_version.h"
#include "runner/command_line.h"
#include "runner/processes.h"
#include "runner/run.h"

namespace orbilan {
namespace {

// --help and --version go to standard output, which may refuse them too.
int print_to_stdout(const std::string& text, Terminal& terminal)
{
    std::fputs(text.c_str(), stdout);
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return EXIT_SUCCESS;
    terminal.message("cannot write to standard output (" + error_text(errno) + ")");
    return EXIT_WRITE_FAILED;
}

// Descriptors 0 to 2 are open before any file is: a file opened in a closed one would take the
// messages or the summary meant for standard error or output.
void open_standard_descriptors()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free descriptor: this one, as those below it are open.
        if (::open("/dev/null", O_RDWR) < 0) return;
    }
}

int main_program(int argc, char** argv, const Processes& processes)
{
    open_standard_descriptors();
    // A reader that goes away or a file size limit is a failed write to report, not a silent end.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    Terminal terminal;
    terminal.muted = processes.rank != 0;
    // A failure of one process alone ends them all; the others would wait for it.
    const auto end = [&](const std::string& why, int status) {
        if (processes.exchange) processes.exchange->abandon(why);
        terminal.message(why);
        return status;
    };
    try {
        const Arguments args = parse_arguments(argc, argv);
        if (args.help) return processes.rank == 0 ? print_to_stdout(help_text(), terminal) : EXIT_SUCCESS;
        if (args.version)
            return processes.rank == 0 ? print_to_stdout(std::string("orbilan-run ") + ORBILAN_VERSION + "\n", terminal)
                                       : EXIT_SUCCESS;
        return run(args, terminal, processes);
    } catch (const UsageError& error) {
        terminal.message(error.what);
        if (processes.rank == 0) std::fprintf(stderr, "%sTry 'orbilan-run --help' for more.\n", USAGE);
        return EXIT_NOT_RUN;
    } catch (const NotRun& error) {
        terminal.message(error.what);
        return EXIT_NOT_RUN;
    } catch (const std::bad_alloc&) {
        return end("out of memory", EXIT_INTERNAL);
    } catch (const std::system_error& error) {
        return end(std::string("cannot go on: ") + error.what(), EXIT_INTERNAL);
    }
}

}  // namespace
}  // namespace orbilan

int main(int argc, char** argv)
{
    const orbilan::Processes processes = orbilan::join_processes(argc, argv);
    const int status = orbilan::main_program(argc, argv, processes);
    orbilan::leave_processes();
    return status;
}
