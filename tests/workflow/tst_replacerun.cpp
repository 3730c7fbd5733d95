// The replace run behind cmdReplace: its checks, messages, summary and what it leaves on the window.
#include "platform/yield.h"
#include "replacefixture.h"
#include "richtext/rtftext.h"

#include <atomic>
#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QtTest>

class ReplaceRunTest : public QObject
{
    Q_OBJECT
private slots:
    void summary_data();
    void summary();
    void refusals_data();
    void refusals();
    void eventsDuringARun();
    void waitsThatCannotBeDivided();
};

void ReplaceRunTest::summary_data()
{
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QStringList>("ticked");
    QTest::addColumn<QString>("caption");
    const QStringList both = { "a.txt", "b.txt" }, one = { "a.txt" };
    QTest::newRow("one string in two files")
        << QByteArray("cat") << both << "1 String found scanning 2 files";
    QTest::newRow("no match anywhere") << QByteArray("dog") << both << "0 Strings found scanning 2 files";
    QTest::newRow("one of two files ticked") << QByteArray("cat") << one << "1 String found scanning 1 file";
    QTest::newRow("two strings in one of two files")
        << QByteArray("cat cat") << one << "2 Strings found scanning 1 file";
    QTest::newRow("counted from 9 to 10")
        << QByteArray("cat ").repeated(10) << one << "10 Strings found scanning 1 file";
    QTest::newRow("counted from 99 to 100")
        << QByteArray("cat ").repeated(100) << one << "100 Strings found scanning 1 file";
}

void ReplaceRunTest::summary()
{
    QFETCH(QByteArray, a);
    QFETCH(QStringList, ticked);
    QFETCH(QString, caption);

    const QDateTime longAgo(QDate(2001, 2, 3), QTime(4, 5, 6));
    ReplaceFixture f;
    for (const auto& [name, content] :
        { std::pair { "a.txt", a }, std::pair { "b.txt", QByteArray("dog") } }) {
        QFile file(f.sandbox.writeFile(name, content));
        QVERIFY(
            file.open(QIODevice::ReadWrite) && file.setFileTime(longAgo, QFileDevice::FileModificationTime));
    }
    f.run(ticked, "cat", "dog");

    QCOMPARE(f.w->lblTotal->Caption(), caption);
    QCOMPARE(f.w->lblTotal->text(), caption); // as shown
    const qsizetype count = a.count("cat");
    const QString replaced = count == 1 ? "1 String" : QString::number(count) + " Strings";
    QCOMPARE(f.results(), a == "dog" ? QStringList() : QStringList { "a.txt - " + replaced + " replaced" });
    QCOMPARE(QFileInfo(f.path("a.txt")).lastModified() == longAgo, a == "dog");
    QCOMPARE(QFileInfo(f.path("b.txt")).lastModified(), longAgo); // no match: not written
    QCOMPARE(f.sandbox.readFile("b.txt"), QByteArray("dog"));
    QVERIFY(!f.w->lblTotal->isHidden() && f.w->lblScan->isHidden());
    QVERIFY(f.w->cmdUndo->isEnabled() && f.w->mnuUndo->isEnabled());
    QVERIFY(f.sandbox.prompts.messages.empty());
    QVERIFY(!QApplication::overrideCursor() && f.w->rtftext->updatesEnabled());
}

void ReplaceRunTest::refusals_data()
{
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<platform::Icon>("icon");
    QTest::newRow("nothing ticked")
        << false << "cat"
        << "Nothing Selected: Select file(s) to change by placing a Check in the box     "
        << platform::Icon::Information;
    QTest::newRow("empty find string") << true << ""
                                       << "Textmend: Nothing to replace." << platform::Icon::None;
}

void ReplaceRunTest::refusals()
{
    QFETCH(bool, ticked);
    QFETCH(QString, find);
    QFETCH(QString, shown);
    QFETCH(platform::Icon, icon);

    ReplaceFixture f;
    f.sandbox.writeFile("a.txt", "cat");
    f.before = [&f] {
        f.w->lstResults->addItem("old.txt - 1 String replaced");
        f.w->lblTotal->setCaption("1 String found scanning 1 file");
    };
    f.run(ticked ? QStringList { "a.txt" } : QStringList(), find, "dog");

    QCOMPARE(testing::shownMessages(f.sandbox), QStringList { shown });
    QCOMPARE(f.sandbox.prompts.messages[0].icon, icon);
    QCOMPARE(f.sandbox.readFile("a.txt"), QByteArray("cat"));
    // Nothing ticked changes nothing; an empty find string clears the results and enables Undo.
    QCOMPARE(QStringList({ QString::number(f.results().size()), f.w->lblTotal->Caption(), f.w->Text2,
                 f.w->cmdUndo->isEnabled() ? "Undo" : "no Undo" }),
        ticked ? QStringList({ "0", "0", "dog", "Undo" })
               : QStringList({ "1", "1 String found scanning 1 file", "", "no Undo" }));
}

// A keystroke and a close arrive at the first yield, while a.txt is being processed: the keystroke is
// dropped, the close waits for a.txt to be done. The same keystroke outside a run reaches the box.
void ReplaceRunTest::eventsDuringARun()
{
    ReplaceFixture f;
    f.sandbox.writeFile("a.txt", "cat");
    f.sandbox.writeFile("b.txt", "cat");
    const auto typeX = [&f] {
        QCoreApplication::postEvent(
            f.w->Replaceme, new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x"));
    };
    f.before = [&] {
        typeX();
        QCoreApplication::postEvent(f.w.get(), new QCloseEvent);
        QThread::msleep(30);
    };
    f.run({ "a.txt", "b.txt" }, "cat", "dog");
    platform::DoEventsNow();

    QCOMPARE(f.results() << f.w->lblTotal->Caption() << f.sandbox.readFile("b.txt")
                         << f.w->Replaceme->toPlainText(),
        QStringList({ "a.txt - 1 String replaced", "1 String found scanning 2 files", "cat", "dog" }));
    QVERIFY(!f.w->isVisible());
    QCOMPARE(f.sandbox.setting("Dir1"), f.w->Dir1->Path()); // the usual closing sequence ran
    typeX();
    platform::DoEventsNow();
    QCOMPARE(f.w->Replaceme->toPlainText(), QString("xdog"));
}

// The flush at the end of a run is one wait the window cannot divide: it waits on a thread of its own,
// and the window answers meanwhile.
void ReplaceRunTest::waitsThatCannotBeDivided()
{
    std::atomic<bool> answered = false;
    QTimer::singleShot(0, [&] {
        answered = true;
    });
    QVERIFY(platform::WaitYielding([&] {
        QThread::msleep(200);
        return answered.load();
    }));
    QVERIFY(!platform::WaitYielding([] {
        return false;
    }));
}

QTEST_MAIN(ReplaceRunTest)
#include "tst_replacerun.moc"
