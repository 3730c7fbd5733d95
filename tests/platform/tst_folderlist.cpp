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
    void moving_data();
    void moving();
    void entriesAndEntering();
};

void FolderListTest::moving_data()
{
    QTest::addColumn<QString>("target"); // relative to the temporary folder
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("path"); // where the list stands afterwards
    QTest::addColumn<int>("changes");
    QTest::newRow("trailing separator dropped") << "sub/" << true << "sub" << 1;
    QTest::newRow("doubled separators") << "sub//deeper" << true << "sub/deeper" << 1;
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
    QFile(root.filePath("file.txt")).open(QIODevice::WriteOnly);
    const QString base = QDir::cleanPath(root.path());

    FolderList list;
    QVERIFY(list.setPath(base));
    QSignalSpy spy(&list, &FolderList::Change);
    QCOMPARE(list.setPath(base + "/" + target), accepted);
    QCOMPARE(list.Path(), path.isEmpty() ? base : base + "/" + path);
    QCOMPARE(spy.count(), changes);
}

void FolderListTest::entriesAndEntering()
{
    QTemporaryDir root;
    for (const char* sub : { "beta/inner", "Alpha", ".hidden" })
        QDir(root.path()).mkpath(sub);
    const QString base = QDir::cleanPath(root.path());
    FolderList list;
    list.setPath(base);
    QCOMPARE(list.item(0)->text(), QString("/"));
    QCOMPARE(list.ancestorCount(), base.count('/') + 1);
    QCOMPARE(list.item(list.ancestorCount() - 1)->text(), QDir(base).dirName());
    QCOMPARE(list.count() - list.ancestorCount(), 2);
    QCOMPARE(list.item(list.ancestorCount())->text(), QString("Alpha"));

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
}

QTEST_MAIN(FolderListTest)
#include "tst_folderlist.moc"
