#include "doc_testing.h"
#include "engine/runjournal/runjournal.h"

#include <QDir>
#include <QRandomGenerator>
#include <QtTest>
#include <unistd.h>

using doctest::utf16;
using engine::Document;
using engine::LoadMode;
using engine::LoadOutcome;
using engine::SaveOutcome;
using engine::StreamLimits;

namespace
{

struct Outcome {
    QByteArray bytes;
    qint64 count = 0;
    SaveOutcome saved = SaveOutcome::Written;
};

// The file held whole: searched and replaced through the selection, then saved.
Outcome wholeFile(const QString& path, const QString& find, const QString& with, int options)
{
    Document doc;
    Outcome out;
    if (doc.load(path, LoadMode::Text) != LoadOutcome::Loaded)
        qFatal("not loaded whole");
    out.count = doctest::replaceAll(doc, find, with, options);
    if (out.count > 0)
        out.saved = doc.save(path, engine::rtfText);
    out.bytes = doctest::readFile(path);
    return out;
}

// The same file replaced as a stream of `piece` bytes at a time; Undo then takes the file back to
// `before`, read a piece at a time too.
Outcome streamed(const QString& path, const QString& find, const QString& with, int options, qsizetype piece,
    const QByteArray& before)
{
    Document doc;
    doc.setStreamLimits({ 0, piece, 0 });
    if (doc.load(path, LoadMode::Text) != LoadOutcome::Loaded || !doc.isStreamed())
        qFatal("not streamed");
    qint64 heard = 0;
    engine::RunJournalEntry entry { path, 0, {} };
    const engine::StreamResult result = doc.replaceStreamed(
        find, with, options,
        [&](qint64 n) {
            heard += n;
        },
        &entry.changes);
    if (heard != result.replaced)
        qFatal("progress heard %lld of %lld", heard, result.replaced);
    const Outcome out { doctest::readFile(path), result.replaced, result.outcome };
    doc.closeFile();
    if (out.bytes != before && engine::undoEntry(entry).outcome != engine::UndoOutcome::Restored)
        qFatal("not undone");
    if (doctest::readFile(path) != before)
        qFatal("undone to %s", before.toHex(' ').constData());
    return out;
}
} // namespace

class StreamTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

    void compare(const QByteArray& before, const QString& find, const QString& with, int options,
        std::initializer_list<qsizetype> pieces);

private slots:
    void sameAsWhole_data();
    void sameAsWhole();
    void generated();
    void largeFiles();
};

void StreamTest::compare(const QByteArray& before, const QString& find, const QString& with, int options,
    std::initializer_list<qsizetype> pieces)
{
    const QString whole = doctest::writeFile(dir, "whole.txt", before);
    const Outcome expected = wholeFile(whole, find, with, options);
    for (qsizetype piece : pieces) {
        const QString path = doctest::writeFile(dir, "stream.txt", before);
        const Outcome got = streamed(path, find, with, options, piece, before);
        if (got.bytes != expected.bytes || got.count != expected.count || got.saved != expected.saved)
            QFAIL(qPrintable(QStringLiteral(
                "piece %1, %2 -> %3, options %4, file %5: streamed %6 (%7) %8, whole %9 (%10) %11")
                                 .arg(piece)
                                 .arg(find, with)
                                 .arg(options)
                                 .arg(QString::fromLatin1(before.toHex(' ')))
                                 .arg(QString::fromLatin1(got.bytes.toHex(' ')))
                                 .arg(got.count)
                                 .arg(int(got.saved))
                                 .arg(QString::fromLatin1(expected.bytes.toHex(' ')))
                                 .arg(expected.count)
                                 .arg(int(expected.saved))));
    }
}

