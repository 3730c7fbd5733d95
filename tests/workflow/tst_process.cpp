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

    explicit Desk(const QStringList& ticked)
    {
        QDir().mkpath(backup);
        for (const QString& name : QStringList { "a", "b", "c", "d", "e" })
            sandbox.writeFile("docs/" + name + ".txt", "cat in " + name.toUtf8());
        w.start();
        w.Dir1->setPath(QDir(sandbox.workFolder()).filePath("docs"));
        for (int i = 0; i < w.lstFiles->ListCount(); ++i)
            w.lstFiles->setSelected(i, ticked.contains(w.lstFiles->List(i)));
        w.chkBackup->setChecked(true);
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
    void process();
};

// Three of five ticked, Backup First on. An empty find string is refused with the focus sent back to it;
// Cancel stops everything silently; OK makes the copies before the run changes the files; a second run,
// left by the close box, replaces them in the earlier destination; with nothing ticked the menu refuses.
void ProcessTest::process()
{
    Desk desk({ "b.txt", "c.txt", "e.txt" });
    const QDateTime past = QDateTime::currentDateTime().addDays(-3);
    QFile c(QDir(desk.sandbox.workFolder()).filePath("docs/c.txt"));
    QVERIFY(c.open(QIODevice::ReadWrite) && c.setFileTime(past, QFileDevice::FileModificationTime));
    QVERIFY(QDir(desk.backup).mkdir("e.txt")); // this copy fails and is skipped
    desk.w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&desk.w));
    QStringList paints; // the status line each time it paints, and whether the first copy is there yet
    PaintWatch watch;
    watch.seen = [&] {
        paints << desk.w.lblScan->text() + (QFileInfo::exists(desk.backup + "/b.txt") ? " (copied)" : "");
    };
    desk.w.lblScan->installEventFilter(&watch);
    const QString elsewhere = QDir(desk.sandbox.workFolder()).filePath("docs");
    desk.w.lblDest->setCaption(desk.backup + "/");
    desk.w.lstResults->addItem("an earlier result");
    const QString noFind = "Nothing to Search for: Please enter a search sting     ";

    desk.w.cmdClose->setFocus();
    desk.w.Command1->click();
    QCOMPARE(QApplication::focusWidget(), desk.w.Findme);
    QCOMPARE(testing::shownMessages(desk.sandbox), QStringList { noFind });

    desk.run("cat", "dog", &BrowseMe::Command3, elsewhere);
    QCOMPARE(QStringList({ desk.w.lblDest->Caption(), desk.w.lblScan->Caption(),
                 QString::number(desk.w.lstResults->count()) }),
        QStringList({ "", "Select Directory and Files", "1" }));
    QCOMPARE(desk.copies(), QStringList { "e.txt" }); // only the folder in the way

    desk.run("cat", "dog");
    QCOMPARE(
        desk.sandbox.prompts.dialogs, QStringList({ "Choose Backup Directory", "Choose Backup Directory" }));
    QCOMPARE(desk.sandbox.prompts.messages.size(), std::size_t(1));
    QVERIFY(paints.contains("Backing up files . . ."));
    QCOMPARE(desk.copies(), QStringList({ "b.txt", "c.txt", "e.txt" }));
    QCOMPARE(desk.copy("b") + "|" + desk.copy("c"), QByteArray("cat in b|cat in c"));
    QCOMPARE(QFileInfo(desk.backup + "/c.txt").lastModified().toSecsSinceEpoch(), past.toSecsSinceEpoch());
    QCOMPARE(desk.file("a") + "|" + desk.file("e"), QByteArray("cat in a|dog in e"));

    desk.run("dog", "emu", nullptr, elsewhere);
    QCOMPARE(desk.copy("b") + "|" + desk.file("b"), QByteArray("dog in b|emu in b"));
    QCOMPARE(desk.sandbox.setting("Dir1BU"), elsewhere);

    desk.w.lstFiles->setAllSelected(false);
    desk.w.mnuProcess->trigger();
    QCOMPARE(testing::shownMessages(desk.sandbox),
        QStringList(
            { noFind, "Nothing Selected: Select file(s) to change by placing a Check in the box     " }));
    QVERIFY(desk.sandbox.prompts.messages[1].icon == platform::Icon::Information
        && desk.sandbox.prompts.messages[0].icon == platform::Icon::Information);
    QCOMPARE(desk.sandbox.prompts.dialogs.size(), 3);
}

QTEST_MAIN(ProcessTest)
#include "tst_process.moc"
