#include "app/mainwindow.h"
#include "backupdir/browseme.h"
#include "backupdir/pathonly.h"
#include "platform/drivelist.h"
#include "platform/folderlist.h"
#include "platform/label.h"
#include "support/sandbox.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class BrowseMeTest : public QObject
{
    Q_OBJECT
private slots:
    void pathOnly_data();
    void pathOnly();
    void newFolderPath_data();
    void newFolderPath();
    void savedFolder();
    void closing_data();
    void closing();
    void okAtRoot();
    void moveUp();
    void createFolder();
    void folderNotMade_data();
    void folderNotMade();
};

void BrowseMeTest::pathOnly_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("parent");
    QTest::newRow("two levels down") << "/Data/Backups"
                                     << "/"
                                     << "/Data";
    QTest::newRow("one level down keeps the root") << "/Data"
                                                   << "/"
                                                   << "/";
    QTest::newRow("root stays") << "/"
                                << "/"
                                << "/";
    QTest::newRow("trailing separator") << "/Data/"
                                        << "/"
                                        << "/Data";
    QTest::newRow("no separator") << "Data"
                                  << "/"
                                  << "";
    QTest::newRow("empty") << ""
                           << "/"
                           << "";
    QTest::newRow("drive two levels down") << "C:\\Data\\Backups"
                                           << "\\"
                                           << "C:\\Data";
    QTest::newRow("drive one level down") << "C:\\Data"
                                          << "\\"
                                          << "C:\\";
    QTest::newRow("drive root stays") << "C:\\"
                                      << "\\"
                                      << "C:\\";
    QTest::newRow("drive trailing separator") << "C:\\Data\\"
                                              << "\\"
                                              << "C:\\Data";
    QTest::newRow("drive no separator") << "Data"
                                        << "\\"
                                        << "";
}

void BrowseMeTest::pathOnly()
{
    QFETCH(QString, path);
    QFETCH(QString, separator);
    QFETCH(QString, parent);
    QCOMPARE(backupdir::PathOnly(path, separator.front()), parent);
}

void BrowseMeTest::newFolderPath_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("made");
    QTest::newRow("at the root") << "/"
                                 << "/"
                                 << "/New Folder";
    QTest::newRow("below the root") << "/Data"
                                    << "/"
                                    << "/Data/New Folder";
    QTest::newRow("mount point") << "/media/usb"
                                 << "/"
                                 << "/media/usb/New Folder";
    QTest::newRow("at a drive root") << "C:\\"
                                     << "\\"
                                     << "C:\\New Folder";
    QTest::newRow("below a drive root") << "C:\\Data"
                                        << "\\"
                                        << "C:\\Data\\New Folder";
}

void BrowseMeTest::newFolderPath()
{
    QFETCH(QString, folder);
    QFETCH(QString, separator);
    QFETCH(QString, made);
    QCOMPARE(folder + backupdir::NewFolderPart(folder, "New Folder", separator.front()), made);
}

void BrowseMeTest::savedFolder()
{
    testing::Sandbox sandbox;
    MainWindow w;
    {
        BrowseMe firstUse(w);
        QCOMPARE(firstUse.Dir1->Path(), QDir::cleanPath(QDir::currentPath()));
        QCOMPARE(firstUse.txtPath->text(), firstUse.Dir1->Path());
        firstUse.Command1->click();
        QCOMPARE(w.lblDest->Caption(), QDir::cleanPath(QDir::currentPath()) + "/");
    }

    const QString saved = QDir(sandbox.workFolder()).filePath("saved");
    QDir().mkpath(saved);
    sandbox.setSetting("Dir1BU", saved);
    QGuiApplication::clipboard()->setText("something else");
    BrowseMe chooser(w);
    QCOMPARE(chooser.Dir1->Path(), saved);
    QCOMPARE(chooser.txtPath->text(), saved);
    QCOMPARE(QGuiApplication::clipboard()->text(), saved);

    // A saved folder that has gone leaves the list at the current folder.
    sandbox.setSetting("Dir1BU", saved + "/gone");
    BrowseMe afterDelete(w);
    QCOMPARE(afterDelete.Dir1->Path(), QDir::cleanPath(QDir::currentPath()));
}

void BrowseMeTest::closing_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("destination"); // "%1": the folder shown
    QTest::newRow("OK") << "ok"
                        << "%1/";
    QTest::newRow("Cancel") << "cancel"
                            << "";
    QTest::newRow("close box keeps the earlier destination") << "close"
                                                             << "/earlier/";
    QTest::newRow("Escape acts as the close box") << "escape"
                                                  << "/earlier/";
}