void StreamTest::sameAsWhole_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("with");
    QTest::addColumn<int>("options");
    auto row = [](const char* name, const QByteArray& before, const char* find, const char* with,
                   int options) {
        QTest::newRow(name) << before << QString::fromUtf8(find) << QString::fromUtf8(with) << options;
    };
    const int exact = engine::rtfMatchCase, word = engine::rtfWholeWord;
    const QByteArray emoji("\xF0\x9F\x98\x80");
    row("match split across pieces", "xxquorumxxquorum", "quorum", "senate", exact);
    row("multibyte characters split", "\xC3\xA9t\xC3\xA9 " + emoji + "\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9",
        "E", 0);
    row("CR LF split, find across it", "end\r\nstart\r\nend\r\nstart", "end\nstart", "-", exact);
    row("line break inserted keeps the file's ending", "a;b\r\nc;d", ";", "\n", exact);
    row("byte order mark",
        "\xEF\xBB\xBF"
        "ab ab",
        "ab", "c", exact);
    row("whole word at a piece boundary", "cat cat catcat cat_ cat", "cat", "dog", word);
    row("whole word after a replacement", "abab ab", "ab", "x", word);
    row("whole word after a deletion", "a ab b", "ab", "", word);
    row("case folding: the Kelvin sign", "k K \xE2\x84\xAA", "K", "x", 0);
    row("damaged UTF-8 with an emoji before the match", "\xFF" + emoji + "x\xFFx", "x", "y", exact);
    row("Windows-1252", "na\xEFve \xE9t\xE9 na\xEFve", "\xC3\xA9t\xC3\xA9", "summer", 0);
    row("replacement not held by Windows-1252", "na\xEFve x", "x", "\xD0\x96", 0);
    row("lone CR and LF around a deletion", "x\rA\ny\n", "A", "", exact);
    row("replacement equal to the match", "aXa\r\naxa", "x", "x", 0);
    const QByteArray pair = utf16(u"a\U0001F600b\U0001F600\r\nc\U0001F600", true);
    row("UTF-16 LE surrogates split", "\xFF\xFE" + pair, "\xF0\x9F\x98\x80", "-", exact);
    row("UTF-16 BE CR LF split", "\xFE\xFF" + utf16(u"x\r\nx\r\nx", false), "x\ny", "z", exact);
    row("UTF-16 without a byte order mark", utf16(u"one two one", true), "one", "1\n", exact);
}

void StreamTest::sameAsWhole()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, find);
    QFETCH(QString, with);
    QFETCH(int, options);
    compare(before, find, with, options, { 1, 2, 3, 4, 5, 7, 64 });
}

