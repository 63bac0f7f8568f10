// SPDX-License-Identifier: GPL-3.0-or-later
// The force sums shared among processes, each played here by a thread with its own copy of the
// state, give the bits of one process.
#include <algorithm>
#include <barrier>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "sim/gauss_radau.h"
#include "test_bodies.h"

namespace orbilan {
namespace {

using test::same_bodies;

// Mailboxes between the members of a group, and a barrier for the collective calls.
struct Group {
    explicit Group(int size) : size(size), meeting(size), gathered(static_cast<std::size_t>(size)) {}
    int size;
    std::mutex mutex;
    std::map<std::tuple<int, int, int>, std::deque<std::vector<char>>> mail;  // (from, to, tag)
    std::barrier<> meeting;
    std::vector<std::vector<char>> gathered;
};

class ThreadExchange : public SumsExchange {
public:
    ThreadExchange(Group& group, int rank) : group_(group), rank_(rank) {}
    int rank() const override { return rank_; }
    int ranks() const override { return group_.size; }
    void send(int to, int tag, std::vector<char> bytes) override
    {
        std::lock_guard lock(group_.mutex);
        group_.mail[{rank_, to, tag}].push_back(std::move(bytes));
    }
    bool try_receive(int from, int tag, char* bytes, std::size_t size) override
    {
        std::lock_guard lock(group_.mutex);
        auto& box = group_.mail[{from, rank_, tag}];
        if (box.empty()) return false;
        EXPECT_EQ(box.front().size(), size);
        std::memcpy(bytes, box.front().data(), std::min(size, box.front().size()));
        box.pop_front();
        return true;
    }
    void gather_all(const std::vector<char>& mine, const std::vector<int>& sizes, std::vector<char>& all) override
    {
        group_.gathered[static_cast<std::size_t>(rank_)] = mine;
        group_.meeting.arrive_and_wait();
        all.clear();
        for (int k = 0; k < group_.size; ++k) {
            const auto& part = group_.gathered[static_cast<std::size_t>(k)];
            EXPECT_EQ(part.size(), static_cast<std::size_t>(sizes[static_cast<std::size_t>(k)]));
            all.insert(all.end(), part.begin(), part.end());
        }
        group_.meeting.arrive_and_wait();
    }
    unsigned any_of(unsigned flags) override
    {
        std::vector<char> all;
        gather_all({reinterpret_cast<const char*>(&flags), reinterpret_cast<const char*>(&flags + 1)},
                   std::vector<int>(static_cast<std::size_t>(group_.size), sizeof flags), all);
        unsigned any = 0;
        for (std::size_t at = 0; at < all.size(); at += sizeof flags) {
            unsigned one = 0;
            std::memcpy(&one, &all[at], sizeof one);
            any |= one;
        }
        return any;
    }
    [[noreturn]] void abandon(const std::string&) override { std::abort(); }

private:
    Group& group_;
    int rank_;
};

// `steps` steps of the first-order method or of Gauss-Radau on `processes` copies of the bodies
// that share the sums, each with `threads` force workers; the first copy's bodies at the end.
template <typename Real>
BasicBodyTable<Real> run_shared(const BodyTable& bodies, SimulationState state, int processes, int threads, bool radau,
                                int steps)
{
    Group group(processes);
    std::vector<BasicBodyTable<Real>> tables(static_cast<std::size_t>(processes), convert_table<Real>(bodies));
    std::vector<std::thread> members;
    for (int rank = 0; rank < processes; ++rank)
        members.emplace_back([&, rank] {
            ThreadExchange exchange(group, rank);
            BasicBodyTable<Real>& table = tables[static_cast<std::size_t>(rank)];
            SimulationState own = state;
            if (radau) {
                GaussRadauWorkspace<Real> work;
                init_gauss_radau(work, table, threads, default_tolerance<Real>(), {});
                work.forces.exchange = &exchange;
                work.forces.shared_min_bodies = 0;
                prepare_step(table, own, work.forces);
                for (int k = 0; k < steps; ++k) gauss_radau_step(table, own, work, 0);
            } else {
                BasicStepWorkspace<Real> work;
                init_workspace(work, table, threads);
                work.exchange = &exchange;
                work.shared_min_bodies = 0;
                prepare_step(table, own, work);
                for (int k = 0; k < steps; ++k) gravity_step(table, own, work, 0);
            }
        });
    for (std::thread& member : members) member.join();
    for (const auto& table : tables) EXPECT_TRUE(same_bodies(table, tables.front()));
    return tables.front();
}

// A cluster whose spheres touch now and then, so that merges happen while the sums are shared;
// sizes that end in a part of a tile and of a lane.
template <typename Real>
void expect_the_bits_of_one_process(int n, bool radau, int steps)
{
    BodyTable bodies;
    SimulationState state;
    test::make_cluster(bodies, state, n, 11, 3e3);
    state.collision_mode = 255;
    state.stop_time = 1e99L;
    const BasicBodyTable<Real> alone = run_shared<Real>(bodies, state, 1, 1, radau, steps);
    ASSERT_LT(alone.body_count, n) << "no merge happened";
    for (const auto& [processes, threads] : {std::pair{2, 1}, {3, 2}, {5, 1}})
        EXPECT_TRUE(same_bodies(run_shared<Real>(bodies, state, processes, threads, radau, steps), alone))
            << processes << " processes of " << threads << " threads";
}

TEST(SharedSums, TheBitsOfOneProcessInExtendedPrecision)
{
    expect_the_bits_of_one_process<extended>(333, false, 20);
    expect_the_bits_of_one_process<extended>(150, true, 3);
}

TEST(SharedSums, TheBitsOfOneProcessInDoublePrecision)
{
    expect_the_bits_of_one_process<double>(1037, false, 20);
    expect_the_bits_of_one_process<double>(150, true, 3);
}

}  // namespace
}  // namespace orbilan
