#include "doc_testing.h"

#include <QDir>
#include <QtTest>

using richtext::Document;
using richtext::LoadMode;
using richtext::LoadOutcome;
using richtext::SaveOutcome;

namespace
{
QByteArray utf16(const QString& text, bool little)
{
    QByteArray out;
    for (QChar c : text) {
        const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
        out.append(little ? lo : hi).append(little ? hi : lo);
    }
    return out;
}
const QByteArray leBom("\xFF\xFE", 2), beBom("\xFE\xFF", 2);
} // namespace

class PlainTextTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

private slots:
    void writeBack_data();
    void writeBack();
    void refused_data();
    void refused();
    void unencodable();
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
    const int exact = richtext::rtfMatchCase;

    QTest::newRow("UTF-8 byte order mark kept") << QByteArray("\xEF\xBB\xBFx ab x") << "x"
                                                << "yy" << exact << 2 << QByteArray("\xEF\xBB\xBFyy ab yy");
    QTest::newRow("UTF-8 before the match")
        << QByteArray("\xC3\xB1\xF0\x9F\x98\x80x\xC3\xB1x") << "x"
        << "\xC3\xA9" << exact << 2 << QByteArray("\xC3\xB1\xF0\x9F\x98\x80\xC3\xA9\xC3\xB1\xC3\xA9");
    QTest::newRow("surrogate pair ending eight bytes")
        << QByteArray("abcdefg\xF0\x9F\x98\x80x\r\n1234567\xF0\x9F\x98\x80x") << "x"
        << "y" << exact << 2 << QByteArray("abcdefg\xF0\x9F\x98\x80y\r\n1234567\xF0\x9F\x98\x80y");
    QTest::newRow("CRLF kept") << QByteArray("x\r\nx\r\n") << "x"
                               << "y" << exact << 2 << QByteArray("y\r\ny\r\n");
    QTest::newRow("line break inserted into a CRLF file") << QByteArray("a;b\r\nc") << ";"
                                                          << "\n"
                                                          << exact << 1 << QByteArray("a\r\nb\r\nc");
    QTest::newRow("find across a CRLF line break") << QByteArray("end\r\nstart\r\nend\nstart") << "end\nstart"
                                                   << "-" << exact << 2 << QByteArray("-\r\n-");
    QTest::newRow("lone CR file gets CR") << QByteArray("a;b\rc;") << ";"
                                          << "\r\n"
                                          << exact << 2 << QByteArray("a\rb\rc\r");
    QTest::newRow("CRLF file, match after many lines")
        << QByteArray("l1\r\nl2\r\nl3\r\nxyz\r\n") << "XYZ"
        << "ok" << 0 << 1 << QByteArray("l1\r\nl2\r\nl3\r\nok\r\n");
    QTest::newRow("Windows-1252 bytes 0x80-0x9F kept")
        << QByteArray("\x80\x81\x8D\x8F\x90\x9D\x9F x \xFF") << "x"
        << "\xE2\x82\xAC" << exact << 1 << QByteArray("\x80\x81\x8D\x8F\x90\x9D\x9F \x80 \xFF");
    QTest::newRow("invalid UTF-8 read as Windows-1252")
        << QByteArray("caf\xE9 caf\xE9") << "caf\xC3\xA9"
        << "\xC3\xBC" << exact << 2 << QByteArray("\xFC \xFC");
    QTest::newRow("overlong UTF-8 is not UTF-8") << QByteArray("\xC0\xAF x") << "x"
                                                 << "y" << exact << 1 << QByteArray("\xC0\xAF y");
    QTest::newRow("Windows-1252 with CRLF") << QByteArray("\x93q\x94\r\nq") << "q"
                                            << "\xC3\xA9" << exact << 2 << QByteArray("\x93\xE9\x94\r\n\xE9");
    QTest::newRow("non-ASCII into an ASCII file is UTF-8") << QByteArray("a-b") << "-"
                                                           << "\xE2\x80\x94" << exact << 1
                                                           << QByteArray("a\xE2\x80\x94"
                                                                         "b");
    QTest::newRow("UTF-16 LE with BOM") << leBom + utf16("ab\r\nab", true) << "b"
                                        << "\xC3\xA9\n"
                                        << exact << 2 << leBom + utf16("a\u00e9\r\n\r\na\u00e9\r\n", true);
    QTest::newRow("UTF-16 BE with BOM") << beBom + utf16("x\u0416x", false) << "\u0436"
                                        << "y" << 0 << 1 << beBom + utf16("xyx", false);
    QTest::newRow("UTF-16 LE without BOM") << utf16("one two\n", true) << "two"
                                           << "2" << exact << 1 << utf16("one 2\n", true);
    QTest::newRow("UTF-16 BE without BOM") << utf16("one two", false) << "one"
                                           << "1" << exact << 1 << utf16("1 two", false);
    QTest::newRow("adjacent matches") << QByteArray("catcat") << "cat"
                                      << "dog" << exact << 2 << QByteArray("dogdog");
    QTest::newRow("replacement contains the find string") << QByteArray("aXa") << "a"
                                                          << "aa" << exact << 2 << QByteArray("aaXaa");
    QTest::newRow("empty replacement deletes") << QByteArray("a-b--c") << "-"
                                               << "" << exact << 3 << QByteArray("abc");
    QTest::newRow("case-insensitive Cyrillic and Greek")
        << QByteArray("\xD0\x9C\xD0\xB8\xD1\x80 \xCE\xA3\xCE\xBF\xCF\x86\xCE\xAF\xCE\xB1")
        << "\xD0\xBC\xD0\x98\xD0\xA0"
        << "W" << 0 << 1 << QByteArray("W \xCE\xA3\xCE\xBF\xCF\x86\xCE\xAF\xCE\xB1");
    QTest::newRow("whole words only")
        << QByteArray("quorum quorums quorum_x quorum.") << "quorum"
        << "S" << int(richtext::rtfWholeWord) << 2 << QByteArray("S quorums quorum_x S.");
}

