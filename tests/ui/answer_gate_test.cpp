// The simulation thread's wait for the user's answer, against a program that is closing.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "app/answer_gate.h"

namespace orbilan {
namespace {

using namespace std::chrono_literals;

// Lets a test hold the gate's lock, so that a caller stops right at the door, and close the gate
// while it stands there.
class HeldGate : public AnswerGate {
public:
    std::unique_lock<std::mutex> hold() { return std::unique_lock(mutex_); }
    void close_while_held()
    {
        closing_ = true;
        answered_ = true;
    }
};

// The shutdown happens while the simulation thread is between "not closing yet" and arming its
// wait: the wait must not be armed after the closing, or the thread waits for ever and the
// shutdown's join with it. (The answered wait is the program's "Error : mass <= 0".)
TEST(AnswerGate, ClosingWhileACallerIsAtTheDoorNeverLeavesItWaiting)
{
    HeldGate gate;
    std::unique_lock door = gate.hold();
    auto caller = std::async(std::launch::async, [&] {
        if (gate.arm()) gate.wait();
    });
    std::this_thread::sleep_for(50ms);  // the caller now stands at the door
    gate.close_while_held();
    door.unlock();
    const bool released = caller.wait_for(5s) == std::future_status::ready;
    EXPECT_TRUE(released) << "the caller armed its wait after the gate closed";
    if (!released) gate.answer();  // let it go, so that the test itself can end
}

}  // namespace
}  // namespace orbilan
