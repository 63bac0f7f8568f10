#pragma once

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace orbilan {

// A fixed team of threads that runs one job at a time; the calling thread is member 0. Between
// jobs the helpers spin briefly, then sleep, so a paused run costs no processor time.
class ForceWorkers {
public:
    explicit ForceWorkers(int threads);
    ~ForceWorkers();
    ForceWorkers(const ForceWorkers&) = delete;
    ForceWorkers& operator=(const ForceWorkers&) = delete;

    int size() const { return size_; }

    // Runs job(member) on every member and returns when all have finished.
    void run(const std::function<void(int member)>& job);

    // Inside a job: waits until every member has reached this point.
    void barrier();

private:
    void helper_main(int member);
    static void wait_for_change(const std::atomic<unsigned>& value, unsigned old);

    int size_;
    std::vector<std::thread> helpers_;
    const std::function<void(int)>* job_ = nullptr;
    std::atomic<unsigned> job_generation_{0};
    std::atomic<int> job_unfinished_{0};
    std::atomic<unsigned> finished_generation_{0};
    std::atomic<int> barrier_waiting_{0};
    std::atomic<unsigned> barrier_generation_{0};
    std::atomic<bool> quit_{false};
};

}  // namespace orbilan
