// The per-file engine, driven through the real window offscreen on a temporary folder.
#include "app/mainwindow.h"
#include "platform/checklist.h"
#include "platform/combobox.h"
#include "platform/folderlist.h"
#include "platform/label.h"
#include "richtext/document.h"
#include "support/sandbox.h"
#include "workflow/filelist.h"
#include "workflow/replacerun.h"

#include <memory>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QtTest>

using richtext::describe;
using richtext::LoadOutcome;
using richtext::SaveOutcome;

namespace
{

const QDateTime longAgo(QDate(2001, 2, 3), QTime(4, 5, 6));

// A window looking at the sandbox's work folder, with the files listed for `pattern`.
struct Bench {
    testing::Sandbox sandbox;
    std::unique_ptr<MainWindow> w;

    void open(const QString& pattern)
    {
        w = std::make_unique<MainWindow>();
        w->show();
        w->Combo1->setText(pattern);
        w->Dir1->setPath(sandbox.workFolder());
        workflow::Dir1_Change(*w);
    }
    void tick(const QStringList& names)
    {
        for (int i = 0; i < w->lstFiles->ListCount(); ++i)
            w->lstFiles->setSelected(i, names.contains(w->lstFiles->List(i)));
    }
    void run(const QString& find, const QString& with, bool wholeWord = false, bool matchCase = false)
    {
        w->chkWhlWrd->setChecked(wholeWord);
        w->chkCase->setChecked(matchCase);
        w->Findme->setPlainText(find);
        w->Replaceme->setPlainText(with);
        workflow::cmdReplace_Click(*w);
    }
    QStringList results() const
    {
        QStringList lines;
        for (int i = 0; i < w->lstResults->count(); ++i)
            lines << w->lstResults->item(i)->text();
        return lines;
    }
    QString path(const QString& name) const { return QDir(sandbox.workFolder()).filePath(name); }
    void age(const QString& name) const
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(longAgo, QFileDevice::FileModificationTime));
    }
    QDateTime modified(const QString& name) const { return QFileInfo(path(name)).lastModified(); }
};

} // namespace

class RtfFunctionsTest : public QObject
{
    Q_OBJECT
private slots:
    void replace_data();
    void replace();
    void filesWithoutMatchAreNotTouched();
    void badFilesAreReported_data();
    void badFilesAreReported();
    void writesInPlace();
};

