// SPDX-License-Identifier: GPL-3.0-or-later
// The simulation thread's wait for the user's answer, against a program that is closing.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <latch>

#include "app/answer_gate.h"

namespace orbilan {
namespace {

using namespace std::chrono_literals;

// The program closes while the simulation thread is about to wait for an answer (the program's
// "Error : mass <= 0"): whichever comes first, the thread must never be left waiting, or the
// shutdown's join waits with it. The two are started together many times so that the close lands
// before, during and after the arming.
TEST(AnswerGate, ClosingNeverLeavesTheSimulationThreadWaiting)
{
    for (int trial = 0; trial < 2000; ++trial) {
        AnswerGate gate;
        std::latch start(2);
        auto caller = std::async(std::launch::async, [&] {
            start.arrive_and_wait();
            if (gate.arm()) gate.wait();
        });
        start.arrive_and_wait();
        gate.close();
        if (caller.wait_for(5s) != std::future_status::ready) {
            gate.answer();  // let it go, so that the test itself can end
            FAIL() << "trial " << trial << ": the caller still waits after the close";
        }
        EXPECT_FALSE(gate.arm()) << "a closed gate armed a new wait";
    }
}

}  // namespace
}  // namespace orbilan
