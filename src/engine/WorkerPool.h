#pragma once

#include <atomic>
#include <cfenv>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <sched.h>
#include <thread>

namespace ravelin {

// Lets t run wherever the calling thread may, except on the processor it runs on now.
// t must not have ended (its id would then stand for the caller's).
// A thread started beside a busy caller was seen to start or wake on the caller's
// processor, a millisecond or more later, while the other processor of a 2-processor
// virtual machine idled; one that may not run there starts at once elsewhere.
void KeepOffThisProcessor(std::thread& t);
// Lets t run wherever the calling thread may again.
void LetRunAnywhere(std::thread& t);

// Helper threads of the block operations, started on first use and kept, waiting for
// work. A job is shared out by the job itself: each participant takes the next unit of
// a shared counter until none is left, so a thread that gets little processor time
// holds up at most the unit it has taken, and a helper that never joins costs nothing.
// Between jobs a helper, and the caller at a job's end, first watch for the other for a
// fraction of a millisecond before they sleep, where the helpers run on other processors
// than the caller: a file run posts a job every block, and waking a sleeping thread
// costs about as much as a block's share of the work.
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

    // Starts the helpers a job of `workers` will take, if they are not running yet, so that
    // their start overlaps the caller's preparations for it.
    void Start(int workers);

    // The processors of the machine, at least 1; asked of the system once, as each
    // asking reads a file, and the block operations ask for every block.
    static unsigned Processors();

  private:
    struct Job {
        void (*call)(void*, int) = nullptr;
        void* body = nullptr;
        int workers = 1;
        std::fenv_t fenv{};
        // Helpers working on it; changed under the mutex, read by the caller without it.
        std::atomic<int> active{0};
    };

    template <typename Body> static void Invoke(void* body, int worker)
    {
        (*static_cast<Body*>(body))(worker);
    }
    void RunErased(int workers, void (*call)(void*, int), void* body);
    void EnsureHelpers(int count);
    void HelperLoop(int index);
    void KeepHelpersOffThisProcessor();

    std::mutex m_mutex;
    std::condition_variable m_wake; // a job was posted, or the helpers must stop
    std::condition_variable m_idle; // a helper finished its part of a job
    Job* m_job = nullptr;           // guarded by the mutex
    // Changed under the mutex; a helper that has just finished a job watches them
    // without it for a while before it sleeps.
    std::atomic<unsigned long> m_generation{0};
    std::atomic<bool> m_stopping{false};
    std::thread m_helpers[kMaxWorkers - 1];
    int m_helperCount = 0;
    int m_pinnedAway = -1; // the processor the helpers were last kept off, or -1
    // The helpers run elsewhere than the caller: only then do they and the caller watch
    // for each other rather than sleep, as watching would take a shared processor's time.
    std::atomic<bool> m_beside{false};
    // Jobs in a row whose helpers ended late (see kLate), and the jobs the caller then
    // takes alone, after two.
    static constexpr int kAloneJobs = 64;
    int m_lateJobs = 0;
    int m_aloneJobs = 0;
    cpu_set_t m_allowed{}; // where the helpers may run: the caller's processors at their start
};

} // namespace ravelin
