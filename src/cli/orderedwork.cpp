#include "cli/orderedwork.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace cli
{

namespace
{
    // How far the work may run ahead of the reports, in items per thread: enough to keep every thread
    // busy while one item is slow, without holding many results nobody has printed yet.
    constexpr std::size_t AheadPerThread = 4;
    constexpr auto PollInterval = std::chrono::milliseconds(50);

    class Pool
    {
    public:
        explicit Pool(const OrderedWork& run)
            : m_run(run)
            , m_done(run.count, false)
            , m_ahead(itemsAhead(run.threads))
        {
        }

        // Nothing when not one thread could be started.
        std::optional<std::size_t> run()
        {
            std::vector<std::thread> threads;
            try {
                for (int worker = 0; worker < m_run.threads; ++worker)
                    threads.emplace_back([this, worker] {
                        work(worker);
                    });
            } catch (const std::system_error&) {
                // The system gives no more threads: those started do the work.
                if (threads.empty())
                    return std::nullopt;
            }
            for (std::size_t i = 0; waitFor(i); ++i) {
                m_run.report(i);
                if (m_run.stopping())
                    stop();
            }
            for (std::thread& thread : threads)
                thread.join();
            return m_begun;
        }

    private:
        bool mayBegin() const
        {
            if (m_stopped || m_begun >= m_run.count || m_begun >= m_reported + m_ahead || m_aloneInHand)
                return false;
            return !(m_run.alone && m_inHand > 0 && m_run.alone(m_begun));
        }

        void work(int worker)
        {
            std::unique_lock lock(m_mutex);
            for (;;) {
                m_changed.wait(lock, [this] {
                    return m_stopped || m_begun >= m_run.count || mayBegin();
                });
                if (!mayBegin())
                    return;
                const std::size_t i = m_begun++;
                m_aloneInHand = m_run.alone && m_run.alone(i);
                ++m_inHand;
                lock.unlock();
                const bool goOn = m_run.work(i, worker);
                lock.lock();
                m_done[i] = true;
                --m_inHand;
                m_aloneInHand = false;
                m_stopped = m_stopped || !goOn;
                m_changed.notify_all();
            }
        }

        // Waits until item i is done (true) or will never begin (false).
        bool waitFor(std::size_t i)
        {
            std::unique_lock lock(m_mutex);
            m_reported = i;
            m_changed.notify_all();
            for (;;) {
                if (i < m_begun && m_done[i])
                    return true;
                if (i >= m_begun && (m_stopped || i >= m_run.count))
                    return false;
                if (m_changed.wait_for(lock, PollInterval) == std::cv_status::timeout) {
                    lock.unlock();
                    const bool stopping = m_run.stopping();
                    lock.lock();
                    if (stopping) {
                        m_stopped = true;
                        m_changed.notify_all();
                    }
                }
            }
        }

        void stop()
        {
            std::lock_guard lock(m_mutex);
            m_stopped = true;
            m_changed.notify_all();
        }

        const OrderedWork& m_run;
        std::mutex m_mutex;
        std::condition_variable m_changed;
        std::vector<bool> m_done;
        const std::size_t m_ahead;
        std::size_t m_begun = 0;
        std::size_t m_reported = 0;
        int m_inHand = 0;
        bool m_aloneInHand = false;
        bool m_stopped = false;
    };
} // namespace

std::size_t itemsAhead(int threads)
{
    return AheadPerThread * std::size_t(std::max(threads, 1));
}

std::size_t runInOrder(const OrderedWork& run)
{
    if (run.threads > 1) {
        if (const std::optional<std::size_t> begun = Pool(run).run())
            return *begun;
    }
    std::size_t i = 0;
    while (i < run.count) {
        const bool goOn = run.work(i, 0);
        run.report(i++);
        if (!goOn || run.stopping())
            break;
    }
    return i;
}

} // namespace cli
