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
    // A probe takes seven calls; probes come after 16, 32, ... calls, at most 1024.
    TeamChoice choice;
    EXPECT_GE(shared_calls(choice, 0.6, 1.0, 4000), 4000 - 7 * 8) << "two cores for the team";
    // Another program takes a core: sharing becomes slower than working alone. The interval in
    // progress still holds fast calls, so the switch may take until the probe after next.
    EXPECT_LE(shared_calls(choice, 1.5, 1.0, 4000), 2 * 1024 + 7 * 8) << "switches, then probes seldom";
    EXPECT_FALSE(choice.shared());
    // The core is free again.
    EXPECT_GE(shared_calls(choice, 0.6, 1.0, 4000), 4000 - 2 * 1024 - 7 * 8);
    EXPECT_TRUE(choice.shared());
}

// A shared call that waits for a member another program holds: one in ten takes eight times as
// long. Sharing is then slower on the whole, though most of its calls are faster.
TEST(TeamChoice, WeighsRareLongWaits)
{
    TeamChoice choice;
    int shared = 0;
    for (int k = 0; k < 8000; ++k) {
        const bool share = choice.shared();
        shared += share;
        choice.record(share ? (k % 10 == 0 ? 4.8 : 0.6) : 1.0);
    }
    EXPECT_LT(shared, 8000 / 4);
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
