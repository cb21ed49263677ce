#include "kit/graphics/ProjectiveImageBands.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace kit::projectiveimage {

namespace {

class ProjectiveBandPool {
public:
    ~ProjectiveBandPool()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        for (std::thread& t : m_threads)
            t.join();
    }

    void share(int helpers, void (*work)(void*), void* context)
    {
        Job job { work, context, helpers };
        {
            std::unique_lock lock(m_mutex, std::try_to_lock);
            if (!lock.owns_lock() || m_job || m_stopping) {
                lock.unlock();
                work(context);
                return;
            }
            while (int(m_threads.size()) < helpers)
                m_threads.emplace_back([this] { serve(); });
            m_job = &job;
            ++m_generation;
        }
        m_wake.notify_all();
        work(context);
        std::unique_lock lock(m_mutex);
        m_job = nullptr; // no one joins from here on
        m_done.wait(lock, [&] { return job.active == 0; });
    }

private:
    struct Job {
        void (*work)(void*);
        void* context;
        int wanted;
        int joined = 0;
        int active = 0;
    };

    void serve()
    {
        std::unique_lock lock(m_mutex);
        std::uint64_t seen = 0;
        for (;;) {
            m_wake.wait(lock, [&] { return m_stopping || (m_job && m_generation != seen && m_job->joined < m_job->wanted); });
            if (m_stopping)
                return;
            seen = m_generation;
            Job* job = m_job;
            ++job->joined;
            ++job->active;
            lock.unlock();
            job->work(job->context);
            lock.lock();
            if (--job->active == 0)
                m_done.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake, m_done;
    std::vector<std::thread> m_threads;
    Job* m_job = nullptr;
    std::uint64_t m_generation = 0;
    bool m_stopping = false;
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
