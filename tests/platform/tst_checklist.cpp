#include "platform/checklist.h"
#include "support/windowtest.h"

#include <QSignalSpy>
#include <QTest>

using platform::CheckList;

class CheckListTest : public QObject
{
    Q_OBJECT
private slots:
    void order_data();
    void order();
    void currentEntryAndClick();
    void ticksByKeyboardAndMouse();
    void manyEntries();
};

void CheckListTest::order_data()
{
    QTest::addColumn<QList<QStringList>>("batches");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("one batch") << QList<QStringList> { { "c.txt", "B.txt", "a.txt" } }
                               << QStringList { "a.txt", "B.txt", "c.txt" };
    QTest::newRow("entries added one by one")
        << QList<QStringList> { { "b" }, { "D" }, { "a" }, { "C" } } << QStringList { "a", "b", "C", "D" };
    QTest::newRow("a later batch lands between") << QList<QStringList> { { "a1", "a3" }, { "A2", "a0", "z" } }
                                                 << QStringList { "a0", "a1", "A2", "a3", "z" };
    QTest::newRow("digits and punctuation before letters")
        << QList<QStringList> { { "b", "_x", "1" } } << QStringList { "1", "_x", "b" };
}

void CheckListTest::order()
{
    QFETCH(QList<QStringList>, batches);
    QFETCH(QStringList, expected);
    CheckList list;
    for (const QStringList& batch : batches)
        list.addItems(batch);
    QCOMPARE(testing::listedNames(list), expected);
    QCOMPARE(list.SelCount(), 0);
    QCOMPARE(list.ListIndex(), -1);
}

void CheckListTest::currentEntryAndClick()
{
    CheckList list;
    list.addItems({ "a", "b", "c" });
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QSignalSpy clicks(&list, &CheckList::Click);

    // Ticking by program does not touch the current entry.
    list.setSelected(1, true);
    QCOMPARE(list.ListIndex(), -1);
    QCOMPARE(clicks.count(), 0);

    QVERIFY(list.setListIndex(2));
    QCOMPARE(clicks.count(), 1);
    QVERIFY(list.setListIndex(2));
    QCOMPARE(clicks.count(), 2);
    QVERIFY(list.setListIndex(-1));
    QCOMPARE(list.ListIndex(), -1);
    QCOMPARE(clicks.count(), 2);
    QVERIFY(!list.setListIndex(3));

    list.setListIndex(0);
    QTest::keyClick(&list, Qt::Key_Down);
    QCOMPARE(list.ListIndex(), 1);
    QCOMPARE(clicks.count(), 4);

    // Clearing reports nothing and forgets ticks.
    list.Clear();
    QCOMPARE(list.ListCount(), 0);
    QCOMPARE(list.SelCount(), 0);
    QCOMPARE(clicks.count(), 4);
}

void CheckListTest::ticksByKeyboardAndMouse()
{
    CheckList list;
    list.addItems({ "a", "b", "c" });
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QSignalSpy clicks(&list, &CheckList::Click);

    list.setListIndex(1);
    QTest::keyClick(&list, Qt::Key_Space);
    QCOMPARE(testing::tickedNames(list), QStringList { "b" });
    QTest::keyClick(&list, Qt::Key_Space);
    QCOMPARE(list.SelCount(), 0);

    // A click on an entry's check box ticks it and makes it current.
    const QRect row = list.visualRect(list.model()->index(2, 0));
    const QPoint box(row.left() + row.height() / 2, row.center().y());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, box);
    QCOMPARE(list.ListIndex(), 2);
    QCOMPARE(testing::tickedNames(list), QStringList { "c" });
    QCOMPARE(clicks.count(), 2);

    list.setAllSelected(true);
    QCOMPARE(list.SelCount(), 3);
    QCOMPARE(list.ListIndex(), 2);
}

void CheckListTest::manyEntries()
{
    // No cap at 32,767: a folder with more files shows them all.
    CheckList list;
    QStringList names;
    for (int i = 40000; i > 0; --i)
        names << QStringLiteral("f%1.txt").arg(i, 5, 10, QChar('0'));
    list.addItems(names);
    QCOMPARE(list.ListCount(), 40000);
    QCOMPARE(list.List(0), QString("f00001.txt"));
    QCOMPARE(list.List(39999), QString("f40000.txt"));
    list.setSelected(39999, true);
    QVERIFY(list.Selected(39999));
    QVERIFY(list.setListIndex(39999));
}

QTEST_MAIN(CheckListTest)
#include "tst_checklist.moc"