void PlainTextTest::writeBack()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, find);
    QFETCH(QString, with);
    QFETCH(int, options);
    QFETCH(int, count);
    QFETCH(QByteArray, after);
    const QString file = path("doc.txt");
    doctest::writeFile(file, before);
    Document doc;
    QCOMPARE(doc.load(file, LoadMode::Text), LoadOutcome::Loaded);
    QCOMPARE(doctest::replaceAll(doc, find, with, options), count);
    QCOMPARE(doc.save(file, richtext::rtfText), SaveOutcome::Written);
    QCOMPARE(doctest::readFile(file), after);

    // Read back, the written file holds the same text as the edited document.
    const QString edited = doc.text();
    Document again;
    QCOMPARE(again.load(file, LoadMode::Text), LoadOutcome::Loaded);
    QCOMPARE(again.text(), edited);
}

void PlainTextTest::refused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<LoadOutcome>("outcome");
    QTest::newRow("UTF-32 LE") << QByteArray("\xFF\xFE\0\0x\0\0\0", 8) << LoadOutcome::Unsupported;
    QTest::newRow("UTF-32 BE") << QByteArray("\0\0\xFE\xFF\0\0\0x", 8) << LoadOutcome::Unsupported;
    QTest::newRow("NUL byte") << QByteArray("PK\x03\x04\0\0\x14\0binary", 14) << LoadOutcome::Binary;
    QTest::newRow("NUL pairs") << QByteArray("ab\0\0cd", 6) << LoadOutcome::Binary;
    QTest::newRow("invalid UTF-8 after a UTF-8 BOM")
        << QByteArray("\xEF\xBB\xBF\xFFx") << LoadOutcome::Unsupported;
    QTest::newRow("odd UTF-16") << QByteArray("\xFF\xFEx\0y", 5) << LoadOutcome::Unsupported;
}

void PlainTextTest::refused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(LoadOutcome, outcome);
    const QString file = path("refused.bin");
    doctest::writeFile(file, bytes);
    Document doc;
    doc.setText("previous");
    QCOMPARE(doc.load(file, LoadMode::Text), outcome);
    QCOMPARE(doc.text(), QString());
    QCOMPARE(doc.load(file, LoadMode::RichOnly), LoadOutcome::NotRichText);
    QCOMPARE(doc.load(path("missing.txt"), LoadMode::Text), LoadOutcome::Missing);
    QCOMPARE(doc.load(dir.path(), LoadMode::Text), LoadOutcome::Unreadable);
}

