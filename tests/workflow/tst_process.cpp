#include "fileops/files.h"
#include "platform/combobox.h"
#include "support/windowtest.h"

#include <fcntl.h>
#include <filesystem>
#include <QAction>
#include <QCheckBox>
#include <QListWidget>
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
    QStringList files() const
    {
        QStringList all;
        for (const char* name : { "a", "b", "c", "d", "e" })
            all << file(name);
        return all;
    }
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
    void inputWhileProcessing_data();
    void inputWhileProcessing();
    void namesThatAreNotUtf8();
    void largeCopiesLetTheWindowAnswer();
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
    QTest::newRow("full") << failed + "c.txt: the backup disk is full" << QStringList({ "b.txt", "c.txt", "c.txt.~1~", "e.txt" });
    // An earlier copy of other content is kept under the next number; an identical one as it is.
    QTest::newRow("read-only older copy kept") << QString() << QStringList({ "b.txt", "c.txt", "c.txt.~1~", "e.txt" });
    QTest::newRow("older copies kept") << QString() << QStringList({ "b.txt", "c.txt", "c.txt.~1~", "c.txt.~2~", "e.txt" });
    QTest::newRow("identical copy kept") << QString() << QStringList({ "b.txt", "c.txt", "e.txt" });
    QTest::newRow("copies not flushed to the disk") << failed + "b.txt: the copy could not be flushed to the disk\nc.txt: the copy "
                                       "could not be flushed to the disk\ne.txt: the copy could not be flushed to the disk" << QStringList();
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
    if (tag == "full" || tag.startsWith("read-only") || tag == "older copies kept") {
        desk.sandbox.writeFile("backup/c.txt", "older copy");
        QVERIFY(QFile::setPermissions(desk.backup + "/c.txt", QFile::ReadOwner | QFile::ReadGroup));
    }
    if (tag == "older copies kept")
        desk.sandbox.writeFile("backup/c.txt.~1~", "oldest copy");
    if (tag == "identical copy kept")
        desk.sandbox.writeFile("backup/c.txt", "cat in c");
    const QStringList before = desk.files();
    const AsOrdinaryUser user(desk.sandbox);

    desk.w.Findme->setPlainText("cat");
    desk.w.Replaceme->setPlainText("dog");
    desk.sandbox.prompts.onModal([&](QDialog& dialog) {
        auto& chooser = static_cast<BrowseMe&>(dialog);
        QVERIFY(chooser.Dir1->setPath(folder));
        chooser.Command1->click();
        if (tag == "gone")
            QVERIFY(QDir(desk.backup).removeRecursively());
        // A folder that may be written but not read cannot be flushed.
        if (tag == "copies not flushed to the disk")
            QVERIFY(QFile::setPermissions(desk.backup, QFile::WriteOwner | QFile::ExeOwner));
    });
    desk.w.Command1->click();

    QCOMPARE(
        testing::shownMessages(desk.sandbox).join('|'), shown.contains("%1") ? shown.arg(folder) : shown);
    QCOMPARE(desk.copies(), copies);
    if (shown.isEmpty()) {
        QCOMPARE(desk.copy("c") + "|" + desk.file("c"), QByteArray("cat in c|dog in c"));
        if (copies.size() > 3)
            QCOMPARE(desk.sandbox.readFile("backup/" + copies[copies.size() - 2]), QByteArray("older copy"));
        if (copies.size() > 4)
            QCOMPARE(desk.sandbox.readFile("backup/c.txt.~1~"), QByteArray("oldest copy"));
        return;
    }
    QCOMPARE(desk.files(), before);
    QCOMPARE(desk.w.lblScan->Caption(), QString("Select Directory and Files")); // as it was
    if (tag == "full")
        QCOMPARE(desk.copy("c"), QByteArray("older copy"));
}

void ProcessTest::inputWhileProcessing_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("backup"); // on: the input comes after the first copy; off: during the first file
    QTest::addColumn<bool>("closes");
    for (const char* input : { "Process", "Select All", "Edit > Select All Files", "a tick",
             "typing a find string", "Match Case", "typing a pattern", "another folder" })
        QTest::addRow("%s during the copies", input) << QString(input) << true << false;
    for (const char* input : { "the close box", "&Close", "File > Exit" })
        QTest::addRow("%s during the copies", input) << QString(input) << true << true;
    for (const char* input : { "&Close", "File > Exit" })
        QTest::addRow("%s during the run", input) << QString(input) << false << true;
}

