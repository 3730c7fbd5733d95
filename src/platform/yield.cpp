#include "platform/yield.h"

#include <QCoreApplication>
#include <QElapsedTimer>

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

} // namespace platform
