#include <gtest/gtest.h>

#include "sim/force_workers.h"

namespace orbilan {
namespace {

// Feeds the choice the times of a machine where a shared call takes shared(k) seconds and one done
// alone `alone`, and counts the calls that were shared.
template <typename Shared>
int shared_calls(TeamChoice& choice, Shared shared, double alone, int calls)
{
    int count = 0;
    for (int k = 0; k < calls; ++k) {
        const bool share = choice.shared();
        count += share;
        choice.record(share ? shared(k) : alone);
    }
    return count;
}

TEST(TeamChoice, FollowsTheFasterChoiceAndSeldomTriesTheOther)
{
    // A probe takes seven calls; probes come after 16, 32, ... calls, at most 1024.
    TeamChoice choice;
    const auto fast = [](int) { return 0.6; };
    EXPECT_GE(shared_calls(choice, fast, 1.0, 4000), 4000 - 7 * 8) << "two cores for the team";
    // Another program takes a core: sharing becomes slower than working alone. The interval in
    // progress still holds fast calls, so the switch may take until the probe after next.
    EXPECT_LE(shared_calls(
                  choice, [](int) { return 1.5; }, 1.0, 4000),
              2 * 1024 + 7 * 8);
    EXPECT_FALSE(choice.shared());
    EXPECT_GE(shared_calls(choice, fast, 1.0, 4000), 4000 - 2 * 1024 - 7 * 8) << "the core is free again";
    EXPECT_TRUE(choice.shared());
    // One shared call in ten waits for a member another program holds and takes eight times as
    // long: most shared calls are faster, but sharing is slower on the whole.
    TeamChoice waits;
    EXPECT_LT(shared_calls(
                  waits, [](int k) { return k % 10 == 0 ? 4.8 : 0.6; }, 1.0, 8000),
              8000 / 4);
}

}  // namespace
}  // namespace orbilan
