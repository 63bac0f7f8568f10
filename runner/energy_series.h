// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "sim/step_sampler.h"

namespace orbilan {

// The total energy of a run as text, for --energy: the header line
// "time energy energy_relative_change", then one line per sample with the simulated time, the
// kinetic plus potential energy and its change relative to the start (as the summary's
// energy_relative_change), one space between them and LF line ends. The first line is the start.
class EnergySeries final : public StepSampler {
public:
    // Creates or empties the file, locked against a second writer as the log is, and writes the
    // header and the start's line. Null, with a message naming the file and the reason in `problem`,
    // when that fails.
    static std::unique_ptr<EnergySeries> open(const std::filesystem::path& path, extended grav_constant, int threads,
                                              extended start_time, extended start_energy, std::string& problem);
    ~EnergySeries() override;
    EnergySeries(const EnergySeries&) = delete;
    EnergySeries& operator=(const EnergySeries&) = delete;

    bool sample(const BodyTable& bodies, extended time) override;
    bool close() override;
    const std::string& failure() const override { return failure_; }

private:
    EnergySeries(std::FILE* file, std::filesystem::path path, extended grav_constant, int threads,
                 extended start_energy)
        : file_(file), path_(std::move(path)), grav_constant_(grav_constant), threads_(threads), start_(start_energy)
    {
    }
    bool write(const std::string& line);

    std::FILE* file_;
    std::filesystem::path path_;
    extended grav_constant_;
    int threads_;
    extended start_;
    std::string failure_;
};

}  // namespace orbilan
