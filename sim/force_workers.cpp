// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/force_workers.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace orbilan {

namespace {

// Long enough for a member to pick up the next step's work after the short serial part between
// two steps, short enough that a paused run or a preempted team gives the processor back at once.
constexpr auto SPIN_TIME = std::chrono::microseconds(30);

inline void relax()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

}  // namespace

int thread_count(int requested)
{
    return requested > 0 ? requested : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

void wait_for_change(const std::atomic<unsigned>& value, unsigned old)
{
    const auto give_up = std::chrono::steady_clock::now() + SPIN_TIME;
    for (unsigned round = 1;; ++round) {
        if (value.load(std::memory_order_acquire) != old) return;
        if (round % 64 == 0 && std::chrono::steady_clock::now() >= give_up) break;
        relax();
    }
    while (value.load(std::memory_order_acquire) == old) value.wait(old, std::memory_order_acquire);
}

ForceWorkers::ForceWorkers(int threads) : size_(threads < 1 ? 1 : threads)
{
    helpers_.reserve(static_cast<std::size_t>(size_ - 1));
    for (int member = 1; member < size_; ++member) {
        try {
            helpers_.emplace_back([this, member] { helper_main(member); });
        } catch (const std::system_error&) {
            // The system has no thread to spare: the team works with the members it has, and a
            // job gives the same bits with any number of them.
            size_ = member;
            break;
        }
    }
}

ForceWorkers::~ForceWorkers()
{
    quit_.store(true, std::memory_order_release);
    job_generation_.fetch_add(1, std::memory_order_release);
    job_generation_.notify_all();
    for (auto& helper : helpers_) helper.join();
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

void TeamChoice::record(double seconds)
{
    if (!probing_) {
        current_seconds_ += seconds;
        ++current_calls_;
        if (--calls_to_probe_ == 0) {
            probing_ = true;
            probe_seconds_ = 0;
            probe_calls_ = 0;
        }
        return;
    }
    probe_cost_ += seconds;
    if (probe_calls_++ > 0) probe_seconds_ += seconds;
    if (probe_calls_ < PROBE_CALLS) return;
    probing_ = false;
    const double current_mean = current_seconds_ / current_calls_;
    if (probe_seconds_ / (PROBE_CALLS - 1) < 0.95 * current_mean) {
        current_shared_ = !current_shared_;
        interval_ = MIN_INTERVAL;
    } else {
        // A losing probe, waking helpers on a busy core, may cost far more than its calls would
        // alone: the next comes late enough that probes take at most a fiftieth of the time. A clock
        // too coarse to see the current calls gives a mean of 0, which affords nothing more.
        const double affordable = current_mean > 0 ? probe_cost_ * 50 / current_mean : 0;
        const int stretched = static_cast<int>(std::min(affordable, double{MAX_INTERVAL}));
        interval_ = std::max(std::min(2 * interval_, DOUBLING_LIMIT), stretched);
    }
    probe_cost_ = 0;
    current_seconds_ = 0;
    current_calls_ = 0;
    calls_to_probe_ = interval_;
}

}  // namespace orbilan