void RtfFunctionsTest::replace_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("with");
    QTest::addColumn<bool>("wholeWord");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QString>("line");

    const QString txt = "*.txt";
    QTest::newRow("one match") << txt << "a.txt" << QByteArray("the cat sat") << "cat"
                               << "dog" << false << false << QByteArray("the dog sat")
                               << "a.txt - 1 String replaced";
    QTest::newRow("twelve matches") << txt << "notes.txt" << QByteArray("x ").repeated(12) << "x"
                                    << "y" << false << false << QByteArray("y ").repeated(12)
                                    << "notes.txt - 12 Strings replaced";
    QTest::newRow("empty replacement deletes")
        << txt << "a.txt" << QByteArray("a cat, b cat.") << "cat"
        << "" << false << false << QByteArray("a , b .") << "a.txt - 2 Strings replaced";
    QTest::newRow("replacement holds the find string")
        << txt << "a.txt" << QByteArray("aXa") << "a"
        << "aa" << false << false << QByteArray("aaXaa") << "a.txt - 2 Strings replaced";
    QTest::newRow("adjacent matches")
        << txt << "a.txt" << QByteArray("catcat") << "cat"
        << "dog" << false << false << QByteArray("dogdog") << "a.txt - 2 Strings replaced";
    QTest::newRow("match at the very end")
        << txt << "a.txt" << QByteArray("x cat") << "cat"
        << "cats" << false << false << QByteArray("x cats") << "a.txt - 1 String replaced";
    QTest::newRow("case ignored by default")
        << txt << "a.txt" << QByteArray("Cat CAT cat") << "cat"
        << "dog" << false << false << QByteArray("dog dog dog") << "a.txt - 3 Strings replaced";
    QTest::newRow("match case") << txt << "a.txt" << QByteArray("Cat CAT cat") << "cat"
                                << "dog" << false << true << QByteArray("Cat CAT dog")
                                << "a.txt - 1 String replaced";
    QTest::newRow("inner occurrences without whole word")
        << txt << "a.txt" << QByteArray("concat cats") << "cat"
        << "dog" << false << false << QByteArray("condog dogs") << "a.txt - 2 Strings replaced";
    QTest::newRow("whole word: only inside longer words")
        << txt << "a.txt" << QByteArray("concat cats") << "cat"
        << "dog" << true << false << QByteArray("concat cats") << "";
    QTest::newRow("whole word ignores case")
        << txt << "a.txt" << QByteArray("Cat concat, cat.") << "cat"
        << "dog" << true << false << QByteArray("dog concat, dog.") << "a.txt - 2 Strings replaced";
    QTest::newRow("both options") << txt << "a.txt" << QByteArray("cat Cat concat cat_x cat") << "cat"
                                  << "dog" << true << true << QByteArray("dog Cat concat cat_x dog")
                                  << "a.txt - 2 Strings replaced";
    QTest::newRow("CRLF kept") << txt << "a.txt" << QByteArray("cat\r\nx\r\ncat\r\n") << "cat"
                               << "dog" << false << false << QByteArray("dog\r\nx\r\ndog\r\n")
                               << "a.txt - 2 Strings replaced";
    QTest::newRow("UTF-8 with BOM kept")
        << txt << "a.txt" << QByteArray("\xEF\xBB\xBFr\xC3\xA9sum\xC3\xA9 cat") << "cat"
        << "\u00e9t\u00e9" << false << false
        << QByteArray("\xEF\xBB\xBFr\xC3\xA9sum\xC3\xA9 \xC3\xA9t\xC3\xA9") << "a.txt - 1 String replaced";
    QTest::newRow("multi-line find") << txt << "a.txt" << QByteArray("a\r\nb a\r\nb") << "a\nb"
                                     << "c" << false << false << QByteArray("c c")
                                     << "a.txt - 2 Strings replaced";
    QTest::newRow("*.TXT is plain text")
        << "*.TXT"
        << "a.txt" << QByteArray("{\\rtf1 cat}") << "cat"
        << "dog" << false << false << QByteArray("{\\rtf1 dog}") << "a.txt - 1 String replaced";
    QTest::newRow("*.htm is plain text")
        << "*.htm"
        << "a.htm" << QByteArray("<p>cat</p>") << "cat"
        << "dog" << false << false << QByteArray("<p>dog</p>") << "a.htm - 1 String replaced";
    QTest::newRow("*.rtf is rich text")
        << "*.rtf"
        << "a.rtf" << QByteArray("{\\rtf1\\ansi {\\b cat} cat}") << "cat"
        << "dog" << false << false << QByteArray("{\\rtf1\\ansi {\\b dog} dog}")
        << "a.rtf - 2 Strings replaced";
}

void RtfFunctionsTest::replace()
{
    QFETCH(QString, pattern);
    QFETCH(QString, name);
    QFETCH(QByteArray, before);
    QFETCH(QString, find);
    QFETCH(QString, with);
    QFETCH(bool, wholeWord);
    QFETCH(bool, matchCase);
    QFETCH(QByteArray, after);
    QFETCH(QString, line);

    Bench bench;
    bench.sandbox.writeFile(name, before);
    bench.open(pattern);
    bench.tick({ name });
    bench.run(find, with, wholeWord, matchCase);

    QCOMPARE(bench.sandbox.readFile(name), after);
    QCOMPARE(bench.results(), line.isEmpty() ? QStringList() : QStringList { line });
    QVERIFY(bench.sandbox.prompts.messages.empty());
}

void RtfFunctionsTest::filesWithoutMatchAreNotTouched()
{
    Bench bench;
    bench.sandbox.writeFile("a.txt", "cat");
    bench.sandbox.writeFile("b.txt", "nothing here");
    bench.sandbox.writeFile("c.txt", "cat");
    for (const char* name : { "a.txt", "b.txt", "c.txt" })
        bench.age(name);
    bench.open("*.txt");
    bench.tick({ "a.txt", "b.txt" });
    bench.run("cat", "dog");

    QCOMPARE(bench.sandbox.readFile("a.txt"), QByteArray("dog"));
    // Ticked without a match: not written.
    QCOMPARE(bench.sandbox.readFile("b.txt"), QByteArray("nothing here"));
    QCOMPARE(bench.modified("b.txt"), longAgo);
    QCOMPARE(bench.w->lblTotal2->Caption(), QString("0"));
    // Not ticked: not even read.
    QCOMPARE(bench.sandbox.readFile("c.txt"), QByteArray("cat"));
    QCOMPARE(bench.modified("c.txt"), longAgo);
    QCOMPARE(bench.results(), QStringList { "a.txt - 1 String replaced" });
}

