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
    void typingAndPicking();
};

void ComboBoxTest::typingAndPicking()
{
    ComboBox box;
    box.AddItem("*.txt");
    box.AddItem("*.doc");
    box.setText("");
    box.show();
    box.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    box.setFocus();
    QSignalSpy changes(&box, &ComboBox::Change);
    QSignalSpy clicks(&box, &ComboBox::Click);

    // Typing a listed pattern and pressing Return or leaving is no pick: one Change per key only.
    QTest::keyClicks(box.lineEdit(), "*.doc");
    QTest::keyClick(box.lineEdit(), Qt::Key_Return);
    box.clearFocus();
    QCOMPARE(changes.count(), 5);
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(box.ListIndex(), -1);

    // Picking from the drop-down.
    box.showPopup();
    QAbstractItemView* popup = box.view();
    QTest::mouseClick(
        popup->viewport(), Qt::LeftButton, {}, popup->visualRect(popup->model()->index(0, 0)).center());
    QCOMPARE(box.ListIndex(), 0);
    QCOMPARE(box.Text(), QString("*.txt"));
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(changes.count(), 5);
}

QTEST_MAIN(ComboBoxTest)
#include "tst_combobox.moc"
