#include "imaging/memorybudget.h"

#include <cassert>
#include <string>
#include <utility>

#include "common/error.h"
#include "i18n/translate.h"

namespace vexaris::imaging {

namespace {

std::string megabytes(uint64_t bytes)
{
    return std::to_string((bytes + (uint64_t(1) << 20) - 1) >> 20);
}

[[noreturn]] void refuse(uint64_t bytes, uint64_t limit)
{
    throw Error(formatText(_("Reading the picture would take %s MB of memory, more than the %s MB allowed"),
        {megabytes(bytes), megabytes(limit)}));
}

} // namespace

MemoryBudget::Lease::Lease(Lease &&other) noexcept
    : m_budget(std::exchange(other.m_budget, nullptr))
    , m_bytes(std::exchange(other.m_bytes, 0))
{
}

MemoryBudget::Lease &MemoryBudget::Lease::operator=(Lease &&other) noexcept
{
    if (this != &other) {
        release();
        m_budget = std::exchange(other.m_budget, nullptr);
        m_bytes = std::exchange(other.m_bytes, 0);
    }
    return *this;
}

void MemoryBudget::Lease::release()
{
    if (m_budget && m_bytes > 0)
        m_budget->giveBack(m_bytes);
    m_bytes = 0;
}

bool MemoryBudget::Lease::grow(uint64_t more)
{
    assert(m_budget);
    MemoryBudget &budget = *m_budget;
    if (more > budget.m_limit - m_bytes)
        refuse(m_bytes + more, budget.m_limit);
    std::lock_guard lock(budget.m_mutex);
    if (budget.m_serving != budget.m_nextTicket || more > budget.m_limit - budget.m_used)
        return false;
    budget.m_used += more;
    m_bytes += more;
    return true;
}

MemoryBudget::MemoryBudget(uint64_t limit)
    : m_limit(limit)
{
}

MemoryBudget::Lease MemoryBudget::acquire(uint64_t bytes)
{
    if (bytes > m_limit)
        refuse(bytes, m_limit);
    if (bytes == 0)
        return Lease(this, 0);
    std::unique_lock lock(m_mutex);
    const uint64_t ticket = m_nextTicket++;
    m_changed.wait(lock, [&] { return ticket == m_serving && bytes <= m_limit - m_used; });
    m_used += bytes;
    ++m_serving;
    lock.unlock();
    // The next in line may fit beside this one.
    m_changed.notify_all();
    return Lease(this, bytes);
}

void MemoryBudget::giveBack(uint64_t bytes)
{
    {
        std::lock_guard lock(m_mutex);
        m_used -= bytes;
    }
    m_changed.notify_all();
}

uint64_t MemoryBudget::used() const
{
    std::lock_guard lock(m_mutex);
    return m_used;
}

size_t MemoryBudget::waiting() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<size_t>(m_nextTicket - m_serving);
}

MemoryBudget &processDecodeBudget()
{
    static MemoryBudget budget(kDecodeBudgetBytes);
    return budget;
}

} // namespace vexaris::imaging
