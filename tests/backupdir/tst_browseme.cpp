#include "backupdir/pathonly.h"
#include "platform/drivelist.h"
#include "support/windowtest.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QtTest>

class BrowseMeTest : public QObject
{
    Q_OBJECT
private slots:
    void pathOnly_data();
    void pathOnly();
    void closing_data();
    void closing();
    void keyboardAndNames_data();
    void keyboardAndNames();
    void createFolder_data();
    void createFolder();
};

void BrowseMeTest::pathOnly_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("parent");
    // clang-format off
    QTest::newRow("two levels down") << "/Data/Backups" << "/Data";
    QTest::newRow("one level down keeps the root") << "/Data" << "/";
    QTest::newRow("root stays") << "/" << "/";
    QTest::newRow("trailing separator") << "/Data/" << "/Data";
    QTest::newRow("no separator") << "Data" << "";
    QTest::newRow("drive, one level down") << "C:\\Data" << "C:\\";
    QTest::newRow("drive, trailing separator") << "C:\\Data\\" << "C:\\Data";
    // clang-format on
}

void BrowseMeTest::pathOnly()
{
    QFETCH(QString, path);
    QFETCH(QString, parent);
    QCOMPARE(backupdir::PathOnly(path, path.contains('\\') ? '\\' : '/'), parent);
}

// The folder list, the path box and the clipboard agree.
static QStringList shown(const BrowseMe& chooser)
{
    return { chooser.Dir1->Path(), chooser.txtPath->text(), QGuiApplication::clipboard()->text() };
}

void BrowseMeTest::closing_data()
{
    QTest::addColumn<QPushButton * BrowseMe::*>("button"); // none: the close box
    QTest::addColumn<bool>("toRoot");
    QTest::addColumn<QString>("destination"); // %1: the folder shown at closing
    QTest::newRow("OK") << &BrowseMe::Command1 << false << "%1/";
    QTest::newRow("OK at the root doubles the separator") << &BrowseMe::Command1 << true << "//";
    QTest::newRow("Cancel") << &BrowseMe::Command3 << false << "";
    QTest::newRow("close box keeps the earlier destination")
        << (QPushButton * BrowseMe::*)nullptr << false << "/earlier/";
}

// Opens at the saved folder with its path on the clipboard, picks drives, moves up, ignores Escape, closes,
// and remembers.
void BrowseMeTest::closing()
{
    QFETCH(QPushButton * BrowseMe::*, button);
    QFETCH(bool, toRoot);
    QFETCH(QString, destination);
    testing::Sandbox sandbox;
    MainWindow w;
    w.lblDest->setCaption("/earlier/");
    const QString saved = QDir(sandbox.workFolder()).filePath("outer/saved");
    QDir().mkpath(saved);
    sandbox.setSetting("Dir1BU", saved);

    BrowseMe chooser(w);
    QCOMPARE(shown(chooser), QStringList({ saved, saved, saved }));
    // A drive that is not ready says so and changes nothing; a ready one moves the list there.
    const QString drive = toRoot ? QString("/") : QFileInfo(saved).path();
    const int startDrive = chooser.Drive1->currentIndex();
    chooser.Drive1->addItem("/no/such/drive");
    chooser.Drive1->setCurrentIndex(chooser.Drive1->count() - 1);
    QVERIFY(testing::shownMessages(sandbox).join('|').startsWith("Backup Directory: "));
    QVERIFY(shown(chooser) == QStringList({ saved, saved, saved })
        && chooser.Drive1->currentIndex() == startDrive);
    chooser.Drive1->addItem(drive);
    chooser.Drive1->setCurrentIndex(chooser.Drive1->count() - 1);
    QCOMPARE(shown(chooser), QStringList({ drive, drive, drive }));

    chooser.Command4->click();
    const QString up = toRoot ? drive : QFileInfo(drive).path();
    QCOMPARE(shown(chooser), QStringList({ up, up, up }));
    QCOMPARE(testing::shownMessages(sandbox).size(), 1);

    chooser.show();
    QTest::keyClick(chooser.Dir1, Qt::Key_Escape); // no way out of the chooser
    QVERIFY(chooser.isVisible());
    button ? (chooser.*button)->click() : void(chooser.close());
    QVERIFY(!chooser.isVisible());
    QCOMPARE(w.lblDest->Caption(), destination.contains("%1") ? destination.arg(up) : destination);
    QCOMPARE(sandbox.setting("Dir1BU"), up);

    // A saved folder that has gone leaves the next chooser at the current folder.
    sandbox.setSetting("Dir1BU", saved + "/gone");
    QCOMPARE(BrowseMe(w).Dir1->Path(), QDir::currentPath());
}

