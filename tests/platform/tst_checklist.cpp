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
    void currentEntryAndTicks();
};

void CheckListTest::order_data()
{
    QTest::addColumn<QList<QStringList>>("batches");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("one batch") << QList<QStringList> { { "c.txt", "B.txt", "a.txt" } }
                               << QStringList { "a.txt", "B.txt", "c.txt" };
    QTest::newRow("later entries land between") << QList<QStringList> { { "a1", "a3" }, { "A2" },
        { "a0", "Z" } } << QStringList { "a0", "a1", "A2", "a3", "Z" };
}

void CheckListTest::order()
{
    QFETCH(QList<QStringList>, batches);
    QFETCH(QStringList, expected);
    CheckList list;
    for (const QStringList& batch : batches)
        list.addItems(batch);
    QCOMPARE(testing::listedNames(list), expected);
}

void CheckListTest::currentEntryAndTicks()
{
    CheckList list;
    list.addItems({ "a", "b", "c" });
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QSignalSpy clicks(&list, &CheckList::Click);

    // The focus alone and ticking by program leave no entry current.
    list.setFocus();
    list.setSelected(1, true);
    QCOMPARE(list.ListIndex(), -1);
    QCOMPARE(clicks.count(), 0);

    list.setListIndex(1);
    QTest::keyClick(&list, Qt::Key_Space);
    QCOMPARE(testing::tickedNames(list), QStringList {});
    QTest::keyClick(&list, Qt::Key_Down);
    QCOMPARE(list.ListIndex(), 2);
    QCOMPARE(clicks.count(), 2);

    // A click on a check box ticks its entry and makes it current.
    const QRect row = list.visualRect(list.model()->index(0, 0));
    QTest::mouseClick(
        list.viewport(), Qt::LeftButton, {}, QPoint(row.left() + row.height() / 2, row.center().y()));
    QCOMPARE(list.ListIndex(), 0);
    QCOMPARE(testing::tickedNames(list), QStringList { "a" });
    QCOMPARE(clicks.count(), 3);
}

QTEST_MAIN(CheckListTest)
#include "tst_checklist.moc"
