#include "platform/drivelist.h"

#include <QSignalSpy>
#include <QTest>

using platform::DriveList;

class DriveListTest : public QObject
{
    Q_OBJECT
private slots:
    void driveOf_data();
    void driveOf();
    void refreshKeepsTheChosenDrive();
};

void DriveListTest::driveOf_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("drive");
    QTest::newRow("plain folder") << "/home/ann"
                                  << "/";
    QTest::newRow("inside a mount") << "/media/usb/docs"
                                    << "/media/usb";
    QTest::newRow("deeper mount wins") << "/media/usb/card/x"
                                       << "/media/usb/card";
    QTest::newRow("name only beginning like a mount") << "/media/usbstick"
                                                      << "/";
    QTest::newRow("unclean path") << "/media//usb/./docs/"
                                  << "/media/usb";
}

void DriveListTest::driveOf()
{
    QFETCH(QString, path);
    QFETCH(QString, drive);
    DriveList list;
    QCOMPARE(DriveList::drives().first(), QString("/"));
    QVERIFY(!DriveList::drives().contains("/proc"));
    list.clear();
    list.addItems({ "/", "/media/usb", "/media/usb/card" });
    QCOMPARE(list.driveOf(path), drive);
}

void DriveListTest::refreshKeepsTheChosenDrive()
{
    DriveList list;
    list.addItems({ "/gone-a", "/gone-b" });
    list.setCurrentIndex(list.findText("/gone-a"));
    QSignalSpy changes(&list, &DriveList::Change);
    list.Refresh();
    QCOMPARE(list.Drive(), QString("/gone-a"));
    QCOMPARE(list.findText("/gone-b"), -1);
    QCOMPARE(list.itemText(0), QString("/"));
    QCOMPARE(changes.count(), 0);
}

QTEST_MAIN(DriveListTest)
#include "tst_drivelist.moc"
