// SPDX-License-Identifier: GPL-3.0-or-later
// The runner's processes when an MPI launcher starts several of them. The main thread exchanges
// before and after the run, the simulation thread during it, never both at once.
#include <mpi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <string>
#include <utility>

#include "runner/command_line.h"
#include "runner/processes.h"

namespace orbilan {
namespace {

class MpiExchange : public SumsExchange {
public:
    explicit MpiExchange(MPI_Comm comm) : comm_(comm)
    {
        MPI_Comm_rank(comm_, &rank_);
        MPI_Comm_size(comm_, &ranks_);
        int* limit = nullptr;
        int found = 0;
        MPI_Comm_get_attr(MPI_COMM_WORLD, MPI_TAG_UB, &limit, &found);
        if (found) tag_limit_ = *limit;
    }
    int rank() const override { return rank_; }
    int ranks() const override { return ranks_; }

    void send(int to, int tag, std::vector<char> bytes) override
    {
        // Sends that the receivers took free their bytes; the rest wait.
        while (!sent_.empty()) {
            int done = 0;
            MPI_Test(&sent_.front().first, &done, MPI_STATUS_IGNORE);
            if (!done) break;
            sent_.pop_front();
        }
        sent_.emplace_back(MPI_REQUEST_NULL, std::move(bytes));
        auto& [request, data] = sent_.back();
        MPI_Isend(data.data(), static_cast<int>(data.size()), MPI_BYTE, to, checked(tag), comm_, &request);
    }

    bool try_receive(int from, int tag, char* bytes, std::size_t size) override
    {
        int arrived = 0;
        MPI_Status status;
        MPI_Iprobe(from, checked(tag), comm_, &arrived, &status);
        if (!arrived) return false;
        int count = 0;
        MPI_Get_count(&status, MPI_BYTE, &count);
        if (static_cast<std::size_t>(count) != size) abandon("the processes disagree about the force sums");
        MPI_Recv(bytes, count, MPI_BYTE, from, tag, comm_, MPI_STATUS_IGNORE);
        return true;
    }

    void gather_all(const std::vector<char>& mine, const std::vector<int>& sizes, std::vector<char>& all) override
    {
        finish_sends();
        std::vector<int> starts(sizes.size(), 0);
        int total = 0;
        for (std::size_t k = 0; k < sizes.size(); ++k) starts[k] = total, total += sizes[k];
        all.resize(static_cast<std::size_t>(total));
        MPI_Allgatherv(mine.data(), static_cast<int>(mine.size()), MPI_BYTE, all.data(), sizes.data(), starts.data(),
                       MPI_BYTE, comm_);
    }

    unsigned any_of(unsigned flags) override
    {
        unsigned any = 0;
        MPI_Allreduce(&flags, &any, 1, MPI_UNSIGNED, MPI_BOR, comm_);
        return any;
    }

    [[noreturn]] void abandon(const std::string& why) override
    {
        std::fprintf(stderr, "orbilan-run: process %d of %d: %s\n", rank_, ranks_, why.c_str());
        MPI_Abort(comm_, EXIT_INTERNAL);
        std::abort();
    }

    // The library promises tags up to 32767 only; Open MPI takes far more.
    int checked(int tag)
    {
        if (tag > tag_limit_) abandon("the MPI library numbers messages only up to " + std::to_string(tag_limit_));
        return tag;
    }

    void finish_sends()
    {
        for (auto& [request, data] : sent_) MPI_Wait(&request, MPI_STATUS_IGNORE);
        sent_.clear();
    }

private:
    MPI_Comm comm_;
    int rank_ = 0, ranks_ = 1;
    int tag_limit_ = 32767;
    std::deque<std::pair<MPI_Request, std::vector<char>>> sent_;
};

std::unique_ptr<MpiExchange> exchange;
MPI_Comm comm = MPI_COMM_NULL;

}  // namespace

Processes join_processes(int& argc, char**& argv)
{
    int provided = 0;
    MPI_Init_thread(&argc, &argv, MPI_THREAD_SERIALIZED, &provided);
    MPI_Comm_dup(MPI_COMM_WORLD, &comm);
    exchange = std::make_unique<MpiExchange>(comm);
    Processes processes{exchange->rank(), exchange->ranks(), nullptr};
    if (provided < MPI_THREAD_SERIALIZED && processes.count > 1)
        exchange->abandon("the MPI library cannot be called from the simulation thread");
    if (processes.count > 1) processes.exchange = exchange.get();
    return processes;
}

void leave_processes()
{
    exchange.reset();
    MPI_Comm_free(&comm);
    MPI_Finalize();
}

void share_bytes(const Processes& processes, std::string& bytes)
{
    if (processes.count == 1) return;
    unsigned long long size = bytes.size();
    MPI_Bcast(&size, 1, MPI_UNSIGNED_LONG_LONG, 0, comm);
    bytes.resize(size);
    // In pieces: a count of bytes is an int.
    constexpr unsigned long long PIECE = 1 << 30;
    for (unsigned long long at = 0; at < size; at += PIECE)
        MPI_Bcast(bytes.data() + at, static_cast<int>(std::min(PIECE, size - at)), MPI_BYTE, 0, comm);
}

int status_of_rank_0(const Processes& processes, int status)
{
    if (processes.count > 1) MPI_Bcast(&status, 1, MPI_INT, 0, comm);
    return status;
}

int highest_status(const Processes& processes, int status)
{
    int highest = status;
    if (processes.count > 1) MPI_Allreduce(&status, &highest, 1, MPI_INT, MPI_MAX, comm);
    return highest;
}

}  // namespace orbilan
