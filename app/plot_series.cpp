// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/plot_series.h"

namespace orbilan {

void ThinnedSeries::widen(Run& run, const Sample& s)
{
    if (s.p.v < run.low.p.v) run.low = s;
    if (s.p.v > run.high.p.v) run.high = s;
}

void ThinnedSeries::add(double t, double v)
{
    const Sample s{{t, v}, count_};
    if (count_ == 0) first_ = s;
    last_ = s;
    if (count_ % run_length_ == 0) {
        if (runs_.size() == max_runs_) {
            // Neighbours merge: each new run spans two old ones, so the runs halve in number.
            std::size_t kept = 0;
            for (std::size_t k = 0; k + 1 < runs_.size(); k += 2) {
                Run merged = runs_[k];
                widen(merged, runs_[k + 1].low);
                widen(merged, runs_[k + 1].high);
                runs_[kept++] = merged;
            }
            runs_.resize(kept);
            run_length_ *= 2;
        }
    }
    if (count_ % run_length_ == 0)
        runs_.push_back({s, s});
    else
        widen(runs_.back(), s);
    ++count_;
}

void ThinnedSeries::clear()
{
    runs_.clear();
    run_length_ = 1;
    count_ = 0;
}

std::vector<PlotPoint> ThinnedSeries::points() const
{
    std::vector<PlotPoint> out;
    if (count_ == 0) return out;
    out.reserve(2 * runs_.size() + 2);
    long long shown = -1;  // the index of the last sample put out
    const auto put = [&](const Sample& s) {
        if (s.index <= shown) return;
        out.push_back(s.p);
        shown = s.index;
    };
    put(first_);
    for (const Run& run : runs_) {
        const bool low_first = run.low.index <= run.high.index;
        put(low_first ? run.low : run.high);
        put(low_first ? run.high : run.low);
    }
    put(last_);
    return out;
}

}  // namespace orbilan
