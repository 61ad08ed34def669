#pragma once

#include <cfenv>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

namespace ravelin {

// Helper threads of the block operations, started on first use and kept, waiting for
// work. A job is shared out by the job itself: each participant takes the next unit of
// a shared counter until none is left, so a thread that gets little processor time
// holds up at most the unit it has taken, and a helper that never joins costs nothing.
class WorkerPool {
  public:
    static constexpr int kMaxWorkers = 8;

    // The threads a job takes: as many as asked (asked > 0), else one per processor
    // when the job is worth it, else 1; never more than limit or kMaxWorkers.
    static std::size_t ThreadCount(int asked, bool worthIt, std::size_t limit);

    WorkerPool() = default;
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;
    ~WorkerPool();

    // Calls body(0) on this thread and body(w) for w in [1, workers) on helper threads,
    // at the same time, under the caller's floating-point environment, and returns when
    // every call has returned. A helper that cannot be started, or comes too late, makes
    // no call: body must take its units from a shared counter. workers <= kMaxWorkers.
    template <typename Body> void Run(int workers, Body& body)
    {
        RunErased(workers, &Invoke<Body>, &body);
    }

    // The processors of the machine, at least 1; asked of the system once, as each
    // asking reads a file, and the block operations ask for every block.
    static unsigned Processors();

  private:
    struct Job {
        void (*call)(void*, int) = nullptr;
        void* body = nullptr;
        int workers = 1;
        std::fenv_t fenv{};
        int active = 0; // helpers working on it; guarded by the mutex
    };

    template <typename Body> static void Invoke(void* body, int worker)
    {
        (*static_cast<Body*>(body))(worker);
    }
    void RunErased(int workers, void (*call)(void*, int), void* body);
    void EnsureHelpers(int count);
    void HelperLoop(int index);

    std::mutex m_mutex;
    std::condition_variable m_wake; // a job was posted, or the helpers must stop
    std::condition_variable m_idle; // a helper finished its part of a job
    Job* m_job = nullptr;
    unsigned long m_generation = 0;
    bool m_stopping = false;
    std::thread m_helpers[kMaxWorkers - 1];
    int m_helperCount = 0;
};

} // namespace ravelin
