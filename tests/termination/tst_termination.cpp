#include "termination/termination.h"

#include <csignal>
#include <QSignalSpy>
#include <QtTest>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace
{

bool blockedHere(int signalNumber)
{
    sigset_t mask;
    pthread_sigmask(SIG_SETMASK, nullptr, &mask);
    return sigismember(&mask, signalNumber) == 1;
}

} // namespace

class TerminationTest : public QObject
{
    Q_OBJECT
private slots:
    void blockedEverywhereButInChildren();
    void received_data();
    void received();
};

// A thread started afterwards inherits the mask; a child made by fork() runs with the mask of before.
void TerminationTest::blockedEverywhereButInChildren()
{
    bool blockedInThread = false;
    std::thread([&] {
        blockedInThread = blockedHere(SIGINT) && blockedHere(SIGTERM) && blockedHere(SIGHUP);
    }).join();
    QVERIFY(blockedInThread);

    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(blockedHere(SIGINT) || blockedHere(SIGTERM) || blockedHere(SIGHUP) ? 1 : 0);
    int status = -1;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
}

void TerminationTest::received_data()
{
    QTest::addColumn<QList<int>>("sent");
    QTest::addColumn<QList<int>>("told");
    QTest::newRow("SIGTERM") << QList<int> { SIGTERM } << QList<int> { SIGTERM };
    QTest::newRow("the same twice is told once") << QList<int> { SIGINT, SIGINT } << QList<int> { SIGINT };
    QTest::newRow("one of each") << QList<int> { SIGHUP, SIGINT, SIGTERM }
                                 << QList<int> { SIGINT, SIGHUP, SIGTERM };
}

// Signals sent to the process (not to a thread) before the listener exists wait, unseen, and are told
// at the event loop's first visit.
void TerminationTest::received()
{
    QFETCH(QList<int>, sent);
    QFETCH(QList<int>, told);
    for (const int signalNumber : sent)
        QCOMPARE(::kill(::getpid(), signalNumber), 0);
    QVERIFY(termination::pendingCloseSignal() != 0);

    termination::CloseRequests requests;
    QSignalSpy spy(&requests, &termination::CloseRequests::received);
    QTRY_COMPARE(spy.size(), told.size());
    QList<int> numbers;
    for (const QList<QVariant>& arguments : spy)
        numbers << arguments.at(0).toInt();
    std::sort(numbers.begin(), numbers.end());
    std::sort(told.begin(), told.end());
    QCOMPARE(numbers, told);
    QCOMPARE(termination::pendingCloseSignal(), 0);
}

// The signals are blocked before any thread starts, the test's own threads included.
int main(int argc, char* argv[])
{
    termination::blockCloseSignals();
    QCoreApplication app(argc, argv);
    TerminationTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_termination.moc"
