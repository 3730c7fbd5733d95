// Files worked on several at once and reported in their order: stops, and files that must be alone.
#include "cli/orderedwork.h"

#include <algorithm>
#include <atomic>
#include <QTest>
#include <thread>
#include <vector>

class OrderedWorkTest : public QObject
{
    Q_OBJECT

private slots:
    void reportsInOrder_data()
    {
        QTest::addColumn<int>("threads");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("refusedAt"); // the item whose work stops the run, or -1
        QTest::addColumn<int>("signalAfter"); // the report after which a stop is asked, or -1
        QTest::addColumn<int>("aloneEvery"); // every n-th item must be worked on alone, or 0

        QTest::newRow("one thread, all") << 1 << 50 << -1 << -1 << 0;
        QTest::newRow("four threads, all") << 4 << 200 << -1 << -1 << 0;
        QTest::newRow("more threads than items") << 4 << 2 << -1 << -1 << 0;
        QTest::newRow("no items") << 3 << 0 << -1 << -1 << 0;
        QTest::newRow("one thread, refusal") << 1 << 50 << 7 << -1 << 0;
        QTest::newRow("threads, refusal") << 3 << 100 << 20 << -1 << 0;
        QTest::newRow("refusal of the last") << 2 << 10 << 9 << -1 << 0;
        QTest::newRow("one thread, signal") << 1 << 50 << -1 << 4 << 0;
        QTest::newRow("threads, signal") << 4 << 100 << -1 << 30 << 0;
        QTest::newRow("some alone") << 3 << 60 << -1 << -1 << 5;
        QTest::newRow("all alone") << 4 << 30 << -1 << -1 << 1;
        QTest::newRow("alone, refusal") << 3 << 60 << 12 << -1 << 4;
    }

    // Every item begun is reported, in order and once; none begins after a stop but those in hand;
    // an item that must be alone never shares the threads with another.
    void reportsInOrder()
    {
        QFETCH(int, threads);
        QFETCH(int, count);
        QFETCH(int, refusedAt);
        QFETCH(int, signalAfter);
        QFETCH(int, aloneEvery);

        std::vector<std::atomic<int>> workedOn(std::size_t(count) + 1);
        std::atomic<int> inHand = 0;
        std::atomic<bool> aloneShared = false;
        std::atomic<bool> badWorker = false;
        std::atomic<std::size_t> reportedSoFar = 0;
        std::atomic<bool> tooFarAhead = false;
        std::atomic<bool> stopAsked = false;
        std::vector<std::size_t> reported;
        std::thread::id caller = std::this_thread::get_id();
        bool reportedElsewhere = false;

        cli::OrderedWork work;
        work.count = std::size_t(count);
        work.threads = threads;
        auto alone = [&](std::size_t i) {
            return aloneEvery > 0 && i % std::size_t(aloneEvery) == 0;
        };
        work.alone = alone;
        work.work = [&](std::size_t i, int worker) {
            if (worker < 0 || worker >= std::max(threads, 1))
                badWorker = true;
            if (i >= reportedSoFar + cli::itemsAhead(threads))
                tooFarAhead = true;
            const int others = inHand++;
            if (alone(i) && others > 0)
                aloneShared = true;
            ++workedOn[i];
            std::this_thread::sleep_for(std::chrono::microseconds(i % 3 == 0 ? 300 : 20));
            if (alone(i) && inHand > 1)
                aloneShared = true;
            --inHand;
            if (int(i) == refusedAt)
                stopAsked = true;
            return int(i) != refusedAt;
        };
        work.report = [&](std::size_t i) {
            reportedElsewhere = reportedElsewhere || std::this_thread::get_id() != caller;
            reported.push_back(i);
            // A slow report now and then lets the threads run as far ahead as they may.
            if (i % 16 == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            reportedSoFar = i + 1;
        };
        work.stopping = [&] {
            if (!reported.empty() && int(reported.back()) == signalAfter)
                stopAsked = true;
            return stopAsked && signalAfter >= 0;
        };
        const std::size_t begun = cli::runInOrder(work);

        QCOMPARE(reported.size(), begun);
        for (std::size_t i = 0; i < reported.size(); ++i)
            QCOMPARE(reported[i], i);
        for (std::size_t i = 0; i < std::size_t(count); ++i)
            QCOMPARE(workedOn[i].load(), i < begun ? 1 : 0);
        QVERIFY(!reportedElsewhere);
        QVERIFY(!badWorker);
        QVERIFY(!tooFarAhead); // a run keeps room for the items ahead only
        QVERIFY(!aloneShared);
        // Only the items already in hand, at most the threads' look-ahead, follow a stop.
        const int stopAt = refusedAt >= 0 ? refusedAt : signalAfter;
        if (stopAt < 0)
            QCOMPARE(begun, std::size_t(count));
        else
            QVERIFY(begun >= std::size_t(stopAt) + 1
                && begun <= std::size_t(stopAt) + 1 + cli::itemsAhead(threads));
    }
};

QTEST_GUILESS_MAIN(OrderedWorkTest)
#include "tst_orderedwork.moc"
