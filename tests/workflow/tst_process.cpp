#include "support/windowtest.h"

#include <QAction>
#include <QCheckBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QtTest>

namespace
{

// A window over five files a.txt .. e.txt, each "cat in <name>", with Backup First ticked.
struct Desk {
    testing::Sandbox sandbox;
    MainWindow w;
    QString backup = QDir(sandbox.workFolder()).filePath("backup");

    Desk(const QStringList& ticked, const QString& find)
    {
        QDir().mkpath(backup);
        for (const QString& name : QStringList { "a", "b", "c", "d", "e" })
            sandbox.writeFile("docs/" + name + ".txt", "cat in " + name.toUtf8());
        w.start();
        w.Dir1->setPath(QDir(sandbox.workFolder()).filePath("docs"));
        for (int i = 0; i < w.lstFiles->ListCount(); ++i)
            w.lstFiles->setSelected(i, ticked.contains(w.lstFiles->List(i)));
        w.chkBackup->setChecked(true);
        w.Findme->setPlainText(find);
        w.Replaceme->setPlainText("dog");
    }
    QByteArray file(const QString& name) const { return sandbox.readFile("docs/" + name + ".txt"); }
    QByteArray copy(const QString& name) const { return sandbox.readFile("backup/" + name + ".txt"); }
    QStringList copies() const { return QDir(backup).entryList(QDir::AllEntries | QDir::NoDotAndDotDot); }
    // Replaces `from` with `to` in the ticked files, the chooser left at `folder` by `button`.
    void run(const QString& from, const QString& to, QPushButton* BrowseMe::*button = &BrowseMe::Command1,
        QString folder = {})
    {
        w.Findme->setPlainText(from);
        w.Replaceme->setPlainText(to);
        testing::answerChooser(sandbox, folder.isEmpty() ? backup : folder, button);
        w.Command1->click();
    }
};

// Calls `seen` each time the watched widget paints.
struct PaintWatch : QObject {
    std::function<void()> seen;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            seen();
        return false;
    }
};

} // namespace

class ProcessTest : public QObject
{
    Q_OBJECT
private slots:
    void refused_data();
    void refused();
    void backupCopies();
};

void ProcessTest::refused_data()
{
    QTest::addColumn<bool>("menu");
    QTest::addColumn<bool>("backup");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("shown");
    const QString noFind = "Nothing to Search for: Please enter a search sting     ";
    const QString noTick = "Nothing Selected: Select file(s) to change by placing a Check in the box     ";
    QTest::newRow("empty find") << false << true << "" << noFind;
    QTest::newRow("nothing ticked") << false << true << "cat" << noTick;
    QTest::newRow("nothing ticked, no backup") << true << false << "cat" << noTick;
}

void ProcessTest::refused()
{
    QFETCH(bool, menu);
    QFETCH(bool, backup);
    QFETCH(QString, find);
    QFETCH(QString, shown);
    Desk desk(find.isEmpty() ? QStringList { "a.txt" } : QStringList {}, find);
    desk.w.chkBackup->setChecked(backup);
    desk.w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&desk.w));
    desk.w.cmdClose->setFocus();

    menu ? desk.w.mnuProcess->trigger() : desk.w.Command1->click();

    QCOMPARE(testing::shownMessages(desk.sandbox), QStringList { shown });
    QCOMPARE(desk.sandbox.prompts.messages[0].icon, platform::Icon::Information);
    // No chooser, no copy, no change.
    QVERIFY(
        desk.sandbox.prompts.dialogs.isEmpty() && desk.copies().isEmpty() && desk.file("a") == "cat in a");
    QCOMPARE(
        QApplication::focusWidget(), find.isEmpty() ? static_cast<QWidget*>(desk.w.Findme) : desk.w.cmdClose);
}

// Three of five ticked: Cancel first stops everything silently; then their copies land before the run
// changes them, and a second run, left by the close box, replaces them in the earlier destination.
void ProcessTest::backupCopies()
{
    Desk desk({ "b.txt", "c.txt", "e.txt" }, "cat");
    const QDateTime past = QDateTime::currentDateTime().addDays(-3);
    QFile c(QDir(desk.sandbox.workFolder()).filePath("docs/c.txt"));
    QVERIFY(c.open(QIODevice::ReadWrite) && c.setFileTime(past, QFileDevice::FileModificationTime));
    QVERIFY(QDir(desk.backup).mkdir("e.txt")); // this copy fails and is skipped
    QVERIFY(QTest::qWaitForWindowExposed(&desk.w));
    QStringList paints; // the status line each time it paints, and whether the first copy is there yet
    PaintWatch watch;
    watch.seen = [&] {
        paints << desk.w.lblScan->text() + (QFileInfo::exists(desk.backup + "/b.txt") ? " (copied)" : "");
    };
    desk.w.lblScan->installEventFilter(&watch);
    const QString elsewhere = QDir(desk.sandbox.workFolder()).filePath("docs");
    desk.w.lblDest->setCaption(desk.backup + "/");
    desk.w.lstResults->addItem("an earlier result");

    desk.run("cat", "dog", &BrowseMe::Command3, elsewhere);
    QCOMPARE(QStringList({ desk.w.lblDest->Caption(), desk.w.lblScan->Caption(),
                 QString::number(desk.w.lstResults->count()) }),
        QStringList({ "", "Select Directory and Files", "1" }));
    QCOMPARE(desk.copies(), QStringList { "e.txt" }); // only the folder in the way

    desk.run("cat", "dog");
    QCOMPARE(
        desk.sandbox.prompts.dialogs, QStringList({ "Choose Backup Directory", "Choose Backup Directory" }));
    QVERIFY(desk.sandbox.prompts.messages.empty());
    QVERIFY(paints.contains("Backing up files . . ."));
    QCOMPARE(desk.copies(), QStringList({ "b.txt", "c.txt", "e.txt" }));
    QCOMPARE(desk.copy("b") + "|" + desk.copy("c"), QByteArray("cat in b|cat in c"));
    QCOMPARE(QFileInfo(desk.backup + "/c.txt").lastModified().toSecsSinceEpoch(), past.toSecsSinceEpoch());
    QCOMPARE(desk.file("a") + "|" + desk.file("e"), QByteArray("cat in a|dog in e"));

    desk.run("dog", "emu", nullptr, elsewhere);
    QCOMPARE(desk.copy("b") + "|" + desk.file("b"), QByteArray("dog in b|emu in b"));
    QCOMPARE(desk.sandbox.setting("Dir1BU"), elsewhere);
}

QTEST_MAIN(ProcessTest)
#include "tst_process.moc"
