// The per-file engine, driven through the real window offscreen on a temporary folder.
#include "engine/document.h"
#include "replacefixture.h"

#include <QtTest>
#include <unistd.h>

using engine::describe;
using engine::SaveOutcome;

namespace
{
// The file is "a" with the pattern's extension; options hold 'w' for Whole Word Only, 'c' for Match Case.
struct Replacement {
    const char *name, *pattern, *before, *find, *with, *options, *after;
    int count;
};
// b, between two good files a and c, goes wrong in some way; `stops` tells whether the run ends there.
// A row named "... during the run" has another program change b after it was read, before it is written.
struct BadFile {
    QString pattern;
    QByteArray content;
    QString with;
    QStringList lines;
    bool stops;
};
} // namespace
Q_DECLARE_METATYPE(Replacement)
Q_DECLARE_METATYPE(BadFile)

class RtfFunctionsTest : public QObject
{
    Q_OBJECT
private slots:
    void replace_data();
    void replace();
    void badFilesAreReported_data();
    void badFilesAreReported();
};

void RtfFunctionsTest::replace_data()
{
    QTest::addColumn<Replacement>("r");
    // clang-format off
    for (const Replacement& r : std::initializer_list<Replacement> {
        { "empty replacement deletes", "*.txt", "a cat, b cat.", "cat", "", "", "a , b .", 2 },
        { "replacement holds the find string", "*.txt", "aXa", "a", "aa", "", "aaXaa", 2 },
        { "adjacent", "*.txt", "catcat", "cat", "dog", "", "dogdog", 2 },
        { "ten: the count carries", "*.txt", "xxxxxxxxxx", "x", "yy", "", "yyyyyyyyyyyyyyyyyyyy", 10 },
        { "case ignored", "*.txt", "Cat CAT", "cat", "dog", "", "dog dog", 2 },
        { "match case", "*.txt", "Cat cat", "cat", "dog", "c", "Cat dog", 1 },
        { "whole word in longer words", "*.txt", "concat cats", "cat", "dog", "w", "concat cats", 0 },
        { "both options", "*.txt", "cat Cat concat cat_x cat", "cat", "dog", "wc", "dog Cat concat cat_x dog", 2 },
        { "both options, first whole word in another case", "*.txt", "Cat cat", "cat", "dog", "wc", "Cat dog", 1 },
        { "both options, only inside a word", "*.txt", "concat", "cat", "dog", "wc", "concat", 0 },
        { "both options, only in another case", "*.txt", "CAT", "cat", "dog", "wc", "CAT", 0 },
        { "CRLF", "*.txt", "cat\r\nx\r\ncat", "cat\nx", "y", "", "y\r\ncat", 1 },
        // A file is read and written by what it holds: an RTF document is never edited as text.
        { "RTF under *", "*", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 A paragraph about part\\par Second line\\par}", "par", "XYZ", "", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 A XYZagraph about XYZt\\par Second line\\par}", 2 },
        { "RTF under *.*", "*.*", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 A paragraph about part\\par Second line\\par}", "par", "XYZ", "", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 A XYZagraph about XYZt\\par Second line\\par}", 2 },
        { "RTF under *.RTF", "*.RTF", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 A paragraph about part\\par Second line\\par}", "par", "XYZ", "", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 A XYZagraph about XYZt\\par Second line\\par}", 2 },
        { "RTF under several wildcards", "*.txt;*.rtf", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 A paragraph about part\\par Second line\\par}", "par", "XYZ", "", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 A XYZagraph about XYZt\\par Second line\\par}", 2 },
        { "RTF under *.doc", "*.doc", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 A paragraph about part\\par Second line\\par}", "par", "XYZ", "", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 A XYZagraph about XYZt\\par Second line\\par}", 2 },
        { "RTF after a byte order mark", "*", "\xEF\xBB\xBF{\\rtf1 part\\par}", "par", "XYZ", "", "\xEF\xBB\xBF{\\rtf1 XYZt\\par}", 1 },
        { "RTF, both options", "*", "{\\rtf1 par Par part\\par}", "par", "XYZ", "wc", "{\\rtf1 XYZ Par part\\par}", 1 },
        { "plain text naming RTF on its second line", "*.txt", "x\n{\\rtf1 par}", "par", "XYZ", "", "x\n{\\rtf1 XYZ}", 1 },
        { "plain text named .rtf", "*.rtf", "cat \\par", "par", "XYZ", "", "cat \\XYZ", 1 },
        { "*.htm is plain text", "*.htm", "<p>cat</p>", "cat", "dog", "", "<p>dog</p>", 1 },
        { "*.rtf is rich text", "*.rtf", "{\\rtf1 {\\b cat}}", "cat", "dog", "", "{\\rtf1 {\\b dog}}", 1 } })
        QTest::newRow(r.name) << r;
    // clang-format on
}

