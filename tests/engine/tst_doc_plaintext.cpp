#include "doc_testing.h"

#include <QDir>
#include <QtTest>

using doctest::utf16;
using engine::Document;
using engine::LoadMode;
using engine::LoadOutcome;
using engine::SaveOutcome;

namespace
{
const QByteArray leBom("\xFF\xFE", 2), beBom("\xFE\xFF", 2);
} // namespace

class PlainTextTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void writeBack_data();
    void writeBack();
    void refused_data();
    void refused();
    void fileSafety();
};

void PlainTextTest::writeBack_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("with");
    QTest::addColumn<int>("options");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("after");
    auto row = [](const char* name, const QByteArray& before, const char* find, const char* with, int options,
                   int count, const QByteArray& after) {
        QTest::newRow(name) << before << QString::fromUtf8(find) << QString::fromUtf8(with) << options
                            << count << after;
    };
    const int exact = engine::rtfMatchCase;

    row("UTF-8 byte order mark kept", "\xEF\xBB\xBFx ab x", "x", "yy", exact, 2, "\xEF\xBB\xBFyy ab yy");
    row("UTF-8 before the match", "\xC3\xB1\xF0\x9F\x98\x80x\xC3\xB1x", "x", "\xC3\xA9", exact, 2,
        "\xC3\xB1\xF0\x9F\x98\x80\xC3\xA9\xC3\xB1\xC3\xA9");
    row("surrogate pair ending eight bytes", "abcdefg\xF0\x9F\x98\x80x\r\n1234567\xF0\x9F\x98\x80x", "x", "y",
        exact, 2, "abcdefg\xF0\x9F\x98\x80y\r\n1234567\xF0\x9F\x98\x80y");
    row("CRLF kept", "x\r\nx\r\n", "x", "y", exact, 2, "y\r\ny\r\n");
    row("line break inserted into a CRLF file", "a;b\r\nc", ";", "\n", exact, 1, "a\r\nb\r\nc");
    row("find across a CRLF line break", "end\r\nstart\r\nend\nstart", "end\nstart", "-", exact, 2, "-\r\n-");
    row("lone CR file gets CR", "a;b\rc;", ";", "\r\n", exact, 2, "a\rb\rc\r");
    row("inserted CR before a kept LF, joined", "a\rb;\nc", ";", "\n", exact, 1, "a\rb\r\nc");
    row("kept CR and LF meeting, joined", "x\rA\ny\n", "A", "", exact, 1, "x\r\ny\n");
    row("CR and LF meeting in UTF-16, joined", leBom + utf16(u"a\r;\n", true), ";", "", exact, 1,
        leBom + utf16(u"a\r\n", true));
    row("whole word after a replacement that ends in a letter", "x.x.\r\nx.", "x.", "yy",
        exact | engine::rtfWholeWord, 2, "yyx.\r\nyy");
    row("Kelvin sign replaced ignoring case", "\xE2\x84\xAA k\r\n", "K", "k", 0, 2, "k k\r\n");
    row("CRLF file, match after many lines", "l1\r\nl2\r\nl3\r\nxyz\r\n", "XYZ", "ok", 0, 1,
        "l1\r\nl2\r\nl3\r\nok\r\n");
    row("Windows-1252 bytes 0x80-0x9F kept", "\x80\x81\x8D\x8F\x90\x9D\x9F x \xFF", "x", "\xE2\x82\xAC",
        exact, 1, "\x80\x81\x8D\x8F\x90\x9D\x9F \x80 \xFF");
    row("invalid UTF-8 read as Windows-1252", "caf\xE9 caf\xE9", "caf\xC3\xA9", "\xC3\xBC", exact, 2,
        "\xFC \xFC");
    row("overlong UTF-8 is not UTF-8", "\xC0\xAF x", "x", "y", exact, 1, "\xC0\xAF y");
    row("UTF-8, an invalid byte before the match", "\xFF caf\xC3\xA9", "\xC3\xA9", "\xC3\xA8", exact, 1,
        "\xFF caf\xC3\xA8");
    row("UTF-8, an invalid byte and a four-byte character before the match",
        "\xFF\xF0\x9F\x98\x80x \xC3\xA9x", "x", "y", exact, 2, "\xFF\xF0\x9F\x98\x80y \xC3\xA9y");
    row("UTF-8, an invalid byte after the match", "caf\xC3\xA9\xE9 x", "caf\xC3\xA9", "th\xC3\xA9", exact, 1,
        "th\xC3\xA9\xE9 x");
    row("UTF-8, a sequence cut short is one character per byte", "\xE2\x82 \xC3\xA9\xC3\xA9\r\nx", "x",
        "\xE2\x82\xAC", exact, 1, "\xE2\x82 \xC3\xA9\xC3\xA9\r\n\xE2\x82\xAC");
    row("UTF-8 byte order mark, then an invalid byte", "\xEF\xBB\xBF\xFFx", "x", "\xC3\xA9", exact, 1,
        "\xEF\xBB\xBF\xFF\xC3\xA9");
    row("mostly not UTF-8 is Windows-1252", "\xE9t\xE9 na\xEFve \xE0 caf\xC3\xA9", "\xC3\xA9t\xC3\xA9",
        "summer", exact, 1, "summer na\xEFve \xE0 caf\xC3\xA9");
    row("replaced by itself, an invalid byte keeps its byte",
        "\xC3\xA9"
        "a\xFF\x62",
        "a\xEF\xBF\xBD\x62", "a\xEF\xBF\xBD\x62", exact, 1,
        "\xC3\xA9"
        "a\xFF\x62");
    row("replaced by itself, a CRLF pair stays", "a\r\nb\nc", "b\nc", "b\nc", exact, 1, "a\r\nb\nc");
    row("Windows-1252 with CRLF", "\x93q\x94\r\nq", "q", "\xC3\xA9", exact, 2, "\x93\xE9\x94\r\n\xE9");
    row("non-ASCII into an ASCII file is UTF-8", "a-b", "-", "\xE2\x80\x94", exact, 1,
        "a\xE2\x80\x94"
        "b");
    row("UTF-16 LE with BOM", leBom + utf16(u"ab\r\nab", true), "b", "\xC3\xA9\n", exact, 2,
        leBom + utf16(u"a\u00e9\r\n\r\na\u00e9\r\n", true));
    row("UTF-16 BE with BOM", beBom + utf16(u"x\u0416x", false), "\xD0\xB6", "y", 0, 1,
        beBom + utf16(u"xyx", false));
    row("UTF-16 LE without BOM", utf16(u"one two\n", true), "two", "2", exact, 1, utf16(u"one 2\n", true));
    row("UTF-16 BE without BOM", utf16(u"one two", false), "one", "1", exact, 1, utf16(u"1 two", false));
    row("UTF-16 LE without BOM, Cyrillic and Japanese", utf16(u"Привет, こんにちは、世界。\n", true),
        "\xE4\xB8\x96\xE7\x95\x8C", "World", exact, 1, utf16(u"Привет, こんにちは、World。\n", true));
}

