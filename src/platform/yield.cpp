#include "platform/yield.h"

#include <future>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <system_error>

namespace platform
{

namespace
{
    constexpr qint64 intervalMs = 30;

    QElapsedTimer& sinceLastVisit()
    {
        static QElapsedTimer timer;
        return timer;
    }
} // namespace

void DoEvents()
{
    QElapsedTimer& timer = sinceLastVisit();
    if (timer.isValid() && timer.elapsed() < intervalMs)
        return;
    DoEventsNow();
}

void DoEventsNow()
{
    QCoreApplication::processEvents();
    sinceLastVisit().start();
}

bool WaitYielding(const std::function<bool()>& work)
{
    std::future<bool> done;
    try {
        done = std::async(std::launch::async, work);
    } catch (const std::system_error&) {
        return work(); // no thread to be had: the wait is not divided
    }
    while (done.wait_for(std::chrono::milliseconds(intervalMs)) != std::future_status::ready)
        DoEventsNow();
    return done.get();
}

} // namespace platform
