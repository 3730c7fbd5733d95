#include "platform/combobox.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using platform::ComboBox;

class ComboBoxTest : public QObject
{
    Q_OBJECT
private slots:
    void notifications();
    void typingAnEntryIsNoPick();
    void entriesLeaveTheText();
};

void ComboBoxTest::notifications()
{
    ComboBox box;
    box.setText("*.txt");
    box.AddItem("*.txt");
    box.AddItem("*.doc");
    QSignalSpy changes(&box, &ComboBox::Change);
    QSignalSpy clicks(&box, &ComboBox::Click);

    box.setText("*.txt");
    QCOMPARE(changes.count(), 0);
    box.setText("*.");
    QCOMPARE(changes.count(), 1);

    QVERIFY(box.setListIndex(1));
    QCOMPARE(box.Text(), QString("*.doc"));
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(changes.count(), 1);

    // Typing: one Change per key, and no entry stays selected.
    QTest::keyClicks(box.lineEdit(), "ab");
    QCOMPARE(changes.count(), 3);
    QCOMPARE(box.ListIndex(), -1);
    QCOMPARE(box.Text(), QString("*.docab"));

    QVERIFY(!box.setListIndex(2));
    QVERIFY(!box.setListIndex(-2));
    QCOMPARE(box.Text(), QString("*.docab"));
    QCOMPARE(clicks.count(), 1);

    // Picking from the drop-down, as the user does.
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.showPopup();
    QAbstractItemView* popup = box.view();
    QTest::mouseClick(
        popup->viewport(), Qt::LeftButton, {}, popup->visualRect(popup->model()->index(0, 0)).center());
    QCOMPARE(box.ListIndex(), 0);
    QCOMPARE(clicks.count(), 2);
}

void ComboBoxTest::typingAnEntryIsNoPick()
{
    ComboBox box;
    box.AddItem("*.txt");
    box.AddItem("*.doc");
    box.setText("");
    box.show();
    box.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    box.setFocus();
    QSignalSpy clicks(&box, &ComboBox::Click);

    QTest::keyClicks(box.lineEdit(), "*.doc");
    QTest::keyClick(box.lineEdit(), Qt::Key_Return);
    box.clearFocus();
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(box.ListIndex(), -1);
    QCOMPARE(box.Text(), QString("*.doc"));
}

void ComboBoxTest::entriesLeaveTheText()
{
    ComboBox box;
    box.setText("*.md");
    QSignalSpy changes(&box, &ComboBox::Change);
    box.AddItem("*.txt");
    box.AddItem("*.txt");
    QCOMPARE(box.ListCount(), 2);
    QCOMPARE(box.Text(), QString("*.md"));

    box.setListIndex(1);
    QVERIFY(box.RemoveItem(0));
    QCOMPARE(box.ListIndex(), 0);
    QVERIFY(box.RemoveItem(0));
    QCOMPARE(box.ListIndex(), -1);
    QCOMPARE(box.Text(), QString("*.txt"));
    QVERIFY(!box.RemoveItem(0));
    QCOMPARE(changes.count(), 0);
}

QTEST_MAIN(ComboBoxTest)
#include "tst_combobox.moc"
