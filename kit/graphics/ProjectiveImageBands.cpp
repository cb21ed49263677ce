#include "kit/graphics/ProjectiveImageBands.h"

#include "kit/foundation/CrashLog.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace kit::projectiveimage {

namespace {

// Spins before a kernel wait: a frame draws dozens of pictures back to back, and a wake-up through
// the kernel costs more than many a share. Briefly: on a busy machine the spinning helpers take
// the processors the drawing thread needs, and between two pictures they spun longer than they drew.
constexpr auto SpinFor = std::chrono::microseconds(20);

inline void relax()
{
#if defined(__x86_64__) || defined(__i386__)
    _mm_pause();
#else
    std::this_thread::yield();
#endif
}

class ProjectiveBandPool {
public:
    ~ProjectiveBandPool()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
            m_stop.store(true, std::memory_order_relaxed);
        }
        m_wake.notify_all();
        for (std::thread& t : m_threads)
            t.join();
    }

    void share(int helpers, void (*work)(void*), void* context)
    {
        Job job { work, context, helpers };
        bool sleepers = false;
        {
            // Held only for moments: waiting for it costs less than drawing alone.
            std::unique_lock lock(m_mutex);
            if (m_job || m_stopping) {
                // Another thread's draw holds the pool: draw alone.
                lock.unlock();
                work(context);
                return;
            }
            while (int(m_threads.size()) < helpers)
                m_threads.emplace_back([this] {
                    CrashLog::prepareThread();
                    serve();
                });
            m_job = &job;
            job.generation = m_generation.load(std::memory_order_relaxed) + 1;
            m_generation.store(job.generation, std::memory_order_release);
            sleepers = m_sleeping > 0;
        }
        if (sleepers)
            m_wake.notify_all();
        work(context);
        std::unique_lock lock(m_mutex);
        m_job = nullptr; // no one joins from here on
        if (job.active.load(std::memory_order_relaxed) == 0)
            return;
        lock.unlock();
        for (const auto until = std::chrono::steady_clock::now() + SpinFor;
             job.active.load(std::memory_order_acquire) > 0 && std::chrono::steady_clock::now() < until;)
            relax();
        lock.lock();
        m_done.wait(lock, [&] { return job.active.load(std::memory_order_relaxed) == 0; });
    }

private:
    struct Job {
        void (*work)(void*);
        void* context;
        int wanted;
        int joined = 0;
        std::atomic<int> active { 0 }; // changed under the mutex, read by a spinning caller
        std::uint64_t generation = 0;
    };

    void serve()
    {
        std::uint64_t seen = 0;
        for (;;) {
            for (const auto until = std::chrono::steady_clock::now() + SpinFor; m_generation.load(std::memory_order_acquire) == seen
                 && !m_stop.load(std::memory_order_relaxed) && std::chrono::steady_clock::now() < until;)
                relax();
            std::unique_lock lock(m_mutex);
            const auto joinable = [&] { return m_job && m_job->generation != seen && m_job->joined < m_job->wanted; };
            if (!m_stopping && !joinable()) {
                // This share is full or over: wait for the next one.
                seen = m_generation.load(std::memory_order_relaxed);
                ++m_sleeping;
                m_wake.wait(lock, [&] { return m_stopping || joinable(); });
                --m_sleeping;
            }
            if (m_stopping)
                return;
            Job* job = m_job;
            seen = job->generation;
            ++job->joined;
            job->active.fetch_add(1, std::memory_order_relaxed);
            lock.unlock();
            job->work(job->context);
            lock.lock();
            if (job->active.fetch_sub(1, std::memory_order_release) == 1)
                m_done.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake, m_done;
    std::vector<std::thread> m_threads;
    Job* m_job = nullptr;
    std::atomic<std::uint64_t> m_generation { 0 };
    int m_sleeping = 0;
    bool m_stopping = false;
    std::atomic<bool> m_stop { false };
};

} // namespace

int BandHelpersAvailable()
{
    static const int helpers = std::clamp(int(std::thread::hardware_concurrency()) - 1, 0, 3);
    return helpers;
}

void ShareBands(int helpers, void (*work)(void*), void* context)
{
    helpers = std::min(helpers, BandHelpersAvailable());
    if (helpers <= 0) {
        work(context);
        return;
    }
    static ProjectiveBandPool pool;
    pool.share(helpers, work, context);
}

} // namespace kit::projectiveimage
