// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace orbilan {

// The processes that share the force sums of a run, seen from one of them; its members call it
// one at a time. Each process holds the
// whole state and takes the same steps; only the sums are divided. The engine knows nothing of
// how the bytes travel: the runner provides the transport.
class SumsExchange {
public:
    virtual ~SumsExchange() = default;
    virtual int rank() const = 0;   // this process, from 0
    virtual int ranks() const = 0;  // how many share the sums
    // Hands the bytes to process `to` under the number `tag` and returns without waiting for it;
    // bytes sent to one process under one number arrive in the order they were sent.
    virtual void send(int to, int tag, std::vector<char> bytes) = 0;
    // The next bytes from process `from` under the number `tag`, exactly `size` of them, if they
    // have arrived.
    virtual bool try_receive(int from, int tag, char* bytes, std::size_t size) = 0;
    // Every process's bytes, in rank order, to every process; sizes[k] bytes come from process k.
    virtual void gather_all(const std::vector<char>& mine, const std::vector<int>& sizes, std::vector<char>& all) = 0;
    // The bitwise or of every process's flags, to every process.
    virtual unsigned any_of(unsigned flags) = 0;
    // Says why and ends every process at once, after a failure that only this one has seen: the
    // others would otherwise wait for it forever.
    [[noreturn]] virtual void abandon(const std::string& why) = 0;
};

}  // namespace orbilan
