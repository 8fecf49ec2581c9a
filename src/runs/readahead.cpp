#include "runs/readahead.h"

#include <chrono>

namespace vexaris::runs {

ReadAhead::ReadAhead(unsigned threads, imaging::MemoryBudget &budget)
    : m_budget(budget)
    , m_ownReader(budget)
{
    if (threads <= 1)
        return;
    m_workers.reserve(threads);
    for (unsigned k = 0; k < threads; ++k)
        m_workers.emplace_back([this] { work(); });
}

ReadAhead::~ReadAhead()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        m_queue.clear();
    }
    m_changed.notify_all();
    for (std::thread &worker : m_workers)
        worker.join();
}

void ReadAhead::submit(size_t key, std::filesystem::path file)
{
    if (m_workers.empty()) {
        m_own[key] = std::move(file);
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_results[key] = Result();
        m_queue.push_back({key, std::move(file)});
    }
    m_changed.notify_all();
}

void ReadAhead::work()
{
    // Each worker's own holder keeps its capacity from one file to the next.
    PictureReader reader(m_budget);
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_quit || !m_queue.empty(); });
            if (m_quit)
                return;
            job = std::move(m_queue.front());
            m_queue.pop_front();
            ++m_busy;
        }
        Result result;
        try {
            result.reading = reader.read(job.file);
        } catch (...) {
            result.failure = std::current_exception();
        }
        result.done = true;
        {
            std::lock_guard lock(m_mutex);
            --m_busy;
            const auto found = m_results.find(job.key);
            if (found != m_results.end())
                found->second = std::move(result);
        }
        m_changed.notify_all();
    }
}

PictureReading ReadAhead::take(size_t key, const std::function<void()> &idle)
{
    if (m_workers.empty()) {
        const auto found = m_own.find(key);
        const std::filesystem::path file = found->second;
        m_own.erase(found);
        return m_ownReader.read(file);
    }
    Result result;
    {
        std::unique_lock lock(m_mutex);
        // A large picture takes a while: the window goes on repainting meanwhile.
        while (!m_changed.wait_for(lock, std::chrono::milliseconds(50), [&] { return m_results[key].done; })) {
            lock.unlock();
            if (idle)
                idle();
            lock.lock();
        }
        result = std::move(m_results[key]);
        m_results.erase(key);
    }
    if (result.failure)
        std::rethrow_exception(result.failure);
    return std::move(result.reading);
}

void ReadAhead::cancel()
{
    m_own.clear();
    std::unique_lock lock(m_mutex);
    m_queue.clear();
    m_changed.wait(lock, [this] { return m_busy == 0; });
    m_results.clear();
}

} // namespace vexaris::runs