void RtfFunctionsTest::replace()
{
    QFETCH(Replacement, r);
    // Held whole, then as a file too large to hold, read and written three bytes at a time.
    for (const bool streamed : { false, true }) {
        ReplaceFixture f;
        // The file takes the first wildcard's extension: "a" under "*", "a.txt" under "*.txt;*.rtf".
        const QString ext = QString(r.pattern).section(';', 0, 0).mid(1).remove('*'), name = "a" + ext;
        QFile file(f.sandbox.writeFile(name, r.before));
        const QDateTime longAgo(QDate(2001, 2, 3), QTime(4, 5, 6));
        QVERIFY(
            file.open(QIODevice::ReadWrite) && file.setFileTime(longAgo, QFileDevice::FileModificationTime));
        f.sandbox.writeFile("unticked" + ext, r.before);
        if (streamed)
            f.before = [&] {
                f.w->rtftext->setStreamLimits({ 1, 3, 0 });
            };
        f.run({ name }, r.find, r.with, r.options, r.pattern);

        QCOMPARE(f.sandbox.readFile(name) + "|" + f.sandbox.readFile("unticked" + ext),
            QByteArray(r.after) + "|" + r.before);
        QCOMPARE(
            QFileInfo(f.path(name)).lastModified() == longAgo, r.count == 0); // nothing found: not written
        const QString line =
            QString("%1 - %2 String%3 replaced").arg(name).arg(r.count).arg(r.count == 1 ? "" : "s");
        QCOMPARE(f.results(), r.count ? QStringList { line } : QStringList());
        QCOMPARE(f.w->lblTotal->Caption(),
            QString("%1 String%2 found scanning 1 file").arg(r.count).arg(r.count == 1 ? "" : "s"));
    }
}

void RtfFunctionsTest::badFilesAreReported_data()
{
    QTest::addColumn<BadFile>("bad");
    const QString found = "b.txt - 1 String replaced", unencodable = describe(SaveOutcome::Unencodable);
    const QString changed = "b.txt - not written: changed by another program";
    // clang-format off
    QTest::newRow("deleted") << BadFile { "*.txt", "cat", "dog", { "b.txt - not read: file not found" }, true };
    QTest::newRow("deleted during the run") << BadFile { "*.txt", "cat", "dog", { found, changed }, false };
    QTest::newRow("made a link during the run") << BadFile { "*.txt", "cat", "dog", { found, changed }, false };
    QTest::newRow("read-only") << BadFile { "*.txt", "cat", "dog", { found, "b.txt - not written: read-only file" }, false };
    QTest::newRow("binary") << BadFile { "*.txt", { "cat\0cat", 7 }, "dog", { "b.txt - skipped: binary file" }, false };
    QTest::newRow("binary under *.doc") << BadFile { "*.doc", { "\xD0\xCF\x11\xE0\0 cat", 9 }, "dog", { "b.doc - skipped: binary file" }, false };
    QTest::newRow("unencodable") << BadFile { "*.txt", "caf\xE9 cat", "\u2192", { found, "b.txt - not written: " + unencodable }, false };
    QTest::newRow("unsupported code page") << BadFile { "*.rtf", "{\\rtf1\\ansicpg936 a{\\'b0}cat}", "dog",
        { "b.rtf - 1 String replaced", "b.rtf - not written: unsupported code page" }, false };
    // Files too large to hold: one with another name would be overwritten in place, held whole.
    QTest::newRow("large, another name") << BadFile { "*.txt", "cat", "dog", { "b.txt - not written: " + describe(SaveOutcome::TooLargeToHold) }, false };
    QTest::newRow("large rich text") << BadFile { "*.rtf", "{\\rtf1 " + QByteArray(200, 'x') + " cat}", "dog", { "b.rtf - skipped: " + describe(engine::LoadOutcome::TooLarge) }, false };
    // clang-format on
}

void RtfFunctionsTest::badFilesAreReported()
{
    QFETCH(BadFile, bad);
    const QString ext = bad.pattern.mid(1), a = "a" + ext, b = "b" + ext, c = "c" + ext;
    const QByteArray good = ext == ".txt" ? QByteArray("cat") : QByteArray("{\\rtf1 cat}");
    const QByteArray replaced = QByteArray(good).replace("cat", bad.with.toUtf8());
    ReplaceFixture f;
    f.sandbox.writeFile(a, good);
    f.sandbox.writeFile(b, bad.content);
    f.sandbox.writeFile(c, good);
    f.sandbox.writeFile("unticked.txt", "cat");
    const QString tag = QTest::currentDataTag();
    f.before = [&] {
        if (tag == "deleted")
            QFile::remove(f.path(b));
        if (tag == "read-only")
            QFile::setPermissions(f.path(b), QFile::ReadOwner | QFile::ReadUser);
        if (tag.startsWith("large")) {
            f.w->rtftext->setStreamLimits({ 1, 4, 100 * engine::StreamLimits::richCost });
            QCOMPARE(::link(QFile::encodeName(f.path(b)).constData(),
                         QFile::encodeName(f.path("b.other")).constData()),
                0);
        }
        // b's result line comes after b was read and before it is written.
        QObject::connect(f.w->lstResults->model(), &QAbstractItemModel::rowsInserted, f.w.get(), [&] {
            if (!tag.endsWith("during the run") || f.w->lstResults->count() != 2)
                return;
            QFile::remove(f.path(b));
            if (tag.startsWith("made a link"))
                QFile::link(f.path("unticked.txt"), f.path(b));
        });
    };
    f.run({ a, b, c }, "cat", bad.with, "", bad.pattern);

    QCOMPARE(f.results(),
        QStringList { a + " - 1 String replaced" } + bad.lines
            + (bad.stops ? QStringList() : QStringList { c + " - 1 String replaced" }));
    // b's content is read through the link that replaced it, if any: the unticked file is untouched.
    QCOMPARE(QList<QByteArray>({ f.sandbox.readFile(a), f.sandbox.readFile(b), f.sandbox.readFile(c),
                 f.sandbox.readFile("unticked.txt") }),
        QList<QByteArray>({ replaced, tag.startsWith("deleted") ? QByteArray() : bad.content,
            bad.stops ? good : replaced, "cat" }));
}

QTEST_MAIN(RtfFunctionsTest)
#include "tst_rtffunctions.moc"