void BrowseMeTest::keyboardAndNames_data()
{
    QTest::addColumn<int>("backTabs"); // Shift+Tab presses from the folder list
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("destination"); // %1: the folder shown; none: the chooser stays open
    // clang-format off
    QTest::newRow("Enter on OK") << 2 << int(Qt::Key_Return) << "%1/";
    QTest::newRow("keypad Enter on OK") << 2 << int(Qt::Key_Enter) << "%1/";
    QTest::newRow("Space on OK") << 2 << int(Qt::Key_Space) << "%1/";
    QTest::newRow("Enter on Cancel") << 1 << int(Qt::Key_Return) << "";
    QTest::newRow("Escape on OK") << 2 << int(Qt::Key_Escape) << QString();
    QTest::newRow("Enter on the drive list") << 5 << int(Qt::Key_Return) << QString();
    // clang-format on
}

// A focused button answers Enter and Space; no button is the default or the cancel button. Every
// caption fits and every control has a name a screen reader can say.
void BrowseMeTest::keyboardAndNames()
{
    QFETCH(int, backTabs);
    QFETCH(int, key);
    QFETCH(QString, destination);
    testing::Sandbox sandbox;
    MainWindow w;
    w.lblDest->setCaption("/earlier/");
    BrowseMe chooser(w);
    chooser.show();
    QApplication::setActiveWindow(&chooser);
    QVERIFY(QTest::qWaitForWindowActive(&chooser));
    QCOMPARE(testing::clippedCaptions(chooser).join(" | "), QString());
    QCOMPARE(testing::unnamedControls(chooser).join(", "), QString());
    QCOMPARE(testing::heardName(chooser.Drive1) + " | " + testing::heardName(chooser.Dir1),
        QString("Select or Create a Folder for the Backups | Select or Create a Folder for the Backups"));

    QCOMPARE(chooser.focusWidget(), chooser.Dir1);
    for (int i = 0; i < backTabs; ++i)
        QTest::keyClick(chooser.focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QTest::keyClick(
        chooser.focusWidget(), Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    QCOMPARE(chooser.isVisible(), destination.isNull());
    QCOMPARE(
        w.lblDest->Caption(), destination.isNull() ? "/earlier/" : destination.arg(chooser.Dir1->Path()));
}

void BrowseMeTest::createFolder_data()
{
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<QString>("reason"); // empty: the folder is made
    QTest::newRow("default name") << std::optional<QString>("New Folder") << "";
    QTest::newRow("cancelled") << std::optional<QString>() << "cancelled";
    QTest::newRow("empty") << std::optional<QString>("  ") << "empty";
    QTest::newRow("name taken by a file") << std::optional<QString>("file.txt") << "already";
    QTest::newRow("separator in the name") << std::optional<QString>("a/b") << "cannot be used";
    QTest::newRow("parent folder") << std::optional<QString>("..") << "cannot be used";
}

void BrowseMeTest::createFolder()
{
    QFETCH(std::optional<QString>, answer);
    QFETCH(QString, reason);
    QCOMPARE("/" + backupdir::NewFolderPart("/", "New Folder"), QString("/New Folder"));
    testing::Sandbox sandbox;
    const QString work = QDir::cleanPath(sandbox.workFolder());
    sandbox.writeFile("file.txt", "x");
    MainWindow w;
    BrowseMe chooser(w);
    QVERIFY(chooser.Dir1->setPath(work));
    sandbox.prompts.answerInput(answer);

    chooser.Command5->click();

    QCOMPARE(sandbox.prompts.inputs.size(), std::size_t(1));
    const auto& asked = sandbox.prompts.inputs[0];
    QCOMPARE(QStringList({ asked.prompt, asked.title, asked.initial }),
        QStringList({ "Please enter a name for this folder", "Backup Directory", "New Folder" }));
    const QString message = testing::shownMessages(sandbox).join('|');
    QVERIFY2(reason.isEmpty()
            ? message.isEmpty()
            : message.startsWith("Backup Directory: ") && message.contains(reason) && !message.contains('|'),
        qPrintable(message));
    const QString now = reason.isEmpty() ? work + "/New Folder" : work;
    QCOMPARE(shown(chooser), QStringList({ now, now, now }));
    QCOMPARE(QDir(work).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
        reason.isEmpty() ? QStringList({ "New Folder", "file.txt" }) : QStringList { "file.txt" });
}

QTEST_MAIN(BrowseMeTest)
#include "tst_browseme.moc"
