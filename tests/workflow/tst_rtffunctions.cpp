// The per-file engine, driven through the real window offscreen on a temporary folder.
#include "replacefixture.h"
#include "richtext/document.h"

#include <QFileInfo>
#include <QtTest>

using richtext::describe;
using richtext::SaveOutcome;

class RtfFunctionsTest : public QObject
{
    Q_OBJECT
private slots:
    void replace_data();
    void replace();
    void badFilesAreReported_data();
    void badFilesAreReported();
    void linksAndPermissionsAreKept();
};

void RtfFunctionsTest::replace_data()
{
    QTest::addColumn<QString>("pattern"); // the file is "a" with the pattern's extension
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("with");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<int>("count");

    struct Row {
        const char *name, *pattern, *before, *find, *with, *options, *after;
        int count;
    };
    for (const Row& r : std::initializer_list<Row> {
             { "one", "*.txt", "the cat", "cat", "dog", "", "the dog", 1 },
             { "empty replacement deletes", "*.txt", "a cat, b cat.", "cat", "", "", "a , b .", 2 },
             { "replacement holds the find string", "*.txt", "aXa", "a", "aa", "", "aaXaa", 2 },
             { "adjacent", "*.txt", "catcat", "cat", "dog", "", "dogdog", 2 },
             { "case ignored", "*.txt", "Cat CAT", "cat", "dog", "", "dog dog", 2 },
             { "match case", "*.txt", "Cat cat", "cat", "dog", "c", "Cat dog", 1 },
             { "whole word in longer words", "*.txt", "concat cats", "cat", "dog", "w", "concat cats", 0 },
             { "both options", "*.txt", "cat Cat concat cat_x cat", "cat", "dog", "wc",
                 "dog Cat concat cat_x dog", 2 },
             { "CRLF", "*.txt", "cat\r\nx\r\ncat", "cat\nx", "y", "", "y\r\ncat", 1 },
             { "*.TXT is plain text", "*.TXT", "{\\rtf1 cat}", "cat", "dog", "", "{\\rtf1 dog}", 1 },
             { "*.htm is plain text", "*.htm", "<p>cat</p>", "cat", "dog", "", "<p>dog</p>", 1 },
             { "*.rtf is rich text", "*.rtf", "{\\rtf1 {\\b cat}}", "cat", "dog", "", "{\\rtf1 {\\b dog}}",
                 1 },
         })
        QTest::newRow(r.name) << QString(r.pattern) << QByteArray(r.before) << QString(r.find)
                              << QString(r.with) << QString(r.options) << QByteArray(r.after) << r.count;
}

void RtfFunctionsTest::replace()
{
    QFETCH(QString, pattern);
    QFETCH(QByteArray, before);
    QFETCH(QString, find);
    QFETCH(QString, with);
    QFETCH(QString, options);
    QFETCH(QByteArray, after);
    QFETCH(int, count);

    ReplaceFixture f;
    const QString name = "a" + pattern.mid(1);
    f.sandbox.writeFile(name, before);
    f.sandbox.writeFile("unticked" + pattern.mid(1), before);
    f.run({ name }, find, with, options, pattern);

    QCOMPARE(f.sandbox.readFile(name), after);
    QCOMPARE(f.sandbox.readFile("unticked" + pattern.mid(1)), before);
    const QString line = QString("%1 - %2 String%3 replaced").arg(name).arg(count).arg(count == 1 ? "" : "s");
    QCOMPARE(f.results(), count ? QStringList { line } : QStringList());
}

// b, between two good files a and c, goes wrong in some way; `stops` tells whether the run ends there.
void RtfFunctionsTest::badFilesAreReported_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("with");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("stops");

    const QString found = "b.txt - 1 String replaced";
    QTest::newRow("deleted") << "*.txt" << QByteArray("cat") << "dog"
                             << QStringList { "b.txt - not read: file not found" } << true;
    QTest::newRow("read-only") << "*.txt" << QByteArray("cat") << "dog"
                               << QStringList { found, "b.txt - not written: read-only file" } << true;
    QTest::newRow("binary") << "*.txt" << QByteArray("cat\0cat", 7) << "dog"
                            << QStringList { "b.txt - skipped: binary file" } << false;
    QTest::newRow("not RTF under *.doc")
        << "*.doc" << QByteArray("\xD0\xCF\x11\xE0 cat") << "dog"
        << QStringList { "b.doc - skipped: not a rich text document" } << false;
    QTest::newRow("unencodable") << "*.txt" << QByteArray("caf\xE9 cat") << "\u2192"
                                 << QStringList { found,
                                        "b.txt - not written: " + describe(SaveOutcome::Unencodable) }
                                 << true;
}

void RtfFunctionsTest::badFilesAreReported()
{
    QFETCH(QString, pattern);
    QFETCH(QByteArray, content);
    QFETCH(QString, with);
    QFETCH(QStringList, lines);
    QFETCH(bool, stops);

    const QString ext = pattern.mid(1), a = "a" + ext, b = "b" + ext, c = "c" + ext;
    const QByteArray good = ext == ".txt" ? QByteArray("cat") : QByteArray("{\\rtf1 cat}");
    const QByteArray replaced = QByteArray(good).replace("cat", with.toUtf8());
    ReplaceFixture f;
    f.sandbox.writeFile(a, good);
    f.sandbox.writeFile(b, content);
    f.sandbox.writeFile(c, good);
    const QString tag = QTest::currentDataTag();
    f.before = [&] {
        if (tag == "deleted")
            QFile::remove(f.path(b));
        if (tag == "read-only")
            QFile::setPermissions(f.path(b), QFile::ReadOwner | QFile::ReadUser);
    };
    f.run({ a, b, c }, "cat", with, "", pattern);

    QCOMPARE(f.results(),
        QStringList { a + " - 1 String replaced" } + lines
            + (stops ? QStringList() : QStringList { c + " - 1 String replaced" }));
    QCOMPARE(f.sandbox.readFile(a), replaced);
    QCOMPARE(f.sandbox.readFile(b), tag == "deleted" ? QByteArray() : content);
    QCOMPARE(f.sandbox.readFile(c), stops ? good : replaced);
}

void RtfFunctionsTest::linksAndPermissionsAreKept()
{
    ReplaceFixture f;
    QVERIFY(QFile::link(f.sandbox.writeFile("store/real.txt", "one cat"), f.path("link.txt")));
    f.sandbox.writeFile("private.txt", "two cat");
    const auto mode =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup;
    QVERIFY(QFile::setPermissions(f.path("private.txt"), mode));
    f.run({ "link.txt", "private.txt" }, "cat", "dog");

    QVERIFY(QFileInfo(f.path("link.txt")).isSymLink());
    QCOMPARE(f.sandbox.readFile("store/real.txt"), QByteArray("one dog"));
    QCOMPARE(f.sandbox.readFile("private.txt"), QByteArray("two dog"));
    QCOMPARE(QFile::permissions(f.path("private.txt")), mode);
    // No temporary file left behind.
    QCOMPARE(QDir(f.sandbox.workFolder()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

QTEST_MAIN(RtfFunctionsTest)
#include "tst_rtffunctions.moc"
