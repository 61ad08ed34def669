#include "engine/WorkerPool.h"

#include <algorithm>
#include <chrono>
#include <pthread.h>
#include <sched.h>

namespace ravelin {

namespace {

// How long a thread watches for the other before it sleeps.
constexpr auto kWatch = std::chrono::microseconds(300);
// Helpers that end a job this much later than the caller are held up by other work on
// their processors (a segment takes some 10 to 40 µs on a free one).
constexpr auto kLate = std::chrono::microseconds(100);

// Whether ready() became true within the time given, asked in a tight loop.
template <typename Ready> bool Watch(Ready ready, std::chrono::microseconds time = kWatch)
{
    const auto until = std::chrono::steady_clock::now() + time;
    for (;;) {
        for (int i = 0; i < 64; ++i) {
            if (ready())
                return true;
#if defined(__x86_64__) || defined(__i386__)
            __builtin_ia32_pause();
#endif
        }
        if (std::chrono::steady_clock::now() >= until)
            return ready();
    }
}

} // namespace

unsigned WorkerPool::Processors()
{
    // Those the process may run on (taskset, a container's share), not the machine's.
    static const unsigned count = [] {
        cpu_set_t set;
        if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
            return static_cast<unsigned>(CPU_COUNT(&set));
        return std::max(std::thread::hardware_concurrency(), 1u);
    }();
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
        m_stopping.store(true);
    }
    m_wake.notify_all();
    for (int i = 0; i < m_helperCount; ++i)
        m_helpers[i].join();
}

void WorkerPool::EnsureHelpers(int count)
{
    if (m_helperCount == 0 && count > 0 && sched_getaffinity(0, sizeof m_allowed, &m_allowed) != 0)
        CPU_ZERO(&m_allowed);
    for (; m_helperCount < count; ++m_helperCount) {
        m_pinnedAway = -1; // the new helper may run anywhere
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
        const auto posted = [&] {
            return m_stopping.load(std::memory_order_acquire) ||
                   m_generation.load(std::memory_order_acquire) != seen;
        };
        // A new helper sleeps until its first job: it may have been started early, beside
        // other work on the processor it was given.
        if (seen != 0 && m_beside.load(std::memory_order_relaxed))
            Watch(posted);
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

void WorkerPool::Start(int workers)
{
    EnsureHelpers(std::min(workers, kMaxWorkers) - 1);
    KeepHelpersOffThisProcessor();
}

namespace {

bool RunOn(std::thread& t, const cpu_set_t& processors)
{
    return pthread_setaffinity_np(t.native_handle(), sizeof processors, &processors) == 0;
}

// Lets t run on the processors of allowed but the one the caller is on now, if that
// leaves any; returns whether it did.
bool KeepOff(std::thread& t, cpu_set_t allowed)
{
    const int here = sched_getcpu();
    if (here < 0 || here >= CPU_SETSIZE)
        return false;
    CPU_CLR(here, &allowed);
    return CPU_COUNT(&allowed) > 0 && RunOn(t, allowed);
}

} // namespace

void KeepOffThisProcessor(std::thread& t)
{
    cpu_set_t allowed;
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0)
        KeepOff(t, allowed);
}

void LetRunAnywhere(std::thread& t)
{
    cpu_set_t allowed;
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0)
        RunOn(t, allowed);
}

// The helpers work beside the caller, not by turns with it (see KeepOffThisProcessor),
// on the processors the first of them was started with; done again only when the
// caller has moved.
void WorkerPool::KeepHelpersOffThisProcessor()
{
    const int here = sched_getcpu();
    if (here < 0 || here == m_pinnedAway || m_helperCount == 0)
        return;
    bool beside = true;
    for (int i = 0; i < m_helperCount; ++i)
        beside = KeepOff(m_helpers[i], m_allowed) && beside;
    m_beside.store(beside, std::memory_order_relaxed);
    m_pinnedAway = here;
}

void WorkerPool::RunErased(int workers, void (*call)(void*, int), void* body)
{
    Job job;
    job.call = call;
    job.body = body;
    job.workers = workers < 1 ? 1 : workers > kMaxWorkers ? kMaxWorkers : workers;
    // After helpers came late to the end of two jobs running, their processors are busy
    // with other work: the caller goes on alone for a while, then tries them again.
    if (m_aloneJobs > 0) {
        --m_aloneJobs;
        job.workers = 1;
    }
    if (job.workers > 1)
        EnsureHelpers(job.workers - 1);
    const bool shared = job.workers > 1 && m_helperCount > 0;
    if (shared) {
        KeepHelpersOffThisProcessor();
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
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_job = nullptr;
        }
        // A helper's last act on the job is the decrement: the job may go once it is 0.
        const auto done = [&] { return job.active.load(std::memory_order_acquire) == 0; };
        const bool beside = m_beside.load(std::memory_order_relaxed);
        const bool onTime = beside && Watch(done, kLate);
        if (beside)
            m_lateJobs = onTime ? 0 : m_lateJobs + 1;
        if (m_lateJobs >= 2) {
            m_lateJobs = 0;
            m_aloneJobs = kAloneJobs;
        }
        if (!onTime && !(beside && Watch(done, kWatch - kLate))) {
            // A helper still works, held up on a processor that other work takes too:
            // it may move to this one, which now waits, and is kept off it again next job.
            if (beside) {
                for (int i = 0; i < m_helperCount; ++i)
                    RunOn(m_helpers[i], m_allowed);
                m_beside.store(false, std::memory_order_relaxed);
                m_pinnedAway = -1;
            }
            std::unique_lock<std::mutex> lock(m_mutex);
            m_idle.wait(lock, done);
        }
    }
}

} // namespace ravelin
