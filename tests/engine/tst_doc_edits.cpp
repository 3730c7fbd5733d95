#include "doc_testing.h"

#include <QRandomGenerator>
#include <QtTest>

using engine::Document;
using engine::LoadMode;
using engine::LoadOutcome;
using engine::SaveOutcome;

class EditsTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void forwardEdits_data();
    void forwardEdits();
    void editsAnywhere_data();
    void editsAnywhere();
};

void EditsTest::forwardEdits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("with");
    QTest::addColumn<QString>("after");
    auto row = [](const char* name, const char* text, const char* find, const char* with, const char* after) {
        QTest::newRow(name) << QString(text) << QString(find) << QString(with) << QString(after);
    };
    row("adjacent matches", "catcat cat", "cat", "dog", "dogdog dog");
    row("replacement contains the find string", "aXa", "a", "aa", "aaXaa");
    row("replacement is the find string twice", "abab", "ab", "abab", "abababab");
    row("empty replacement", "x-y--z-", "-", "", "xyz");
    row("whole text", "abc", "abc", "", "");
    row("replacement with a line break", "a,b,c", ",", "\r\n", "a\nb\nc");
}

// On text held as UTF-16, and on a UTF-8 file with CRLF line breaks that ends in a line of its own,
// searched in its bytes and written back.
void EditsTest::forwardEdits()
{
    QFETCH(QString, text);
    QFETCH(QString, find);
    QFETCH(QString, with);
    QFETCH(QString, after);
    auto crlf = [](const QString& visible) {
        return QString(visible + "\n" + QChar(0xE9)).replace("\n", "\r\n").toUtf8();
    };
    Document doc, file;
    doc.setText(text);
    const QString path = doctest::writeFile(dir, "forward.txt", crlf(text));
    QCOMPARE(file.load(path, LoadMode::Text), LoadOutcome::Loaded);
    for (Document* d : { &doc, &file }) {
        const QString end = d == &file ? "\n" + QString(QChar(0xE9)) : QString();
        QCOMPARE(doctest::replaceAll(*d, find, with, engine::rtfMatchCase), int(text.count(find)));
        QCOMPARE(d->length(), after.size() + end.size());
        QCOMPARE(d->selStart(), qsizetype(after.size() - text.size() + text.lastIndexOf(find) + find.size()));
        QCOMPARE(d->text(), after + end);
    }
    QCOMPARE(file.save(path, engine::rtfText), SaveOutcome::Written);
    QCOMPARE(doctest::readFile(path), crlf(after));
}

void EditsTest::editsAnywhere_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("seed");
    QTest::newRow("ASCII") << QByteArray("The quick brown fox jumps over the lazy dog. ").repeated(6) << 1;
    QTest::newRow("CRLF") << QByteArray("one two\r\nthree four\r\n").repeated(8) << 2;
    QTest::newRow("UTF-8") << QByteArray("na\xC3\xAFve \xF0\x9F\x98\x80 caf\xC3\xA9\n").repeated(8) << 3;
    QTest::newRow("UTF-8 with CRLF")
        << QByteArray("\xF0\x9F\x98\x80\r\n\xC3\xA9t\xC3\xA9 \xE2\x82\xAC\r\n\r\n").repeated(9) << 5;
    QTest::newRow("Windows-1252") << QByteArray("\x93quoted\x94 \x80 10\r\n").repeated(8) << 4;
}

// Forward replacements, then edits at random places (a user's own), checked against a plain string
// that makes the same edits, in the text and in the file written back.
void EditsTest::editsAnywhere()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, seed);
    const QString path = doctest::writeFile(dir, "edits.txt", bytes);
    Document doc;
    QCOMPARE(doc.load(path, LoadMode::Text), LoadOutcome::Loaded);
    QString expected = doc.text();
    // The same edits in a document whose text is never asked for whole: its pieces are read from
    // the file's bytes, between the edits.
    Document lazy;
    QCOMPARE(lazy.load(path, LoadMode::Text), LoadOutcome::Loaded);

    QRandomGenerator random(seed);
    const QStringList inserts = { "", "x", "yy", "\n", "zz\nz" };
    for (int round = 0; round < 60; ++round) {
        // The first edits move forward, as a replace run's do.
        qsizetype start =
            round < 20 ? doc.selStart() + random.bounded(4) : random.bounded(int(doc.length()) + 1);
        start = std::min(start, doc.length());
        qsizetype count = random.bounded(int(std::min<qsizetype>(doc.length() - start, 5)) + 1);
        // Edits keep surrogate pairs whole, as the view's selections do.
        if (start > 0 && start < expected.size() && expected.at(start).isLowSurrogate())
            --start, ++count;
        if (start + count < expected.size() && expected.at(start + count).isLowSurrogate())
            ++count;
        const QString insert = inserts.at(random.bounded(int(inserts.size())));
        doc.select(start, count);
        QCOMPARE(doc.selText(), expected.mid(start, count));
        doc.setSelText(insert);
        lazy.select(start, count);
        QCOMPARE(lazy.selText(), expected.mid(start, count));
        lazy.setSelText(insert);
        expected.replace(start, count, insert);
        QCOMPARE(doc.selStart(), start + insert.size());
        QCOMPARE(doc.text(), expected);
        const qsizetype probe = random.bounded(int(doc.length()) + 1);
        QCOMPARE(doc.mid(probe, 7), expected.mid(probe, 7));
        QCOMPARE(lazy.mid(probe, 7), expected.mid(probe, 7));
    }
    const auto& edits = doc.edits();
    for (std::size_t i = 1; i < edits.size(); ++i)
        QVERIFY2(edits[i].start >= edits[i - 1].start + edits[i - 1].length, "edits sorted, not overlapping");

    QCOMPARE(doc.save(path, engine::rtfText), SaveOutcome::Written);
    Document reread;
    QCOMPARE(reread.load(path, LoadMode::Text), LoadOutcome::Loaded);
    QCOMPARE(reread.text(), expected);
    // Line endings of the file are kept for the inserted line breaks too.
    if (bytes.contains("\r\n"))
        QCOMPARE(doctest::readFile(path).count('\n'), doctest::readFile(path).count("\r\n"));
}

QTEST_GUILESS_MAIN(EditsTest)
#include "tst_doc_edits.moc"
