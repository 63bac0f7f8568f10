#include <gtest/gtest.h>

#include "sim/force_workers.h"

namespace orbilan {
namespace {

// Feeds the choice the times of a machine where sharing takes `shared` seconds a call and working
// alone `alone`, and counts the calls that were shared.
int shared_calls(TeamChoice& choice, double shared, double alone, int calls)
{
    int count = 0;
    for (int k = 0; k < calls; ++k) {
        const bool share = choice.shared();
        count += share;
        choice.record(share ? shared : alone);
    }
    return count;
}

TEST(TeamChoice, FollowsTheFasterChoiceAndSeldomTriesTheOther)
{
    // A probe takes four calls; probes come after 16, 32, ... calls, at most 256.
    TeamChoice choice;
    EXPECT_GE(shared_calls(choice, 0.6, 1.0, 1000), 1000 - 4 * 6) << "two cores for the team";
    // Another program takes a core: sharing becomes slower than working alone.
    const int shared_while_busy = shared_calls(choice, 1.5, 1.0, 2000);
    EXPECT_LE(shared_while_busy, 256 + 4 + 4 * 10) << "switches at the next probe, then probes seldom";
    EXPECT_FALSE(choice.shared());
    // The core is free again.
    EXPECT_GT(shared_calls(choice, 0.6, 1.0, 2000), 2000 - 300);
    EXPECT_TRUE(choice.shared());
}

TEST(ForceWorkers, EveryMemberRunsTheJobOnce)
{
    ForceWorkers team(3);
    std::atomic<int> runs[3] = {0, 0, 0};
    for (int job = 0; job < 50; ++job) team.run([&](int member) { runs[member]++; });
    for (const auto& count : runs) EXPECT_EQ(count.load(), 50);
}

}  // namespace
}  // namespace orbilan
