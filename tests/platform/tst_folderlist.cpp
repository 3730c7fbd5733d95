#include "platform/folderlist.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using platform::FolderList;

class FolderListTest : public QObject
{
    Q_OBJECT
private slots:
    void entries();
    void moving_data();
    void moving();
    void enteringByMouseAndKeyboard();
};

namespace
{
QStringList shown(const FolderList& list)
{
    QStringList names;
    for (int i = 0; i < list.count(); ++i)
        names << list.item(i)->text();
    return names;
}
} // namespace

void FolderListTest::entries()
{
    QTemporaryDir root;
    QDir(root.path()).mkpath("top/beta");
    QDir(root.path()).mkpath("top/Alpha");
    QDir(root.path()).mkpath("top/gamma");
    QDir(root.path()).mkpath("top/.hidden");
    QFile file(root.filePath("top/file.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));

    FolderList list;
    QVERIFY(list.setPath(root.filePath("top")));
    const QStringList ancestors = QDir::cleanPath(root.filePath("top")).split('/', Qt::SkipEmptyParts);
    QCOMPARE(list.ancestorCount(), ancestors.size() + 1);
    QCOMPARE(list.item(0)->text(), QString("/"));
    QCOMPARE(shown(list).mid(1, ancestors.size()), ancestors);
    QCOMPARE(shown(list).mid(list.ancestorCount()), (QStringList { "Alpha", "beta", "gamma" }));
    QCOMPARE(list.currentRow(), list.ancestorCount() - 1);
    QCOMPARE(list.folderAt(list.ancestorCount()), root.filePath("top/Alpha"));
    QCOMPARE(list.folderAt(list.count()), QString());

    QVERIFY(list.setPath("/"));
    QCOMPARE(list.Path(), QString("/"));
    QCOMPARE(list.ancestorCount(), 1);
}

void FolderListTest::moving_data()
{
    QTest::addColumn<QString>("target"); // relative to the temporary folder; "" is the folder itself
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("path"); // where the list stands afterwards, relative as above
    QTest::addColumn<int>("changes");
    QTest::newRow("into a subfolder") << "sub" << true << "sub" << 1;
    QTest::newRow("trailing separator dropped") << "sub/" << true << "sub" << 1;
    QTest::newRow("doubled separators") << "sub//deeper" << true << "sub/deeper" << 1;
    QTest::newRow("same folder again") << "" << true << "" << 0;
    QTest::newRow("same folder spelled otherwise") << "sub/.." << true << "" << 0;
    QTest::newRow("missing folder") << "nowhere" << false << "" << 0;
    QTest::newRow("a file") << "file.txt" << false << "" << 0;
}

void FolderListTest::moving()
{
    QFETCH(QString, target);
    QFETCH(bool, accepted);
    QFETCH(QString, path);
    QFETCH(int, changes);

    QTemporaryDir root;
    QDir(root.path()).mkpath("sub/deeper");
    QFile file(root.filePath("file.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QString base = QDir::cleanPath(root.path());

    FolderList list;
    QVERIFY(list.setPath(base));
    QSignalSpy spy(&list, &FolderList::Change);
    QCOMPARE(list.setPath(base + "/" + target), accepted);
    QCOMPARE(list.Path(), path.isEmpty() ? base : base + "/" + path);
    QCOMPARE(spy.count(), changes);
    QVERIFY(!list.setPath(""));
}

void FolderListTest::enteringByMouseAndKeyboard()
{
    QTemporaryDir root;
    QDir(root.path()).mkpath("a/b");
    const QString base = QDir::cleanPath(root.path());
    FolderList list;
    list.setPath(base);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QSignalSpy spy(&list, &FolderList::Change);

    // A single click only highlights.
    const int sub = list.ancestorCount();
    const QPoint at = list.visualItemRect(list.item(sub)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(list.Path(), base);

    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(list.Path(), base + "/a");

    list.setCurrentRow(list.ancestorCount());
    QTest::keyClick(&list, Qt::Key_Return);
    QCOMPARE(list.Path(), base + "/a/b");

    // Up to an ancestor.
    list.setCurrentRow(list.ancestorCount() - 3);
    QTest::keyClick(&list, Qt::Key_Enter);
    QCOMPARE(list.Path(), base);
    QCOMPARE(spy.count(), 3);
}

QTEST_MAIN(FolderListTest)
#include "tst_folderlist.moc"
