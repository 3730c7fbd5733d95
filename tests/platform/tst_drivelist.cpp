#include "platform/drivelist.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using platform::DriveList;

class DriveListTest : public QObject
{
    Q_OBJECT
private slots:
    void drivesOfThisMachine();
    void driveOf_data();
    void driveOf();
    void currentFolderPerDrive();
};

void DriveListTest::drivesOfThisMachine()
{
    const QStringList drives = DriveList::drives();
    QVERIFY(!drives.isEmpty());
    QCOMPARE(drives.first(), QString("/"));
    for (const QString& drive : drives) {
        for (const char* pseudo : { "/proc", "/sys", "/dev", "/run" })
            QVERIFY2(drive != pseudo && !drive.startsWith(QString(pseudo) + "/"), qPrintable(drive));
        QVERIFY2(QDir(drive).exists(), qPrintable(drive));
    }
    QCOMPARE(drives.size(), QSet<QString>(drives.begin(), drives.end()).size());

    DriveList list;
    QCOMPARE(list.Drive(), list.driveOf(QDir::currentPath()));
}

void DriveListTest::driveOf_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("drive");
    QTest::newRow("root") << "/"
                          << "/";
    QTest::newRow("plain folder") << "/home/ann"
                                  << "/";
    QTest::newRow("the mount itself") << "/media/usb"
                                      << "/media/usb";
    QTest::newRow("inside the mount") << "/media/usb/docs"
                                      << "/media/usb";
    QTest::newRow("deeper mount wins") << "/media/usb/card/x"
                                       << "/media/usb/card";
    QTest::newRow("name that only begins like a mount") << "/media/usbstick"
                                                        << "/";
    QTest::newRow("unclean path") << "/media//usb/./docs/"
                                  << "/media/usb";
}

void DriveListTest::driveOf()
{
    QFETCH(QString, path);
    QFETCH(QString, drive);
    DriveList list;
    list.clear();
    list.addItems({ "/", "/media/usb", "/media/usb/card" });
    QCOMPARE(list.driveOf(path), drive);
}

void DriveListTest::currentFolderPerDrive()
{
    QTemporaryDir root;
    QDir(root.path()).mkpath("usb/docs/old");
    const QString usb = QDir::cleanPath(root.filePath("usb"));
    DriveList list;
    list.addItem(usb);
    QSignalSpy changes(&list, &DriveList::Change);

    list.setDrive(usb + "/docs");
    QCOMPARE(list.Drive(), usb);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(list.CurrentFolder(), usb);
    list.rememberFolder(usb + "/docs/old");
    QCOMPARE(list.CurrentFolder(), usb + "/docs/old");

    // A folder deleted since leaves the drive's root.
    QVERIFY(QDir(usb + "/docs/old").removeRecursively());
    QCOMPARE(list.CurrentFolder(), usb);

    list.showDriveOf("/");
    QCOMPARE(list.Drive(), QString("/"));
    QCOMPARE(changes.count(), 1);
    list.setDrive(usb);
    QCOMPARE(changes.count(), 2);
    list.setDrive(usb);
    QCOMPARE(changes.count(), 2);
}

QTEST_MAIN(DriveListTest)
#include "tst_drivelist.moc"
