#pragma once

#include <QObject>

class QSocketNotifier;

// Ctrl+C, kill and a closed terminal (SIGINT, SIGTERM, SIGHUP) as a request to close, taken by the
// program's own thread from its event loop, never by whichever thread the kernel would pick to end.
namespace termination
{

// Blocks the three signals in the calling thread. Called first in main(), before anything starts a
// thread, it blocks them in every thread of the process, so that none of them can end the program
// halfway through a write: they wait until a CloseRequests takes them. A program started through fork()
// (a browser for the help page) gets the mask back that the process had before.
void blockCloseSignals();

// The signal among the three that waits to be taken, without taking it; 0 when none does. Lets a loop
// that has no event loop stop between two files.
int pendingCloseSignal();

// Takes the three signals from the event loop of the thread that made it and tells of each as
// received(). One that came before it was made is told at the loop's first visit. Two of a kind that
// come before the loop's next visit are told once.
class CloseRequests : public QObject
{
    Q_OBJECT
public:
    explicit CloseRequests(QObject* parent = nullptr);
    ~CloseRequests() override;
    CloseRequests(const CloseRequests&) = delete;
    CloseRequests& operator=(const CloseRequests&) = delete;

signals:
    void received(int signalNumber);

private:
    void take();

    int m_descriptor = -1;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace termination
