// The command line program run as a shell runs it, against temporary folders: bytes, output, status.
#include "support/interruptedwrite.h"

#include <csignal>
#include <fcntl.h>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
struct Result {
    int status = -1;
    QByteArray out, err;
};

// Files as "name=content" (the name may hold any character but "=").
using Files = QStringList;

class CliTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_work;

    Result cli(const QStringList& arguments, const QByteArray& input = {})
    {
        QProcess process;
        process.setWorkingDirectory(m_work);
        process.start(QStringLiteral(TEXTMEND_CLI), arguments);
        process.write(input);
        process.closeWriteChannel();
        process.waitForFinished(60000);
        return { process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError() };
    }

    static constexpr char binaryStart[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR";
    const QByteArray binary = QByteArray(binaryStart, sizeof binaryStart - 1);

    QString path(const QString& name) const { return m_work + u'/' + name; }

    void write(const QString& name, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(path(name)).path());
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray read(const QString& name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    void writeAll(const Files& files)
    {
        for (const QString& entry : files) {
            const qsizetype equals = entry.indexOf(u'=');
            // "\\x89PNG" stands for the start of a picture, a binary file.
            write(entry.left(equals), entry.mid(equals + 1).toUtf8().replace("\\x89PNG", binary));
        }
    }

    void checkAll(const Files& files)
    {
        for (const QString& entry : files) {
            const qsizetype equals = entry.indexOf(u'=');
            QCOMPARE(read(entry.left(equals)), entry.mid(equals + 1).toUtf8());
        }
    }

    // Every name in the work folder, to tell that no temporary file was left behind.
    QStringList allNames() const
    {
        QStringList names;
        QDirIterator it(
            m_work, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext())
            names << it.next().mid(m_work.size() + 1);
        names.sort();
        return names;
    }

private slots:
    // The journals of rewrites in place go to a folder of the test's own.
    void initTestCase()
    {
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_dir.path() + QStringLiteral("/state")));
    }

    void init()
    {
        m_work = m_dir.path() + QStringLiteral("/") + QTest::currentTestFunction()
            + QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_');
        QDir(m_work).removeRecursively();
        QVERIFY(QDir().mkpath(m_work));
    }

    void arguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("missing REPLACE") << QStringList { "cat" } << 2 << ""
                                         << "REPLACE is missing\nUsage:";
        QTest::newRow("unknown option") << QStringList { "--frob", "a", "b" } << 2 << ""
                                        << "unknown option --frob\nUsage:";
        QTest::newRow("unknown letter in a cluster") << QStringList { "-rx", "a", "b" } << 2 << ""
                                                     << "unknown option -x";
        QTest::newRow("empty FIND") << QStringList { "", "b" } << 2 << ""
                                    << "FIND is empty";
        QTest::newRow("pattern without value") << QStringList { "a", "b", "--pattern" } << 2 << ""
                                               << "--pattern needs a value";
        QTest::newRow("-0 alone") << QStringList { "-0", "a", "b" } << 2 << ""
                                  << "-0 needs --files-from";
        QTest::newRow("help") << QStringList { "--help" } << 0 << "Exit status:\n  0  something"
                              << "";
        QTest::newRow("version") << QStringList { "-V" } << 0 << "textmend-cli 1."
                                 << "";
        QTest::newRow("missing PATH")
            << QStringList { "a", "b", "nope" } << 2 << "0 Strings found scanning 1 file\n"
            << "nope - not read: file not found\n";
        QTest::newRow("an option after -- is a name") << QStringList { "a", "b", "--", "-n" } << 2 << ""
                                                      << "-n - not read: file not found";
    }

    void arguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const Result r = cli(arguments);
        QCOMPARE(r.status, status);
        QVERIFY2(r.out.contains(out.toUtf8()), r.out);
        QVERIFY2(r.err.contains(err.toUtf8()), r.err);
    }

    // The window program answers its own command line before it asks for a display.
    void windowProgram_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("help") << QStringList { "--help" } << 0 << "Usage: textmend [options] [FOLDER]"
                              << "";
        QTest::newRow("version") << QStringList { "--version" } << 0 << "textmend 1."
                                 << "";
        QTest::newRow("unknown option") << QStringList { "--frob" } << 2 << ""
                                        << "Unknown option 'frob'.\nUsage: textmend";
        QTest::newRow("two folders") << QStringList { "a", "b" } << 2 << ""
                                     << "only one folder";
    }

    void windowProgram()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "no-such-platform");
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(TEXTMEND_WINDOW), arguments);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), status);
        QVERIFY(process.readAllStandardOutput().contains(out.toUtf8()));
        QVERIFY(process.readAllStandardError().contains(err.toUtf8()));
    }

    void replaces_data()
    {
        QTest::addColumn<Files>("before");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::addColumn<Files>("after");
        QTest::newRow("default pattern, case ignored")
            << Files { "a.txt=cat Cat CAT", "b.md=cat" } << QStringList { "cat", "dog" } << 0
            << "a.txt - 3 Strings replaced\n3 Strings found scanning 1 file\n"
            << "" << Files { "a.txt=dog dog dog", "b.md=cat" };
        QTest::newRow("nothing matched") << Files { "a.txt=cow" } << QStringList { "cat", "dog" } << 1
                                         << "0 Strings found scanning 1 file\n"
                                         << "" << Files { "a.txt=cow" };
        QTest::newRow("match case and whole word")
            << Files { "a.txt=cat Cat cats" } << QStringList { "--match-case", "--whole-word", "cat", "dog" }
            << 0 << "a.txt - 1 String replaced\n"
            << "" << Files { "a.txt=dog Cat cats" };
        QTest::newRow("patterns joined, a bare name by .*")
            << Files { "a.md=x", "notes=x", "c.txt=x" }
            << QStringList { "-p", "*.md", "--pattern=notes.*", "x", "y" } << 0
            << "a.md - 1 String replaced\nnotes - 1 String replaced\n"
            << "" << Files { "a.md=y", "notes=y", "c.txt=x" };
        QTest::newRow("sorted, subfolders only with -r, hidden ones never")
            << Files { "b.txt=x", "a.txt=x", "sub/c.txt=x", ".hid/d.txt=x", ".e.txt=x" }
            << QStringList { "-r", "x", "y" } << 0
            << "a.txt - 1 String replaced\nb.txt - 1 String replaced\nsub/c.txt - 1 String replaced\n"
            << "" << Files { "sub/c.txt=y", ".hid/d.txt=x", ".e.txt=x" };
        QTest::newRow("a file given twice, by name and through its folder")
            << Files { "a.txt=x" } << QStringList { "x", "y", "a.txt", "./" } << 0
            << "a.txt - 1 String replaced\n1 String found scanning 1 file\n"
            << "" << Files { "a.txt=y" };
        QTest::newRow("a folder given shows its path")
            << Files { "d/a.txt=x" } << QStringList { "x", "y", "d/" } << 0 << "d/a.txt - 1 String replaced\n"
            << "" << Files { "d/a.txt=y" };
        QTest::newRow("a file given by name whatever the pattern")
            << Files { "a.log=x" } << QStringList { "x", "y", "a.log" } << 0 << "a.log - 1 String replaced\n"
            << "" << Files { "a.log=y" };
        QTest::newRow("rich text by what it holds, whatever its name")
            << Files { "a.txt={\\rtf1\\ansi\\b cat\\b0\\par}" } << QStringList { "cat", "dog" } << 0 << ""
            << "" << Files { "a.txt={\\rtf1\\ansi\\b dog\\b0\\par}" };
        QTest::newRow("refusals on standard error, the run goes on")
            << Files { "a.txt={\\rtf1 cat", "b.txt=cat", "c.txt=\\x89PNG cat" }
            << QStringList { "cat", "dog" } << 2
            << "b.txt - 1 String replaced\n1 String found scanning 3 files\n"
            << "a.txt - skipped: malformed rich text\n"
               "c.txt - skipped: binary file\n"
            << Files { "a.txt={\\rtf1 cat", "b.txt=dog" };
        QTest::newRow("names with blanks and line breaks")
            << Files { "a b.txt=x", "c\nd.txt=x" } << QStringList { "x", "y" } << 0
            << "a b.txt - 1 String replaced\nc\\nd.txt - 1 String replaced\n"
            << "" << Files { "a b.txt=y", "c\nd.txt=y" };
        QTest::newRow("quiet: errors only")
            << Files { "a.txt=x", "b.txt=\\x89PNG x" } << QStringList { "-q", "x", "y" } << 2 << ""
            << "b.txt - skipped: binary file\n"
            << Files { "a.txt=y" };
    }

    void replaces()
    {
        QFETCH(Files, before);
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(Files, after);
        writeAll(before);
        const Result r = cli(arguments);
        QCOMPARE(r.status, status);
        QVERIFY2(r.out.startsWith(out.toUtf8()) || r.out.contains(out.toUtf8()), r.out);
        QCOMPARE(QString::fromUtf8(r.err), err);
        checkAll(after);
    }

    // --undo takes back exactly what the run wrote: a replacement that stood there before stays, a
    // deletion comes back, a file changed since is left as it is now.
    void journalAndUndo()
    {
        writeAll({ "a.txt=Mr and Mister\r\n", "b.txt=Mr", "c.rtf={\\rtf1 Mr\\par}" });
        const Result run =
            cli({ "--journal", "run.journal", "-p", "*.txt;*.rtf", "--match-case", "Mr", "Mister" });
        QCOMPARE(run.status, 0);
        checkAll({ "a.txt=Mister and Mister\r\n", "b.txt=Mister", "c.rtf={\\rtf1 Mister\\par}" });
        write("b.txt", "edited since");
        const Result undone = cli({ "--undo=run.journal" });
        QCOMPARE(undone.status, 2);
        checkAll({ "a.txt=Mr and Mister\r\n", "b.txt=edited since", "c.rtf={\\rtf1 Mr\\par}" });
        QVERIFY(undone.err.contains("b.txt - not written: changed since the run: not undone"));
        QCOMPARE(cli({ "--undo=run.journal", "Mr" }).status, 2); // no FIND with --undo

        write("d.txt", "keep this, cut this");
        QCOMPARE(cli({ "--journal=cut.journal", "-p", "d.txt", ", cut this", "" }).status, 0);
        QCOMPARE(read("d.txt"), QByteArray("keep this"));
        QCOMPARE(cli({ "--undo", "cut.journal" }).status, 0);
        QCOMPARE(read("d.txt"), QByteArray("keep this, cut this"));
    }

    // A file too large to hold is replaced a piece at a time: a dry run counts its matches, its changes
    // cannot be shown before they are written, and its journal takes it back all the same.
    void largeFile()
    {
        const QByteArray line("The cat sat.\r\n");
        write("big.txt", "\xEF\xBB\xBF" + line.repeated((66 << 20) / line.size()));
        const qint64 lines = (66 << 20) / line.size();
        const QDateTime modified = QFileInfo(path("big.txt")).lastModified();
        const Result dry = cli({ "-n", "cat", "dog" });
        QCOMPARE(dry.status, 0);
        QVERIFY(
            dry.out.startsWith("big.txt - " + QByteArray::number(lines) + " Strings would be replaced\n"));
        const Result shown = cli({ "-n", "--diff", "cat", "dog" });
        QCOMPARE(shown.status, 2);
        QVERIFY(
            shown.err.contains("big.txt - skipped: too large to show its changes before they are written"));
        QVERIFY(!shown.out.contains("dog"));
        QCOMPARE(QFileInfo(path("big.txt")).lastModified(), modified);

        const Result run = cli({ "--journal", "run.journal", "--backup-dir", "bak", "cat", "dog" });
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.startsWith("big.txt - " + QByteArray::number(lines) + " Strings replaced\n"));
        QByteArray expected = "\xEF\xBB\xBF" + QByteArray("The dog sat.\r\n").repeated(lines);
        QVERIFY(read("big.txt") == expected);
        expected.clear();
        QCOMPARE(cli({ "--undo", "run.journal" }).status, 0);
        QVERIFY(read("big.txt") == "\xEF\xBB\xBF" + line.repeated(lines));
        QVERIFY(read("bak/big.txt") == read("big.txt")); // copied before it changed
        QCOMPARE(allNames(), QStringList({ "bak", "bak/big.txt", "big.txt", "run.journal" }));
    }

    // A rewrite in place cut short last time is put back before the run reads the file.
    void interruptedRewrite()
    {
        const QByteArray old = testing::linesOfCats();
        write("linked.txt", old);
        QCOMPARE(testing::interruptRewrite(path("linked.txt")), engine::SaveOutcome::NotRestored);
        QVERIFY(read("linked.txt") != old);

        const Result r = cli({ "--match-case", "cat", "dog" });
        QCOMPARE(r.status, 0);
        QVERIFY2(r.err.contains("textmend-cli: a rewrite was cut short last time: "
                     + QFile::encodeName(path("linked.txt")) + " was restored"),
            r.err.constData());
        QCOMPARE(read("linked.txt"), QByteArray(old).replace("cat", "dog"));
    }

    void readOnlyAndLinks()
    {
        write("ro.txt", "x");
        write("real/a.txt", "x");
        QFile::setPermissions(path("ro.txt"), QFile::ReadOwner);
        QVERIFY(QFile::link(path("real"), path("link")));
        QVERIFY(QFile::link(m_work, path("real/loop")));
        mkfifo(QFile::encodeName(path("pipe.txt")).constData(), 0600);
        const Result r = cli({ "-r", "x", "y" });
        QCOMPARE(r.status, 2);
        // The linked folder and the loop are not followed, the pipe is not listed.
        QCOMPARE(r.out, QByteArray("real/a.txt - 1 String replaced\n2 Strings found scanning 2 files\n"));
        QCOMPARE(r.err, QByteArray("ro.txt - not written: read-only file\n"));
        QCOMPARE(read("ro.txt"), QByteArray("x"));
        // A dry run tells the refusal the run would meet.
        const Result dry = cli({ "-n", "x", "y", "ro.txt" });
        QCOMPARE(dry.status, 2);
        QCOMPARE(dry.err, r.err);
        QFile::setPermissions(path("ro.txt"), QFile::ReadOwner | QFile::WriteOwner);
        // A pipe given by name is refused without waiting for a writer.
        const Result pipe = cli({ "x", "y", "pipe.txt" });
        QCOMPARE(pipe.status, 2);
        QCOMPARE(pipe.err, QByteArray("pipe.txt - not read: unreadable file\n"));
    }

    void unreadableFolder()
    {
        if (::geteuid() == 0)
            QSKIP("root reads every folder");
        write("a.txt", "x");
        write("locked/b.txt", "x");
        QFile::setPermissions(path("locked"), QFile::WriteOwner);
        const Result r = cli({ "-r", "x", "y" });
        QFile::setPermissions(path("locked"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(r.status, 2);
        QCOMPARE(r.err, QByteArray("locked - not read: unreadable folder\n"));
        QCOMPARE(read("a.txt"), QByteArray("y"));
    }

    void dryRunAndDiff_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("diff");
        const QByteArray ten = "1\n2\n3\n4\n5\ncat\n7\n8\n9\n10\n11\n12\n13\n14\ncat\n16\n";
        QTest::newRow("adjacent lines in one block")
            << QByteArray("a cat\nthe cat\nend\n") << QStringList { "cat", "dog" }
            << "@@ -1,3 +1,3 @@\n-a cat\n-the cat\n+a dog\n+the dog\n end\n";
        QTest::newRow("two hunks seven lines apart")
            << ten << QStringList { "cat", "dog" }
            << "@@ -3,7 +3,7 @@\n 3\n 4\n 5\n-cat\n+dog\n 7\n 8\n 9\n@@ -12,5 +12,5 @@\n 12\n 13\n "
               "14\n-cat\n+dog\n 16\n";
        QTest::newRow("no line break at the end")
            << QByteArray("x\ncat") << QStringList { "cat", "dog" }
            << "@@ -1,2 +1,2 @@\n x\n-cat\n\\ No newline at end of file\n"
               "+dog\n\\ No newline at end of file\n";
        QTest::newRow("a line taken out whole")
            << QByteArray("a\ncat\nb\n") << QStringList { "cat\n", "" } << "@@ -1,3 +1,2 @@\n a\n-cat\n b\n";
        QTest::newRow("a line break put in") << QByteArray("a cat b\n") << QStringList { "cat", "c\nd" }
                                             << "@@ -1 +1,2 @@\n-a cat b\n+a c\n+d b\n";
    }

    void dryRunAndDiff()
    {
        QFETCH(QByteArray, before);
        QFETCH(QStringList, arguments);
        QFETCH(QString, diff);
        write("a.txt", before);
        const QDateTime modified = QFileInfo(path("a.txt")).lastModified();
        QTest::qSleep(10);
        const Result r = cli(QStringList { "-n", "--diff" } + arguments);
        QCOMPARE(r.status, 0);
        QCOMPARE(QString::fromUtf8(r.out).section(u'\n', 2, -4) + u'\n', diff);
        QVERIFY(r.out.startsWith("--- a/a.txt\n+++ b/a.txt\n@@"));
        QVERIFY(
            r.out.endsWith(" would be replaced\n1 String found scanning 1 file (dry run: no file written)\n")
            || r.out.contains("Strings would be replaced"));
        QCOMPARE(read("a.txt"), before);
        QCOMPARE(QFileInfo(path("a.txt")).lastModified(), modified);
    }

    void json()
    {
        write("q\"\n\\.txt", "x");
        write("bin.txt", binary + "x");
        const Result r = cli({ "--json", "x", "y" });
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.isEmpty());
        const QList<QByteArray> lines = r.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 3);
        QJsonObject first = QJsonDocument::fromJson(lines[0]).object();
        QCOMPARE(first.value("path").toString(), "bin.txt");
        QCOMPARE(first.value("outcome").toString(), "skipped");
        QCOMPARE(first.value("reason").toString(), "binary file");
        QJsonObject second = QJsonDocument::fromJson(lines[1]).object();
        QCOMPARE(second.value("path").toString(), "q\"\n\\.txt");
        QCOMPARE(second.value("count").toInt(), 1);
        QCOMPARE(second.value("outcome").toString(), "replaced");
        QJsonObject summary = QJsonDocument::fromJson(lines[2]).object();
        QCOMPARE(summary.value("summary").toString(), "1 String found scanning 2 files");
        QCOMPARE(summary.value("refused").toInt(), 1);
    }

    void backups_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("err");
        QTest::addColumn<Files>("after");
        const Files changed { "a.txt=y", "sub/b.txt=y", "c.txt=z" };
        const Files unchanged { "a.txt=x", "sub/b.txt=x", "c.txt=z" };
        QTest::newRow("copies of what changes, with their folders")
            << QStringList { "-r", "--backup-dir", "bak", "x", "y" } << 0 << ""
            << changed + Files { "bak/a.txt=x", "bak/sub/b.txt=x", "bak/c.txt=<missing>" };
        QTest::newRow("a backup folder inside the tree is not entered")
            << QStringList { "-r", "--backup-dir=sub/bak", "x", "y" } << 0 << ""
            << changed + Files { "sub/bak/a.txt=x", "sub/bak/sub/b.txt=x" };
        QTest::newRow("the working folder is refused")
            << QStringList { "-r", "--backup-dir", ".", "x", "y" } << 2
            << "the backup folder is the folder of" << unchanged;
        QTest::newRow("a backup folder that is a file")
            << QStringList { "-r", "--backup-dir", "c.txt", "x", "y" } << 2 << "cannot be made" << unchanged;
        QTest::newRow("a dry run copies nothing") << QStringList { "-n", "--backup-dir", "bak", "x", "y" }
                                                  << 0 << "" << unchanged + Files { "bak=<missing>" };
        QTest::newRow("a failed copy changes nothing")
            << QStringList { "-r", "--backup-dir", "bak2", "x", "y" } << 2
            << "a.txt: the backup folder holds a folder of that name" << unchanged;
    }

    void backups()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, err);
        QFETCH(Files, after);
        writeAll({ "a.txt=x", "sub/b.txt=x", "c.txt=z", "bak2/a.txt/inner=" });
        const Result r = cli(arguments);
        QCOMPARE(r.status, status);
        QVERIFY2(r.err.contains(err.toUtf8()), r.err);
        checkAll(after);
    }

    void filesFrom()
    {
        write("a b.txt", "x");
        write("c\nd.log", "x");
        write("e.txt", "x");
        const QByteArray bad = QFile::encodeName(m_work) + "/caf\xe9.txt";
        const int fd = ::open(bad.constData(), O_CREAT | O_WRONLY, 0644);
        QVERIFY(fd >= 0 && ::write(fd, "x", 1) == 1);
        ::close(fd);
        const Result r = cli(
            { "-0", "--files-from", "-", "x", "y" }, QByteArray("a b.txt\0c\nd.log\0\0", 18) + bad + '\0');
        QCOMPARE(r.status, 0);
        // A name that is not UTF-8 keeps its bytes; the output shows its stray byte as U+FFFD.
        QCOMPARE(r.out,
            QByteArray("a b.txt - 1 String replaced\nc\\nd.log - 1 String replaced\n")
                + QFile::encodeName(m_work)
                + "/caf\xef\xbf\xbd.txt - 1 String replaced\n3 Strings found scanning 3 files\n");
        QCOMPARE(read("e.txt"), QByteArray("x"));
        QCOMPARE(read("c\nd.log"), QByteArray("y"));
        QFile named;
        QVERIFY(named.open(::open(bad.constData(), O_RDONLY), QIODevice::ReadOnly, QFile::AutoCloseHandle));
        QCOMPARE(named.readAll(), QByteArray("y"));
        ::unlink(bad.constData()); // the temporary folder cannot remove a name that is not UTF-8
    }

    // Nobody reading the output any more ends the run after the file in hand, and damages nothing.
    void brokenPipe()
    {
        for (int i = 0; i < 300; ++i)
            write(QStringLiteral("f%1.txt").arg(i, 3, 10, QLatin1Char('0')), "cat\n");
        QProcess shell;
        shell.setWorkingDirectory(m_work);
        shell.start("bash",
            { "-c",
                QStringLiteral("set -o pipefail; '%1' --diff cat dog | head -1; echo $?")
                    .arg(QStringLiteral(TEXTMEND_CLI)) });
        QVERIFY(shell.waitForFinished(60000));
        const QList<QByteArray> lines = shell.readAllStandardOutput().split('\n');
        QCOMPARE(lines.value(0), QByteArray("--- a/f000.txt"));
        QCOMPARE(lines.value(1), QByteArray("2"));
        QVERIFY2(shell.readAllStandardError().isEmpty(), "no complaint about the pipe");
        int changed = 0;
        for (const QString& name : allNames()) {
            const QByteArray bytes = read(name);
            QVERIFY2(bytes == "cat\n" || bytes == "dog\n", qPrintable(name));
            changed += bytes == "dog\n";
        }
        QCOMPARE(allNames().size(), 300);
        QVERIFY2(changed > 0 && changed < 300, QByteArray::number(changed));
    }

    // Ctrl+C while a large file is replaced: that file is finished, the next one is not begun.
    void interrupted()
    {
        write("a.txt", QByteArray("cat ").repeated(8 << 20));
        write("b.txt", "cat");
        QProcess process;
        process.setWorkingDirectory(m_work);
        process.start(QStringLiteral(TEXTMEND_CLI), { "--match-case", "cat", "dog" });
        QVERIFY(process.waitForStarted());
        QTest::qWait(200);
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 128 + SIGINT);
        const QByteArray a = read("a.txt");
        QVERIFY(a == QByteArray("dog ").repeated(8 << 20));
        QCOMPARE(read("b.txt"), QByteArray("cat"));
        QCOMPARE(allNames(), QStringList({ "a.txt", "b.txt" }));
        QCOMPARE(process.readAllStandardOutput(),
            QByteArray("a.txt - 8388608 Strings replaced\n8388608 Strings found scanning 2 files\n"));
        QCOMPARE(process.readAllStandardError(),
            QByteArray("textmend-cli: stopped; 1 more file was not visited\n"));
    }
};
} // namespace

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
