// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <vector>

namespace orbilan {

struct PlotPoint {
    double t = 0;
    double v = 0;
};

// A curve of any length in bounded memory. Samples fall into runs of equal count, and each run
// keeps its lowest and its highest sample; when the runs reach max_runs, neighbours merge and
// the runs double in length. Every sample thus lies between two kept points of its run, so the
// curve's envelope survives (a lone spike included), and all of the curve keeps equal detail.
class ThinnedSeries {
public:
    // max_runs is taken up to an even number, as runs merge in pairs.
    explicit ThinnedSeries(std::size_t max_runs = 1000) : max_runs_(max_runs < 2 ? 2 : max_runs + max_runs % 2) {}

    void add(double t, double v);
    void clear();
    // The first sample, each run's lowest and highest in the order they came, and the latest
    // sample: at most 2 * max_runs + 2 points.
    std::vector<PlotPoint> points() const;
    // Samples added since the last clear.
    long long count() const { return count_; }

private:
    struct Sample {
        PlotPoint p;
        long long index = 0;
    };
    struct Run {
        Sample low, high;
    };
    static void widen(Run& run, const Sample& s);

    std::size_t max_runs_;
    long long run_length_ = 1;
    long long count_ = 0;
    std::vector<Run> runs_;  // the last one may be filling
    Sample first_, last_;
};

}  // namespace orbilan
