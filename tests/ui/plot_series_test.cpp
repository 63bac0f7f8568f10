// SPDX-License-Identifier: GPL-3.0-or-later
// The plot's curves in bounded memory: what thinning keeps of a long run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "app/plot_series.h"

namespace orbilan {
namespace {

double wave(long long i)
{
    if (i == 123457) return 50;   // a lone spike
    if (i == 876543) return -40;  // and a lone dip
    return std::sin(i * 1e-4) + 1e-3 * static_cast<double>(i % 7);
}

// A short curve is kept whole. A long one stays within its bound, keeps its ends, and every sample
// lies between the lowest and the highest kept point of its neighbourhood (the length of the
// runs it fell into), so no excursion is lost however brief.
TEST(ThinnedSeries, KeepsTheEnvelopeWithinItsBound)
{
    ThinnedSeries short_curve(100);
    for (int i = 0; i < 150; ++i) short_curve.add(i, wave(i));
    ASSERT_EQ(short_curve.points().size(), 150u);

    constexpr long long COUNT = 1000003;
    constexpr std::size_t RUNS = 100;
    ThinnedSeries curve(RUNS);
    for (long long i = 0; i < COUNT; ++i) curve.add(static_cast<double>(i), wave(i));
    const std::vector<PlotPoint> kept = curve.points();
    EXPECT_LE(kept.size(), 2 * RUNS + 2);
    EXPECT_GE(kept.size(), RUNS);
    EXPECT_EQ(kept.front().t, 0);
    EXPECT_EQ(kept.back().t, COUNT - 1);
    EXPECT_EQ(kept.back().v, wave(COUNT - 1));
    EXPECT_TRUE(std::is_sorted(kept.begin(), kept.end(), [](auto& a, auto& b) { return a.t <= b.t; }));

    long long run = 1;
    while (COUNT > run * static_cast<long long>(RUNS)) run *= 2;
    std::size_t from = 0;
    for (long long i = 0; i < COUNT; ++i) {
        while (kept[from].t < static_cast<double>(i - run)) ++from;
        double low = INFINITY, high = -INFINITY;
        for (std::size_t k = from; k < kept.size() && kept[k].t <= static_cast<double>(i + run); ++k) {
            low = std::min(low, kept[k].v);
            high = std::max(high, kept[k].v);
        }
        ASSERT_TRUE(low <= wave(i) && wave(i) <= high) << "sample " << i << " outside " << low << " .. " << high;
    }
}

}  // namespace
}  // namespace orbilan
