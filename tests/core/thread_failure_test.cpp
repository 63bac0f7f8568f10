// SPDX-License-Identifier: GPL-3.0-or-later
// Threads the system refuses to start. This program replaces pthread_create so that a chosen call
// fails as it does when a user or a container has no threads left.
#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cerrno>

#include <gtest/gtest.h>

#include "sim/force_workers.h"
#include "sim/simulation_run.h"
#include "test_bodies.h"

namespace {

// The number of the next thread start that fails, counted from 1; 0 lets every start through.
std::atomic<int> refused_start{0};

}  // namespace

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*entry)(void*),
                              void* argument)
{
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const auto next = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
    if (refused_start.load() > 0 && refused_start.fetch_sub(1) == 1) return EAGAIN;
    return next(thread, attributes, entry, argument);
}

namespace orbilan {
namespace {

TEST(ThreadFailure, ATeamWorksWithTheMembersThatStarted)
{
    refused_start = 2;
    ForceWorkers team(4);
    refused_start = 0;
    ASSERT_EQ(team.size(), 2);
    std::atomic<int> members_run{0};
    team.run([&](int member) { members_run += 1 << member; });
    EXPECT_EQ(members_run, 0b11);
}

// Refused its force worker, a run goes on with one thread to the same bits.
struct Observer : RunObserver {};

TEST(ThreadFailure, ARunRefusedAWorkerTakesTheSameSteps)
{
    BodyTable table;
    SimulationState state;
    test::make_cluster(table, state, 100, 3);
    state.stop_time = 1e99L;
    test::Stepper<> expected(table, state);
    expected.start();
    expected.steps(20);

    Observer observer;
    SimulationRun run(table, state, observer);
    refused_start = 2;  // the run's own thread starts, its helper does not
    ASSERT_TRUE(run.start(RunDirection::forward, {.threads = 2, .max_steps = 20, .log = nullptr}));
    run.join();
    refused_start = 0;
    EXPECT_EQ(run.last_end(), RunEnd::step_limit);
    EXPECT_TRUE(test::same_bodies(table, expected.table));
}

}  // namespace
}  // namespace orbilan