void PlainTextTest::writeBack()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, find);
    QFETCH(QString, with);
    QFETCH(int, options);
    QFETCH(int, count);
    QFETCH(QByteArray, after);
    const QString file = doctest::writeFile(dir, "doc.txt", before);
    Document doc;
    QCOMPARE(doc.load(file, LoadMode::Text), LoadOutcome::Loaded);
    QCOMPARE(doctest::replaceAll(doc, find, with, options), count);
    QCOMPARE(doc.save(file, engine::rtfText), SaveOutcome::Written);
    QCOMPARE(doctest::readFile(file), after);
    // Read back, the written file holds the same text as the edited document, but where a CR and an LF
    // came to meet and read as one line break now.
    if (QByteArray(QTest::currentDataTag()).endsWith("joined"))
        return;
    Document again;
    QCOMPARE(again.load(file, LoadMode::Text), LoadOutcome::Loaded);
    QCOMPARE(again.text(), doc.text());
}

void PlainTextTest::refused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<LoadOutcome>("outcome");
    QTest::newRow("UTF-32 LE") << QByteArray("\xFF\xFE\0\0x\0\0\0", 8) << LoadOutcome::Unsupported;
    QTest::newRow("UTF-32 BE") << QByteArray("\0\0\xFE\xFF\0\0\0x", 8) << LoadOutcome::Unsupported;
    QTest::newRow("NUL byte") << QByteArray("PK\x03\x04\0\0\x14\0binary", 14) << LoadOutcome::Binary;
    QTest::newRow("NUL pairs") << QByteArray("ab\0\0cd", 6) << LoadOutcome::Binary;
    QTest::newRow("NUL bytes at odd offsets, not UTF-16 text") << QByteArray("cat\0\x01\x02"
                                                                             "cat\0",
        10)
                                                                      .repeated(4)
                                                               << LoadOutcome::Binary;
    QTest::newRow("odd UTF-16") << QByteArray("\xFF\xFEx\0y", 5) << LoadOutcome::Unsupported;
}