// b.txt, between two good files, goes wrong in some way. `stops` tells whether the run ends there.
void RtfFunctionsTest::badFilesAreReported_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("trouble");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("with");
    QTest::addColumn<QStringList>("badLines");
    QTest::addColumn<bool>("stops");

    QTest::newRow("deleted after listing")
        << "*.txt"
        << "delete" << QByteArray("cat") << "dog"
        << QStringList { "b.txt - not read: " + describe(LoadOutcome::Missing) } << true;
    QTest::newRow("read-only") << "*.txt"
                               << "read-only" << QByteArray("cat") << "dog"
                               << QStringList { "b.txt - 1 String replaced",
                                      "b.txt - not written: " + describe(SaveOutcome::ReadOnly) }
                               << true;
    QTest::newRow("binary") << "*.txt"
                            << "" << QByteArray("cat\0cat", 7) << "dog"
                            << QStringList { "b.txt - skipped: " + describe(LoadOutcome::Binary) } << false;
    QTest::newRow("word-processor file under *.doc")
        << "*.doc"
        << "" << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1 cat") << "dog"
        << QStringList { "b.doc - skipped: " + describe(LoadOutcome::NotRichText) } << false;
    QTest::newRow("text file under *.rtf")
        << "*.rtf"
        << "" << QByteArray("plain cat") << "dog"
        << QStringList { "b.rtf - skipped: " + describe(LoadOutcome::NotRichText) } << false;
    QTest::newRow("replacement the encoding cannot hold")
        << "*.txt"
        << "" << QByteArray("caf\xE9 cat") << "\u2192"
        << QStringList { "b.txt - 1 String replaced",
               "b.txt - not written: " + describe(SaveOutcome::Unencodable) }
        << true;
}

void RtfFunctionsTest::badFilesAreReported()
{
    QFETCH(QString, pattern);
    QFETCH(QString, trouble);
    QFETCH(QByteArray, content);
    QFETCH(QString, with);
    QFETCH(QStringList, badLines);
    QFETCH(bool, stops);

    const QString ext = pattern.mid(1);
    const QByteArray good = ext == ".txt" ? QByteArray("cat") : QByteArray("{\\rtf1 cat}");
    const QString a = "a" + ext, b = "b" + ext, c = "c" + ext;
    Bench bench;
    bench.sandbox.writeFile(a, good);
    bench.sandbox.writeFile(b, content);
    bench.sandbox.writeFile(c, good);
    bench.open(pattern);
    bench.tick({ a, b, c });
    if (trouble == "delete")
        QVERIFY(QFile::remove(bench.path(b)));
    if (trouble == "read-only")
        QVERIFY(QFile::setPermissions(bench.path(b), QFile::ReadOwner | QFile::ReadUser));
    bench.run("cat", with);

    const QByteArray replaced = QByteArray(good).replace("cat", with.toUtf8());
    QStringList expected = QStringList { a + " - 1 String replaced" } + badLines;
    if (!stops)
        expected << c + " - 1 String replaced";
    QCOMPARE(bench.results(), expected);
    QCOMPARE(bench.sandbox.readFile(a), replaced);
    if (trouble != "delete")
        QCOMPARE(bench.sandbox.readFile(b), content);
    QCOMPARE(bench.sandbox.readFile(c), stops ? good : replaced);
    QCOMPARE(QDir(bench.sandbox.workFolder()).entryList(QDir::Files | QDir::Hidden).size(),
        trouble == "delete" ? 2 : 3);
    const bool oneFound = stops && badLines.size() == 1;
    QCOMPARE(bench.w->lblTotal->Caption(),
        oneFound ? QString("1 String found scanning 3 files") : QString("2 Strings found scanning 3 files"));
}

void RtfFunctionsTest::writesInPlace()
{
    Bench bench;
    const QString target = bench.sandbox.writeFile("store/real.txt", "one cat");
    QVERIFY(QFile::link(target, bench.path("link.txt")));
    bench.sandbox.writeFile("private.txt", "two cat");
    const auto mode =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup;
    QVERIFY(QFile::setPermissions(bench.path("private.txt"), mode));
    bench.open("*.txt");
    bench.tick({ "link.txt", "private.txt" });
    bench.run("cat", "dog");

    QCOMPARE(
        bench.results(), QStringList({ "link.txt - 1 String replaced", "private.txt - 1 String replaced" }));
    QVERIFY(QFileInfo(bench.path("link.txt")).isSymLink());
    QCOMPARE(bench.sandbox.readFile("store/real.txt"), QByteArray("one dog"));
    QCOMPARE(bench.sandbox.readFile("private.txt"), QByteArray("two dog"));
    QCOMPARE(QFile::permissions(bench.path("private.txt")), mode);
    // Nothing left behind by the writes.
    QCOMPARE(QDir(bench.sandbox.workFolder()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

QTEST_MAIN(RtfFunctionsTest)
#include "tst_rtffunctions.moc"
