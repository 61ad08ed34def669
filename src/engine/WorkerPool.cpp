#include "engine/WorkerPool.h"

#include <algorithm>

namespace ravelin {

unsigned WorkerPool::Processors()
{
    static const unsigned count = std::max(std::thread::hardware_concurrency(), 1u);
    return count;
}

std::size_t WorkerPool::ThreadCount(int asked, bool worthIt, std::size_t limit)
{
    constexpr auto kMost = static_cast<std::size_t>(kMaxWorkers);
    if (asked > 0)
        return std::min({static_cast<std::size_t>(asked), limit, kMost});
    if (!worthIt)
        return 1;
    return std::min({static_cast<std::size_t>(Processors()), kMost, limit});
}

WorkerPool::~WorkerPool()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (int i = 0; i < m_helperCount; ++i)
        m_helpers[i].join();
}

void WorkerPool::EnsureHelpers(int count)
{
    for (; m_helperCount < count; ++m_helperCount) {
        try {
            m_helpers[m_helperCount] = std::thread(&WorkerPool::HelperLoop, this, m_helperCount);
        } catch (...) {
            return; // no more threads to be had: the caller's thread does the rest
        }
    }
}

void WorkerPool::HelperLoop(int index)
{
    unsigned long seen = 0;
    for (;;) {
        Job* job = nullptr;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [&] { return m_stopping || (m_job && m_generation != seen); });
            if (m_stopping)
                return;
            seen = m_generation;
            if (index + 1 >= m_job->workers)
                continue;
            job = m_job;
            ++job->active;
        }
        std::fenv_t own;
        std::fegetenv(&own);
        std::fesetenv(&job->fenv);
        job->call(job->body, index + 1);
        std::fesetenv(&own);
        // Notify under the lock: once it is released the caller may return and the
        // job is gone.
        std::lock_guard<std::mutex> lock(m_mutex);
        if (--job->active == 0)
            m_idle.notify_all();
    }
}

void WorkerPool::RunErased(int workers, void (*call)(void*, int), void* body)
{
    Job job;
    job.call = call;
    job.body = body;
    job.workers = workers < 1 ? 1 : workers > kMaxWorkers ? kMaxWorkers : workers;
    if (job.workers > 1)
        EnsureHelpers(job.workers - 1);
    const bool shared = job.workers > 1 && m_helperCount > 0;
    if (shared) {
        std::fegetenv(&job.fenv);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_job = &job;
        ++m_generation;
    }
    if (shared)
        m_wake.notify_all();
    call(body, 0);
    if (shared) {
        // From here on no helper joins; wait for those that did.
        std::unique_lock<std::mutex> lock(m_mutex);
        m_job = nullptr;
        m_idle.wait(lock, [&] { return job.active == 0; });
    }
}

} // namespace ravelin