void PlainTextTest::unencodable()
{
    const QString file = path("cp1252.txt");
    const QByteArray before("na\xEFve x");
    doctest::writeFile(file, before);
    doctest::backdate(file);
    const QDateTime stamp = doctest::modified(file);
    Document doc;
    QCOMPARE(doc.load(file, LoadMode::Text), LoadOutcome::Loaded);
    QCOMPARE(doc.text(), QString::fromUtf8("na\xC3\xAFve x"));
    QCOMPARE(doctest::replaceAll(doc, "x", QString::fromUtf8("\xD0\x96"), 0), 1);
    QCOMPARE(doc.save(file, richtext::rtfText), SaveOutcome::Unencodable);
    QCOMPARE(doctest::readFile(file), before);
    QCOMPARE(doctest::modified(file), stamp);
    QCOMPARE(QDir(dir.path()).entryList({ ".cp1252*" }, QDir::Files | QDir::Hidden), QStringList());
}

void PlainTextTest::fileSafety()
{
    // Nothing matched: loading and searching leave the file alone.
    const QString plain = path("untouched.txt");
    doctest::writeFile(plain, "nothing here\r\n");
    doctest::backdate(plain);
    const QDateTime stamp = doctest::modified(plain);
    Document doc;
    QCOMPARE(doc.load(plain, LoadMode::Text), LoadOutcome::Loaded);
    QCOMPARE(doctest::replaceAll(doc, "absent", "x", 0), 0);
    QCOMPARE(doc.find(u"absent"), -1);
    QCOMPARE(doctest::readFile(plain), QByteArray("nothing here\r\n"));
    QCOMPARE(doctest::modified(plain), stamp);

    // A document that outlives its run holds its own copy: another program may then cut the file short.
    const QString kept = path("kept.txt");
    doctest::writeFile(kept, QByteArray(100000, 'k') + " tail");
    QCOMPARE(doc.load(kept, LoadMode::Text), LoadOutcome::Loaded);
    QCOMPARE(doctest::replaceAll(doc, "tail", "end", 0), 1);
    doc.keepOwnCopy();
    QVERIFY(QFile::resize(kept, 0));
    QCOMPARE(doc.text().right(5), QString("k end"));

    // Permissions are kept.
    const QString shared = path("shared.txt");
    doctest::writeFile(shared, "a b");
    const auto permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
        | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::ExeOwner;
    QVERIFY(QFile::setPermissions(shared, permissions));
    QCOMPARE(doc.load(shared, LoadMode::Text), LoadOutcome::Loaded);
    QCOMPARE(doctest::replaceAll(doc, "a", "c", 0), 1);
    QCOMPARE(doc.save(shared, richtext::rtfText), SaveOutcome::Written);
    QCOMPARE(doctest::readFile(shared), QByteArray("c b"));
    const QFileDevice::Permissions userBits(0x0700); // the same bits seen as the current user
    QCOMPARE(QFileInfo(shared).permissions() & ~userBits, permissions);

    // A symbolic link: the file it points to is written and the link stays a link.
    const QString target = path("target.txt"), link = path("link.txt");
    doctest::writeFile(target, "old text");
    QVERIFY(QFile::link(target, link));
    QCOMPARE(doc.load(link, LoadMode::Text), LoadOutcome::Loaded);
    QCOMPARE(doctest::replaceAll(doc, "old", "new", 0), 1);
    QCOMPARE(doc.save(link, richtext::rtfText), SaveOutcome::Written);
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(doctest::readFile(target), QByteArray("new text"));

    // No temporary file is left behind.
    QCOMPARE(QDir(dir.path()).entryList({ ".*" }, QDir::Files | QDir::Hidden | QDir::System), QStringList());

    // A read-only file is not written.
    const QString locked = path("locked.txt");
    doctest::writeFile(locked, "a");
    QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ReadUser));
    QCOMPARE(doc.load(locked, LoadMode::Text), LoadOutcome::Loaded);
    QCOMPARE(doctest::replaceAll(doc, "a", "b", 0), 1);
    if (QFileInfo(locked).isWritable())
        QSKIP("running as a user who may write read-only files");
    QCOMPARE(doc.save(locked, richtext::rtfText), SaveOutcome::ReadOnly);
    QCOMPARE(doctest::readFile(locked), QByteArray("a"));
}

QTEST_GUILESS_MAIN(PlainTextTest)
#include "tst_doc_plaintext.moc"
