#include "engine/files/filenames.h"
#include "platform/checklist.h"
#include "platform/combobox.h"
#include "platform/drivelist.h"
#include "platform/folderlist.h"
#include "support/windowtest.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

// The list and combo controls the windows are built from, each on its own.
class ListControlsTest : public QObject
{
    Q_OBJECT
private slots:
    void checkListOrder();
    void checkListCurrentEntryAndTicks();
    void checkListShowsItsFocus_data();
    void checkListShowsItsFocus();
    void comboTypingAndPicking();
    void driveOf_data();
    void driveOf();
    void driveRefreshKeepsTheChosenDrive();
    void folderMoving_data();
    void folderMoving();
    void folderEntriesAndEntering();
};

// Entries keep to alphabetical order, case aside, however they arrive.
void ListControlsTest::checkListOrder()
{
    CheckList list;
    for (const QStringList& batch : { QStringList { "a1", "a3" }, { "A2" }, { "a0", "Z" } })
        list.addItems(batch);
    QCOMPARE(testing::listedNames(list), QStringList({ "a0", "a1", "A2", "a3", "Z" }));
}

void ListControlsTest::checkListCurrentEntryAndTicks()
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

void ListControlsTest::checkListShowsItsFocus_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::newRow("entries") << QStringList { "a", "b" };
    QTest::newRow("empty") << QStringList {};
}

// Tabbing into the list marks it, though no entry becomes current; tabbing out takes the mark away.
void ListControlsTest::checkListShowsItsFocus()
{
    QFETCH(QStringList, names);
    QWidget window;
    auto* before = new QLineEdit(&window);
    auto* list = new CheckList(&window);
    list->setGeometry(0, 40, 150, 100);
    list->addItems(names);
    QSignalSpy clicks(list, &CheckList::Click);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    before->setFocus();
    const QImage unfocused = list->viewport()->grab().toImage();

    QTest::keyClick(before, Qt::Key_Tab);
    QVERIFY(list->hasFocus());
    QVERIFY(list->viewport()->grab().toImage() != unfocused);
    QCOMPARE(list->ListIndex(), -1);
    QCOMPARE(clicks.count(), 0);
    QTest::keyClick(list, Qt::Key_Tab);
    QVERIFY(before->hasFocus());
    QCOMPARE(list->viewport()->grab().toImage(), unfocused);
}

void ListControlsTest::comboTypingAndPicking()
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

void ListControlsTest::driveOf_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("drive");
    // clang-format off
    QTest::newRow("plain folder") << "/home/ann" << "/";
    QTest::newRow("inside a mount") << "/media/usb/docs" << "/media/usb";
    QTest::newRow("deeper mount wins") << "/media/usb/card/x" << "/media/usb/card";
    QTest::newRow("name only beginning like a mount") << "/media/usbstick" << "/";
    QTest::newRow("unclean path") << "/media//usb/./docs/" << "/media/usb";
    // clang-format on
}

void ListControlsTest::driveOf()
{
    QFETCH(QString, path);
    QFETCH(QString, drive);
    QCOMPARE(DriveList::drives().first(), QString("/"));
    QVERIFY(!DriveList::drives().contains("/proc"));
    DriveList list;
    list.clear();
    list.addItems({ "/", "/media/usb", "/media/usb/card" });
    QCOMPARE(list.driveOf(path), drive);
}

// The list reads the drives again when it opens; the chosen one stays even when it has gone.
void ListControlsTest::driveRefreshKeepsTheChosenDrive()
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

void ListControlsTest::folderMoving_data()
{
    QTest::addColumn<QString>("target"); // relative to the temporary folder
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("path"); // where the list stands afterwards
    QTest::newRow("trailing separator dropped") << "sub/" << true << "sub";
    QTest::newRow("doubled separators") << "sub//deeper" << true << "sub/deeper";
    QTest::newRow("same folder spelled otherwise") << "sub/.." << true << "";
    QTest::newRow("missing folder") << "nowhere" << false << "";
    QTest::newRow("a file") << "file.txt" << false << "";
}

void ListControlsTest::folderMoving()
{
    QFETCH(QString, target);
    QFETCH(bool, accepted);
    QFETCH(QString, path);
    QTemporaryDir root;
    QDir(root.path()).mkpath("sub/deeper");
    QFile(root.filePath("file.txt")).open(QIODevice::WriteOnly);
    const QString base = QDir::cleanPath(root.path());

    FolderList list;
    QVERIFY(list.setPath(base));
    QSignalSpy spy(&list, &FolderList::Change);
    QCOMPARE(list.setPath(base + "/" + target), accepted);
    QCOMPARE(list.Path(), path.isEmpty() ? base : base + "/" + path);
    QCOMPARE(spy.count(), path.isEmpty() ? 0 : 1); // only a move to another folder is a change
}

void ListControlsTest::folderEntriesAndEntering()
{
    QTemporaryDir root;
    for (const char* sub : { "beta/inner", "Alpha", ".hidden" })
        QDir(root.path()).mkpath(sub);
    // A name that is not UTF-8 (Latin-1 "café") shows its stray byte as U+FFFD and keeps its bytes.
    QCOMPARE(::mkdir((QFile::encodeName(root.path()) + "/caf\xe9").constData(), 0755), 0);
    const QString base = QDir::cleanPath(root.path());
    FolderList list;
    list.setPath(base);
    QCOMPARE(list.item(0)->text(), QString("/"));
    QCOMPARE(list.ancestorCount(), base.count('/') + 1);
    QCOMPARE(list.item(list.ancestorCount() - 1)->text(), QDir(base).dirName());
    QCOMPARE(list.count() - list.ancestorCount(), 3);
    QCOMPARE(list.item(list.ancestorCount())->text(), QString("Alpha"));
    QCOMPARE(list.item(list.ancestorCount() + 2)->text(), QString("caf\uFFFD"));

    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    const QPoint beta = list.visualItemRect(list.item(list.ancestorCount() + 1)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, beta);
    QCOMPARE(list.Path(), base);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, beta);
    QCOMPARE(list.Path(), base + "/beta");
    list.setCurrentRow(list.ancestorCount());
    QTest::keyClick(&list, Qt::Key_Return);
    QCOMPARE(list.Path(), base + "/beta/inner");
    list.setCurrentRow(0);
    QTest::keyClick(&list, Qt::Key_Enter);
    QCOMPARE(list.Path(), QString("/"));

    list.setPath(base);
    list.setCurrentRow(list.ancestorCount() + 2);
    QTest::keyClick(&list, Qt::Key_Return);
    QCOMPARE(engine::encodeFileName(list.Path()), QFile::encodeName(base) + "/caf\xe9");
    QCOMPARE(list.item(list.ancestorCount() - 1)->text(), QString("caf\uFFFD"));
    // The temporary folder cannot remove a name that is not UTF-8.
    ::rmdir((QFile::encodeName(base) + "/caf\xe9").constData());
}

QTEST_MAIN(ListControlsTest)
#include "tst_listcontrols.moc"
