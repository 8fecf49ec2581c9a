// The memory that decoding pictures may hold at once. A header of a few bytes can declare a frame
// of gigabytes, and several readers at work together would each take their share; so a reader
// asks the budget for what it and its codec library are about to hold before allocating it, and
// waits while the others hold too much. A picture that needs more than the whole budget is
// refused with one line.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace vexaris::imaging {

class MemoryBudget
{
public:
    // Memory taken from a budget, given back when the lease ends.
    class Lease
    {
    public:
        Lease() = default;
        Lease(Lease &&other) noexcept;
        Lease &operator=(Lease &&other) noexcept;
        ~Lease() { release(); }

        uint64_t bytes() const { return m_bytes; }
        // Takes more without waiting. False when that would take memory that others hold or wait
        // for: the holder then lets go of everything and asks again, because a holder that
        // waited could be waiting for another holder that waits for it. Fails like acquire()
        // when the lease would exceed the whole budget.
        bool grow(uint64_t more);
        void release();

    private:
        friend class MemoryBudget;
        Lease(MemoryBudget *budget, uint64_t bytes)
            : m_budget(budget)
            , m_bytes(bytes)
        {
        }

        MemoryBudget *m_budget = nullptr;
        uint64_t m_bytes = 0;
    };

    explicit MemoryBudget(uint64_t limit);
    MemoryBudget(const MemoryBudget &) = delete;
    MemoryBudget &operator=(const MemoryBudget &) = delete;

    uint64_t limit() const { return m_limit; }

    // Waits until bytes fit beside what the other leases hold, in the order the requests came, so
    // a large picture is not passed over for ever by small ones. Alone, a request that fits the
    // budget never waits. Fails at once with one line when bytes exceed the whole budget. The
    // caller holds no other lease of this budget while it waits.
    Lease acquire(uint64_t bytes);

    uint64_t used() const;
    size_t waiting() const;

private:
    void giveBack(uint64_t bytes);

    const uint64_t m_limit;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    uint64_t m_used = 0;
    // Requests are served by ticket: m_nextTicket is the next one handed out, m_serving the one
    // whose turn it is.
    uint64_t m_nextTicket = 0;
    uint64_t m_serving = 0;
};

// What one process may spend on decoding: with the program's own few dozen megabytes this keeps
// an update run below a gigabyte, however many threads read pictures.
constexpr uint64_t kDecodeBudgetBytes = uint64_t(640) << 20;

// The budget every picture read by this process takes from: memory is the process's, not one
// reader's.
MemoryBudget &processDecodeBudget();

} // namespace vexaris::imaging
