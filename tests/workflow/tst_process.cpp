#include "platform/combobox.h"
#include "support/windowtest.h"

#include <filesystem>
#include <QAction>
#include <QCheckBox>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QtTest>
#include <QWindow>
#include <sys/mount.h>
#include <unistd.h>

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
    QStringList copies() const
    {
        return QDir(backup).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
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

// For its lifetime the test runs as an ordinary user, for whom permissions hold as they do for most
// users; the sandbox becomes that user's. Nothing changes when the test is not run as the superuser.
struct AsOrdinaryUser {
    static constexpr uid_t nobody = 65534;
    const bool switched = ::geteuid() == 0;
    explicit AsOrdinaryUser(const testing::Sandbox& sandbox)
    {
        if (!switched)
            return;
        const std::filesystem::path root = QFileInfo(sandbox.workFolder()).path().toStdString();
        QVERIFY(::chown(root.c_str(), nobody, nobody) == 0);
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
            QVERIFY(::lchown(entry.path().c_str(), nobody, nobody) == 0);
        QVERIFY(::setresuid(nobody, nobody, 0) == 0);
    }
    ~AsOrdinaryUser()
    {
        if (switched && ::setresuid(0, 0, 0) != 0)
            qFatal("could not return to the superuser");
    }
};

// A file system of `size` mounted at `folder` for its lifetime; not `mounted` where mounting is refused.
struct SmallDisk {
    QByteArray folder;
    bool mounted;
    SmallDisk(const QString& at, const char* size)
        : folder(QFile::encodeName(at))
        , mounted(::mount("tmpfs", folder.constData(), "tmpfs", 0, size) == 0)
    {
    }
    ~SmallDisk()
    {
        if (mounted)
            ::umount2(folder.constData(), MNT_DETACH);
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
    void backups_data();
    void backups();
};

// Three of five ticked, Backup First on. An empty find string is refused with the focus sent back to it;
// Cancel stops everything silently; OK makes the copies before the run changes the files; a second run,
// left by the close box, shows its status line again and replaces the copies in the earlier destination;
// with nothing ticked the menu refuses.
void ProcessTest::process()
{
    Desk desk({ "b.txt", "c.txt", "e.txt" });
    const QDateTime past = QDateTime::currentDateTime().addDays(-3);
    QFile c(QDir(desk.sandbox.workFolder()).filePath("docs/c.txt"));
    QVERIFY(c.open(QIODevice::ReadWrite) && c.setFileTime(past, QFileDevice::FileModificationTime));
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
    QVERIFY(desk.copies().isEmpty());

    desk.run("cat", "dog");
    QCOMPARE(
        desk.sandbox.prompts.dialogs, QStringList({ "Choose Backup Directory", "Choose Backup Directory" }));
    QCOMPARE(testing::shownMessages(desk.sandbox).size(), 1);
    QVERIFY(paints.contains("Backing up files . . ."));
    QCOMPARE(desk.copies(), QStringList({ "b.txt", "c.txt", "e.txt" }));
    QCOMPARE(desk.copy("b") + "|" + desk.copy("c"), QByteArray("cat in b|cat in c"));
    QCOMPARE(QFileInfo(desk.backup + "/c.txt").lastModified().toSecsSinceEpoch(), past.toSecsSinceEpoch());
    QCOMPARE(desk.file("a") + "|" + desk.file("e"), QByteArray("cat in a|dog in e"));

    paints.clear(); // the first run's summary stands in place of the status line
    desk.run("dog", "emu", nullptr, elsewhere);
    QVERIFY(paints.contains("Backing up files . . . (copied)"));
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

void ProcessTest::backups_data()
{
    QTest::addColumn<QString>("shown"); // %1: the backup folder
    QTest::addColumn<QStringList>("copies"); // what the backup folder holds afterwards
    const QString same = "Backup Directory: The backup folder is the folder whose files would be changed, so "
                         "the copies would overwrite the files themselves.\n\nNo file was copied or changed. "
                         "Please choose another folder for the backups.";
    const QString failed =
        "Backup Failed: The backup failed, so no file was changed.\n\nThese files could not "
        "be copied to %1:\n";
    // clang-format off
    QTest::newRow("the working folder") << same << QStringList();
    QTest::newRow("the working folder through a link") << same << QStringList();
    QTest::newRow("gone") << failed + "b.txt: the backup folder is not there any more\nc.txt: the backup folder "
                             "is not there any more\ne.txt: the backup folder is not there any more" << QStringList();
    QTest::newRow("a folder in the way") << failed + "e.txt: the backup folder holds a folder of that name"
                                         << QStringList({ "b.txt", "c.txt", "e.txt" });
    QTest::newRow("full") << failed + "c.txt: the backup disk is full" << QStringList({ "b.txt", "c.txt", "e.txt" });
    QTest::newRow("read-only older copy replaced") << QString() << QStringList({ "b.txt", "c.txt", "e.txt" });
    // clang-format on
}

// A backup that cannot be made in full changes no file; the copies that were made stay, and an older
// copy that could not be replaced is kept whole.
void ProcessTest::backups()
{
    QFETCH(QString, shown);
    QFETCH(QStringList, copies);
    const QString tag = QTest::currentDataTag();
    Desk desk({ "b.txt", "c.txt", "e.txt" });
    const QString docs = QDir(desk.sandbox.workFolder()).filePath("docs");
    QString folder = desk.backup;
    std::unique_ptr<SmallDisk> disk;
    if (tag == "the working folder")
        folder = docs;
    if (tag == "the working folder through a link")
        QVERIFY(QFile::link(docs, folder = desk.sandbox.workFolder() + "/link"));
    if (tag == "a folder in the way")
        QVERIFY(QDir(desk.backup).mkdir("e.txt"));
    if (tag == "full") {
        disk = std::make_unique<SmallDisk>(desk.backup, "size=64k");
        if (!disk->mounted)
            QSKIP("a small file system cannot be mounted here");
        desk.sandbox.writeFile("docs/c.txt", QByteArray(100000, 'x') + " cat");
    }
    if (tag == "full" || tag == "read-only older copy replaced") {
        desk.sandbox.writeFile("backup/c.txt", "older copy");
        QVERIFY(QFile::setPermissions(desk.backup + "/c.txt", QFile::ReadOwner | QFile::ReadGroup));
    }
    QList<QByteArray> before;
    for (const char* name : { "a", "b", "c", "d", "e" })
        before << desk.file(name);
    const AsOrdinaryUser user(desk.sandbox);

    desk.w.Findme->setPlainText("cat");
    desk.w.Replaceme->setPlainText("dog");
    desk.sandbox.prompts.onModal([&](QDialog& dialog) {
        auto& chooser = static_cast<BrowseMe&>(dialog);
        QVERIFY(chooser.Dir1->setPath(folder));
        chooser.Command1->click();
        if (tag == "gone")
            QVERIFY(QDir(desk.backup).removeRecursively());
    });
    desk.w.Command1->click();

    QCOMPARE(
        testing::shownMessages(desk.sandbox).join('|'), shown.contains("%1") ? shown.arg(folder) : shown);
    QCOMPARE(desk.copies(), copies);
    QList<QByteArray> after;
    for (const char* name : { "a", "b", "c", "d", "e" })
        after << desk.file(name);
    if (shown.isEmpty()) {
        QCOMPARE(desk.copy("c") + "|" + desk.file("c"), QByteArray("cat in c|dog in c"));
        return;
    }
    QCOMPARE(after, before);
    QCOMPARE(desk.w.lblScan->Caption(), QString("Select Directory and Files")); // as it was
    if (tag == "full")
        QCOMPARE(desk.copy("c"), QByteArray("older copy"));
}

QTEST_MAIN(ProcessTest)
#include "tst_process.moc"
