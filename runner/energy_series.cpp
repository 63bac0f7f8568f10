// SPDX-License-Identifier: GPL-3.0-or-later
#include "runner/energy_series.h"

#include <cerrno>

#include "files/regular_file.h"
#include "sim/energy.h"

namespace orbilan {

namespace {

std::string energy_line(extended time, extended energy, extended start)
{
    char line[128];
    std::snprintf(line, sizeof line, "%.17Lg %.21Lg %.6Le\n", time, energy, relative_energy_change(start, energy));
    return line;
}

}  // namespace

std::unique_ptr<EnergySeries> EnergySeries::open(const std::filesystem::path& path, extended grav_constant, int threads,
                                                 extended start_time, extended start_energy, std::string& problem)
{
    std::FILE* file = open_for_writing(path);
    if (!file) {
        const int error = path.empty() ? ENOENT : errno;
        problem = "Cannot open the energy file " + path.string() + " (" +
                  (error == ENXIO         ? "a pipe that nothing reads"
                   : error == EWOULDBLOCK ? "another program is writing it"
                                          : error_text(error)) +
                  ")";
        return nullptr;
    }
    std::unique_ptr<EnergySeries> series(new EnergySeries(file, path, grav_constant, threads, start_energy));
    if (!series->write("time energy energy_relative_change\n") ||
        !series->write(energy_line(start_time, start_energy, start_energy))) {
        problem = series->failure_;
        return nullptr;
    }
    return series;
}

EnergySeries::~EnergySeries() { close(); }

bool EnergySeries::write(const std::string& line)
{
    if (!failure_.empty() || !file_) return false;
    if (std::fwrite(line.data(), 1, line.size(), file_) != line.size())
        failure_ = "Cannot write the energy file " + path_.string() + " (" + error_text(errno) + ")";
    return failure_.empty();
}

bool EnergySeries::sample(const BodyTable& bodies, extended time)
{
    return write(energy_line(time, total_energy(bodies, grav_constant_, threads_), start_));
}

bool EnergySeries::close()
{
    if (file_) {
        const bool flushed = std::fflush(file_) == 0;
        const int error = errno;
        if ((std::fclose(file_) != 0 || !flushed) && failure_.empty())
            failure_ =
                "Cannot write the energy file " + path_.string() + " (" + error_text(flushed ? errno : error) + ")";
        file_ = nullptr;
    }
    return failure_.empty();
}

}  // namespace orbilan
