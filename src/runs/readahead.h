// Reading pictures ahead of the update run on worker threads. The run's own thread keeps every
// write to the database, the log and the window, in list order; the workers only do what
// depends on the file alone (PictureReader), each with a picture holder of its own. What they
// decode at once is bounded by the memory budget they share: a worker whose picture does not fit
// beside the others' waits for them.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "imaging/memorybudget.h"
#include "runs/picturereader.h"

namespace vexaris::runs {

class ReadAhead
{
public:
    // threads 1 reads every file on the calling thread when it is taken, as a run of one thread
    // always did.
    explicit ReadAhead(unsigned threads, imaging::MemoryBudget &budget = imaging::processDecodeBudget());
    ~ReadAhead();
    ReadAhead(const ReadAhead &) = delete;
    ReadAhead &operator=(const ReadAhead &) = delete;

    // How many files may be read ahead of the one taken. A reading is only a signature, so the
    // window is wide: a large picture that holds up the one taken must not leave the other
    // workers idle.
    size_t window() const { return m_workers.empty() ? 1 : 16 * m_workers.size(); }

    // Queues a file under a key of the caller's; keys are taken in any order.
    void submit(size_t key, std::filesystem::path file);
    // The reading of the file queued under the key, once it is done; its failure is raised as
    // PictureReader raises it. While waiting, idle() is called now and then (the window's events).
    PictureReading take(size_t key, const std::function<void()> &idle);
    // Forgets the files not yet begun and waits for those in progress.
    void cancel();

private:
    struct Job
    {
        size_t key;
        std::filesystem::path file;
    };
    struct Result
    {
        bool done = false;
        PictureReading reading;
        std::exception_ptr failure;
    };

    void work();

    imaging::MemoryBudget &m_budget;
    PictureReader m_ownReader; // for one thread
    std::map<size_t, std::filesystem::path> m_own;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Job> m_queue;
    std::map<size_t, Result> m_results;
    size_t m_busy = 0;
    bool m_quit = false;
    std::vector<std::thread> m_workers;
};

} // namespace vexaris::runs
