#include "sim/force_workers.h"

namespace orbilan {

namespace {
// Spinning this long (a fraction of a millisecond) outlasts the usual wait at a barrier inside a
// step, so members seldom sleep mid-step; a paused run still stops using the processor at once.
constexpr int SPIN_ROUNDS = 200000;
}

ForceWorkers::ForceWorkers(int threads) : size_(threads < 1 ? 1 : threads)
{
    for (int member = 1; member < size_; ++member)
        helpers_.emplace_back([this, member] { helper_main(member); });
}

ForceWorkers::~ForceWorkers()
{
    quit_.store(true, std::memory_order_release);
    job_generation_.fetch_add(1, std::memory_order_release);
    job_generation_.notify_all();
    for (auto& helper : helpers_) helper.join();
}

void ForceWorkers::wait_for_change(const std::atomic<unsigned>& value, unsigned old)
{
    for (int round = 0; round < SPIN_ROUNDS; ++round)
        if (value.load(std::memory_order_acquire) != old) return;
    while (value.load(std::memory_order_acquire) == old) value.wait(old, std::memory_order_acquire);
}

void ForceWorkers::run(const std::function<void(int)>& job)
{
    if (size_ == 1) {
        job(0);
        return;
    }
    job_ = &job;
    job_unfinished_.store(size_ - 1, std::memory_order_relaxed);
    const unsigned finished = finished_generation_.load(std::memory_order_relaxed);
    job_generation_.fetch_add(1, std::memory_order_release);
    job_generation_.notify_all();
    job(0);
    wait_for_change(finished_generation_, finished);
}

void ForceWorkers::helper_main(int member)
{
    unsigned seen = 0;
    for (;;) {
        wait_for_change(job_generation_, seen);
        seen = job_generation_.load(std::memory_order_acquire);
        if (quit_.load(std::memory_order_acquire)) return;
        (*job_)(member);
        if (job_unfinished_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            finished_generation_.fetch_add(1, std::memory_order_release);
            finished_generation_.notify_all();
        }
    }
}

void ForceWorkers::barrier()
{
    if (size_ == 1) return;
    const unsigned generation = barrier_generation_.load(std::memory_order_acquire);
    if (barrier_waiting_.fetch_add(1, std::memory_order_acq_rel) == size_ - 1) {
        barrier_waiting_.store(0, std::memory_order_relaxed);
        barrier_generation_.fetch_add(1, std::memory_order_release);
        barrier_generation_.notify_all();
        return;
    }
    wait_for_change(barrier_generation_, generation);
}

}  // namespace orbilan