void PlainTextTest::refused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(LoadOutcome, outcome);
    const QString file = doctest::writeFile(dir, "refused.bin", bytes);
    Document doc;
    doc.setText("previous");
    QCOMPARE(doc.load(file, LoadMode::Text), outcome);
    QCOMPARE(doc.text(), QString());
    QCOMPARE(doc.load(file, LoadMode::RichOrText), outcome);
    QCOMPARE(doc.load(dir.filePath("missing.txt"), LoadMode::Text), LoadOutcome::Missing);
    QCOMPARE(doc.load(dir.path(), LoadMode::Text), LoadOutcome::Unreadable);
}

void PlainTextTest::fileSafety()
{
    // Nothing matched: loading and searching leave the file alone.
    const QString plain = doctest::writeFile(dir, "untouched.txt", "nothing here\r\n");
    QDateTime stamp = doctest::backdate(plain);
    Document doc;
    QCOMPARE(doc.load(plain, LoadMode::Text), LoadOutcome::Loaded);
    QCOMPARE(doctest::replaceAll(doc, "absent", "x", 0), 0);
    QCOMPARE(doctest::readFile(plain), QByteArray("nothing here\r\n"));
    QCOMPARE(doctest::modified(plain), stamp);

    // A replacement the file's encoding cannot hold: the file is left alone, no temporary file stays.
    const QString cp1252 = doctest::writeFile(dir, "cp1252.txt", "na\xEFve x");
    stamp = doctest::backdate(cp1252);
    QCOMPARE(doc.load(cp1252, LoadMode::Text), LoadOutcome::Loaded);
    QCOMPARE(doc.text(), u"na\u00EFve x"_qs);
    QCOMPARE(doctest::replaceAll(doc, "x", u"\u0416"_qs, 0), 1);
    QCOMPARE(doc.save(cp1252, engine::rtfText), SaveOutcome::Unencodable);
    QCOMPARE(doctest::readFile(cp1252), QByteArray("na\xEFve x"));
    QCOMPARE(doctest::modified(cp1252), stamp);

    // Another program cuts a loaded file short: the document still reads and searches its text, and
    // leaves the file as the other program made it.
    const QString cut = doctest::writeFile(dir, "cut.txt", QByteArray(100000, 'k') + " tail");
    QCOMPARE(doc.load(cut, LoadMode::Text), LoadOutcome::Loaded);
    QVERIFY(QFile::resize(cut, 0));
    QCOMPARE(doctest::replaceAll(doc, "tail", "end", 0), 1);
    QCOMPARE(doc.text().right(5), QString("k end"));
    QCOMPARE(doc.save(cut, engine::rtfText), SaveOutcome::ChangedByAnotherProgram);
    QCOMPARE(doctest::readFile(cut), QByteArray());

    // Permissions are kept.
    const QString shared = doctest::writeFile(dir, "shared.txt", "a b");
    const auto permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
        | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::ExeOwner;
    QVERIFY(QFile::setPermissions(shared, permissions));
    QCOMPARE(doc.load(shared, LoadMode::Text), LoadOutcome::Loaded);
    QCOMPARE(doctest::replaceAll(doc, "a", "c", 0), 1);
    QCOMPARE(doc.save(shared, engine::rtfText), SaveOutcome::Written);
    QCOMPARE(doctest::readFile(shared), QByteArray("c b"));
    const QFileDevice::Permissions userBits(0x0700); // the same bits seen as the current user
    QCOMPARE(QFileInfo(shared).permissions() & ~userBits, permissions);

    // A symbolic link: the file it points to is written and the link stays a link.
    const QString target = doctest::writeFile(dir, "target.txt", "old text"), link = dir.filePath("link.txt");
    QVERIFY(QFile::link(target, link));
    QCOMPARE(doc.load(link, LoadMode::Text), LoadOutcome::Loaded);
    QCOMPARE(doctest::replaceAll(doc, "old", "new", 0), 1);
    QCOMPARE(doc.save(link, engine::rtfText), SaveOutcome::Written);
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(doctest::readFile(target), QByteArray("new text"));

    // No temporary file is left behind.
    QCOMPARE(QDir(dir.path()).entryList({ ".*" }, QDir::Files | QDir::Hidden | QDir::System), QStringList());

    // A read-only file is not written, not even by the superuser.
    const QString locked = doctest::writeFile(dir, "locked.txt", "a");
    QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ReadUser));
    QCOMPARE(doc.load(locked, LoadMode::Text), LoadOutcome::Loaded);
    QCOMPARE(doctest::replaceAll(doc, "a", "b", 0), 1);
    QCOMPARE(doc.save(locked, engine::rtfText), SaveOutcome::ReadOnly);
    QCOMPARE(doctest::readFile(locked), QByteArray("a"));
}

QTEST_GUILESS_MAIN(PlainTextTest)
#include "tst_doc_plaintext.moc"