// Files made of the fragments that go wrong at the end of a piece, replaced whole and streamed.
void StreamTest::generated()
{
    const QList<QByteArray> bytes = { "a", "b", "ab", "k", " ", "_", "\r", "\n", "\r\n", "\xC3\xA9",
        "\xE2\x84\xAA", "\xF0\x9F\x98\x80", "\xFF", "\xE9" };
    const QList<QString> chars = { "a", "b", "ab", " ", "\r", "\n", "\r\n", u"\u00E9"_qs, u"\U0001F600"_qs,
        QString(QChar(0xD83D)) };
    const QStringList finds = { "ab", "a", "b a", u"\u00E9"_qs, u"\U0001F600a"_qs, "b\na", "K",
        u"\u00C9"_qs };
    const QStringList withs = { "", "x", "ab", "\n", u"\u00E9"_qs, u"\U0001F600"_qs };
    QRandomGenerator random(2026);
    for (int round = 0; round < 250; ++round) {
        QByteArray before;
        const int kind = random.bounded(4);
        const int length = random.bounded(1, round % 4 ? 24 : 160);
        if (kind < 2) {
            for (int i = 0; i < length; ++i)
                before += bytes.at(random.bounded(kind == 0 ? 12 : bytes.size()));
        } else {
            QString text;
            for (int i = 0; i < length; ++i)
                text += chars.at(random.bounded(chars.size()));
            before = (kind == 2 ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF")) + utf16(text, kind == 2);
        }
        compare(before, finds.at(random.bounded(finds.size())), withs.at(random.bounded(withs.size())),
            random.bounded(8) & (engine::rtfWholeWord | engine::rtfMatchCase), { 1, 2, 3, 5, 16, 4096 });
    }
}

void StreamTest::largeFiles()
{
    // The preview holds the start of a large file; the file itself is never saved from it.
    const QString big = doctest::writeFile(dir, "big.txt", QByteArray("first line\r\n").repeated(1000));
    const QDateTime stamp = doctest::backdate(big);
    Document doc;
    doc.setStreamLimits({ 1000, 64, 0 });
    QCOMPARE(doc.load(big, LoadMode::RichOrText), LoadOutcome::Loaded);
    QVERIFY(doc.isStreamed());
    QCOMPARE(doc.mid(0, 12), QString("first line\nf"));
    QCOMPARE(doc.save(big, engine::rtfText), SaveOutcome::Failed);
    // Without a match the file is only read, and the caller hears of every piece (12,000 bytes, 64
    // at a time), so that a window stays alive meanwhile; a count hears of them too.
    int heard = 0;
    const auto hear = [&](qint64) {
        ++heard;
    };
    QCOMPARE(doc.replaceStreamed("absent", "x", 0, hear).replaced, 0);
    QVERIFY2(heard >= 12000 / 64, QByteArray::number(heard));
    QCOMPARE(doctest::modified(big), stamp);
    heard = 0;
    QCOMPARE(doc.countStreamed("line", "row", 0, hear).replaced, 1000);
    QVERIFY2(heard >= 12000 / 64, QByteArray::number(heard));

    // More changes than an eighth of the memory can keep: the file is written, and its Undo says why
    // it cannot take it back.
    const QByteArray before = doctest::readFile(big);
    doc.setStreamLimits({ 1000, 64, 8 * 100 * qint64(sizeof(engine::ByteChanges::Span)) });
    engine::RunJournalEntry entry { big, 0, {} };
    QCOMPARE(doc.replaceStreamed("first", "1st", 0, {}, &entry.changes).replaced, 1000);
    QVERIFY(!entry.changes.complete && entry.changes.spans().empty());
    QCOMPARE(
        engine::describe(engine::undoEntry(entry)), QString("too many changes to take back: not undone"));
    QCOMPARE(doctest::readFile(big), QByteArray(before).replace("first", "1st"));
    doctest::writeFile(dir, "big.txt", before);
    doc.setStreamLimits({ 1000, 64, 0 });
    QCOMPARE(doc.load(big, LoadMode::RichOrText), LoadOutcome::Loaded);

    // A large file with another name must be overwritten in place, which would hold it whole: it is
    // refused, and both names keep their bytes.
    const QString linked = dir.filePath("linked.txt");
    QCOMPARE(::link(QFile::encodeName(big).constData(), QFile::encodeName(linked).constData()), 0);
    QCOMPARE(doc.load(big, LoadMode::Text), LoadOutcome::Loaded);
    const engine::StreamResult inPlace = doc.replaceStreamed("line", "row", 0);
    QCOMPARE(inPlace.outcome, SaveOutcome::TooLargeToHold);
    QCOMPARE(doctest::readFile(big), QByteArray("first line\r\n").repeated(1000));
    QCOMPARE(doctest::readFile(linked), QByteArray("first line\r\n").repeated(1000));
    QCOMPARE(QDir(dir.path()).entryList({ ".*" }, QDir::Files | QDir::Hidden | QDir::System), QStringList());

    // A rich document too large for the memory is refused before it is read, with its reason.
    const QString rich =
        doctest::writeFile(dir, "big.rtf", "{\\rtf1\\ansi " + QByteArray("text ").repeated(400) + "}");
    doc.setStreamLimits({ 1000, 64, 2000 * StreamLimits::richCost });
    QCOMPARE(doc.load(rich, LoadMode::RichOrText), LoadOutcome::TooLarge);
    QVERIFY2(doc.errorString().contains("MB free"), qPrintable(doc.errorString()));
    doc.setStreamLimits({ 1000, 64, 3000 * StreamLimits::richCost });
    QCOMPARE(doc.load(rich, LoadMode::RichOrText), LoadOutcome::Loaded);
    QVERIFY(doc.isRich());
}

QTEST_GUILESS_MAIN(StreamTest)
#include "tst_doc_stream.moc"