// Input that arrives while Process works, delivered as a user's at the first moment the program lets
// the window take events: it cannot start a second run nor change what the run works on. A close lets
// the copy or file in hand finish and ends the program there, after the closing sequence.
void ProcessTest::inputWhileProcessing()
{
    QFETCH(QString, input);
    QFETCH(bool, backup);
    QFETCH(bool, closes);
    Desk desk({ "a.txt", "c.txt", "e.txt" });
    desk.w.chkBackup->setChecked(backup);
    desk.w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&desk.w));
    desk.w.lstFiles->setListIndex(1); // b.txt, for a tick by the space bar
    desk.w.Dir1->setCurrentRow(0); // the root, for Enter
    MainWindow& w = desk.w;
    QMetaObject::invokeMethod(
        &w,
        [&] {
            if (input == "Process")
                QTest::mouseClick(w.Command1, Qt::LeftButton);
            if (input == "Select All")
                QTest::mouseClick(w.chkAll, Qt::LeftButton);
            if (input == "a tick")
                QTest::keyClick(w.lstFiles, Qt::Key_Space);
            if (input == "typing a find string")
                QTest::keyClicks(w.Findme, "x");
            if (input == "Match Case")
                QTest::mouseClick(w.chkCase, Qt::LeftButton);
            if (input == "typing a pattern")
                QTest::keyClicks(w.Combo1, "x");
            if (input == "another folder")
                QTest::keyClick(w.Dir1, Qt::Key_Return);
            if (input == "the close box")
                w.windowHandle()->close();
            if (input == "&Close")
                QTest::mouseClick(w.cmdClose, Qt::LeftButton);
            if (input == "File > Exit") {
                QTest::keyClick(&w, Qt::Key_F, Qt::AltModifier);
                QVERIFY(QApplication::activePopupWidget());
                QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_E);
            }
            if (input == "Edit > Select All Files") {
                QTest::keyClick(&w, Qt::Key_E, Qt::AltModifier);
                if (QWidget* menu = QApplication::activePopupWidget())
                    QTest::keyClick(menu, Qt::Key_S);
            }
        },
        Qt::QueuedConnection);
    QThread::msleep(20); // the run's first chance to take events is not skipped as too early
    desk.run("cat", "cats");

    QCOMPARE(desk.sandbox.prompts.dialogs.size(), backup ? 1 : 0);
    const QStringList ticked = { "a.txt", "c.txt", "e.txt" };
    QCOMPARE(desk.copies(), !backup ? QStringList() : closes ? ticked.first(1) : ticked);
    // The first file is done when the close comes during the run; no file is changed during the copies.
    const QString a = closes && backup ? "cat in a" : "cats in a", ce = closes ? "cat in " : "cats in ";
    QCOMPARE(desk.files(), QStringList({ a, "cat in b", ce + "c", "cat in d", ce + "e" }));
    QCOMPARE(QStringList({ w.Findme->toPlainText(), w.chkCase->isChecked() ? "case" : "-", w.Combo1->Text(),
                 QDir(desk.sandbox.workFolder()).relativeFilePath(w.Dir1->Path()) })
            + testing::tickedNames(*w.lstFiles),
        QStringList({ "cat", "-", "*.txt", "docs" }) + ticked);
    QCOMPARE(w.isVisible(), !closes);
    QCOMPARE(desk.sandbox.setting("WinState"), closes ? "0" : "<absent>"); // the closing sequence ran
}

// A backup copy of a large file tells the window of every piece, so that it can keep answering; so
// does the comparison with an earlier copy of the same content.
void ProcessTest::largeCopiesLetTheWindowAnswer()
{
    testing::Sandbox sandbox;
    const QString file = sandbox.writeFile("big.txt", QByteArray(3 << 20, 'x'));
    const QString copy = sandbox.workFolder() + "/copy.txt";
    int pieces = 0;
    const auto count = [&] {
        ++pieces;
    };
    QCOMPARE(platform::backUpFile(file, copy, count), platform::CopyOutcome::Copied);
    QVERIFY2(pieces >= 3, QByteArray::number(pieces));
    pieces = 0;
    QCOMPARE(platform::backUpFile(file, copy, count), platform::CopyOutcome::Copied);
    QVERIFY2(pieces >= 3, QByteArray::number(pieces));
    QCOMPARE(sandbox.readFile("copy.txt"), QByteArray(3 << 20, 'x'));
}

QTEST_MAIN(ProcessTest)
#include "tst_process.moc"

// A Latin-1 and a Shift-JIS name keep their own bytes through the list, the copies, the run and the
// preview, and show with U+FFFD for each byte that is not UTF-8.
void ProcessTest::namesThatAreNotUtf8()
{
    Desk desk({});
    const QByteArray odd = QFile::encodeName(QDir(desk.sandbox.workFolder()).filePath("odd")) + '/';
    const QByteArray backup = QFile::encodeName(desk.backup) + '/';
    const QList<QByteArray> names { "caf\xE9.txt", "\x93\xFA\x96{.txt", "ok.txt" };
    auto bytesOf = [](const QByteArray& path) {
        QFile file;
        const int fd = ::open(path.constData(), O_RDONLY);
        if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
            return QByteArray("missing");
        return file.readAll();
    };
    QVERIFY(QDir().mkpath(QString::fromUtf8(odd)));
    for (const QByteArray& name : names) {
        const int fd = ::open((odd + name).constData(), O_CREAT | O_WRONLY, 0644);
        QVERIFY(fd >= 0 && ::write(fd, "cat", 3) == 3 && ::close(fd) == 0);
    }
    desk.w.Dir1->setPath(QString::fromUtf8(odd.chopped(1)));
    QStringList shown;
    for (int i = 0; i < desk.w.lstFiles->ListCount(); ++i)
        shown << desk.w.lstFiles->model()->index(i, 0).data().toString();
    QCOMPARE(shown, QStringList({ "caf\uFFFD.txt", "ok.txt", "\uFFFD\uFFFD\uFFFD{.txt" }));

    desk.w.lstFiles->setAllSelected(true);
    desk.run("cat", "dog");
    QStringList results;
    for (int i = 0; i < desk.w.lstResults->count(); ++i)
        results << desk.w.lstResults->item(i)->text();
    QCOMPARE(results,
        QStringList({ "caf\uFFFD.txt - 1 String replaced", "ok.txt - 1 String replaced",
            "\uFFFD\uFFFD\uFFFD{.txt - 1 String replaced" }));
    for (const QByteArray& name : names) {
        QCOMPARE(bytesOf(odd + name), QByteArray("dog"));
        QCOMPARE(bytesOf(backup + name), QByteArray("cat"));
    }
    desk.w.lstFiles->setListIndex(0);
    QCOMPARE(testing::preview(desk.w), QString("Highlight the String to find: dog"));
    for (const QByteArray& name : names) // names the temporary folder could not remove
        QVERIFY(::unlink(odd + name) == 0 && ::unlink(backup + name) == 0);
}