void BrowseMeTest::closing()
{
    QFETCH(QString, how);
    QFETCH(QString, destination);
    testing::Sandbox sandbox;
    MainWindow w;
    w.lblDest->setCaption("/earlier/");
    const QString start = QDir(sandbox.workFolder()).filePath("start");
    const QString moved = QDir(sandbox.workFolder()).filePath("moved");
    QDir().mkpath(start);
    QDir().mkpath(moved);
    sandbox.setSetting("Dir1BU", start);

    BrowseMe chooser(w);
    chooser.show();
    QVERIFY(chooser.Dir1->setPath(moved));
    if (how == "ok")
        chooser.Command1->click();
    else if (how == "cancel")
        chooser.Command3->click();
    else if (how == "close")
        chooser.close();
    else
        QTest::keyClick(&chooser, Qt::Key_Escape);

    QVERIFY(!chooser.isVisible());
    QCOMPARE(w.lblDest->Caption(), destination.contains("%1") ? destination.arg(moved) : destination);
    QCOMPARE(sandbox.setting("Dir1BU"), moved);
}

void BrowseMeTest::okAtRoot()
{
    testing::Sandbox sandbox;
    MainWindow w;
    BrowseMe chooser(w);
    QVERIFY(chooser.Dir1->setPath("/"));
    chooser.Command1->click();
    QCOMPARE(w.lblDest->Caption(), QString("//"));
    // The copy joins the destination and the name as they stand; the file layer reads one separator.
    QCOMPARE(QDir::cleanPath(w.lblDest->Caption() + "notes.txt"), QString("/notes.txt"));
}

void BrowseMeTest::moveUp()
{
    testing::Sandbox sandbox;
    MainWindow w;
    const QString inner = QDir(sandbox.workFolder()).filePath("outer/inner");
    QDir().mkpath(inner);
    BrowseMe chooser(w);
    QVERIFY(chooser.Dir1->setPath(inner));
    chooser.Command4->click();
    QCOMPARE(chooser.Dir1->Path(), QFileInfo(inner).path());
    QCOMPARE(chooser.txtPath->text(), QFileInfo(inner).path());
    QCOMPARE(QGuiApplication::clipboard()->text(), QFileInfo(inner).path());

    QVERIFY(chooser.Dir1->setPath("/"));
    chooser.Command4->click();
    QCOMPARE(chooser.Dir1->Path(), QString("/"));
}

void BrowseMeTest::createFolder()
{
    testing::Sandbox sandbox;
    MainWindow w;
    BrowseMe chooser(w);
    QVERIFY(chooser.Dir1->setPath(sandbox.workFolder()));
    sandbox.prompts.answerInput(QString("New Folder"));
    chooser.Command5->click();

    QCOMPARE(sandbox.prompts.inputs.size(), std::size_t(1));
    QCOMPARE(sandbox.prompts.inputs[0].prompt, QString("Please enter a name for this folder"));
    QCOMPARE(sandbox.prompts.inputs[0].title, QString("Backup Directory"));
    QCOMPARE(sandbox.prompts.inputs[0].initial, QString("New Folder"));
    QVERIFY(sandbox.prompts.messages.empty());

    const QString made = QDir(sandbox.workFolder()).filePath("New Folder");
    QVERIFY(QFileInfo(made).isDir());
    QCOMPARE(chooser.Dir1->Path(), made);
    QCOMPARE(chooser.txtPath->text(), made);
    QCOMPARE(QGuiApplication::clipboard()->text(), made);
}

void BrowseMeTest::folderNotMade_data()
{
    QTest::addColumn<bool>("answered");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("reason");
    QTest::newRow("cancelled") << false << ""
                               << "cancelled";
    QTest::newRow("empty") << true << ""
                           << "empty";
    QTest::newRow("only blanks") << true << "   "
                                 << "empty";
    QTest::newRow("name taken by a folder") << true << "taken"
                                            << "already";
    QTest::newRow("name taken by a file") << true << "file.txt"
                                          << "already";
    QTest::newRow("separator in the name") << true << "a/b"
                                           << "cannot be used";
    QTest::newRow("parent folder") << true << ".."
                                   << "cannot be used";
}

void BrowseMeTest::folderNotMade()
{
    QFETCH(bool, answered);
    QFETCH(QString, answer);
    QFETCH(QString, reason);
    testing::Sandbox sandbox;
    QDir().mkpath(QDir(sandbox.workFolder()).filePath("taken"));
    sandbox.writeFile("file.txt", "x");
    const QStringList before = QDir(sandbox.workFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    MainWindow w;
    BrowseMe chooser(w);
    QVERIFY(chooser.Dir1->setPath(sandbox.workFolder()));
    QGuiApplication::clipboard()->setText("untouched");

    sandbox.prompts.answerInput(answered ? std::optional<QString>(answer) : std::nullopt);
    chooser.Command5->click();

    QCOMPARE(sandbox.prompts.messages.size(), std::size_t(1));
    QCOMPARE(sandbox.prompts.messages[0].title, QString("Backup Directory"));
    QVERIFY2(sandbox.prompts.messages[0].text.contains(reason), qPrintable(sandbox.prompts.messages[0].text));
    QCOMPARE(chooser.Dir1->Path(), QDir::cleanPath(sandbox.workFolder()));
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("untouched"));
    QCOMPARE(QDir(sandbox.workFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
}

QTEST_MAIN(BrowseMeTest)
#include "tst_browseme.moc"
