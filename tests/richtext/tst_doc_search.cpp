#include "doc_testing.h"

#include <QtTest>

using richtext::Document;
using richtext::LoadMode;
using richtext::LoadOutcome;

class SearchTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void find_data();
    void find();
    void selectionScope();
};

void SearchTest::find_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("needle");
    QTest::addColumn<int>("start"); // -1: omitted
    QTest::addColumn<int>("options");
    QTest::addColumn<int>("found");
    const int ww = richtext::rtfWholeWord, cs = richtext::rtfMatchCase;

    QTest::newRow("no options ignore case") << "Hello hello"
                                            << "HELLO" << -1 << 0 << 0;
    QTest::newRow("match case") << "Hello hello"
                                << "hello" << -1 << cs << 6;
    QTest::newRow("match case, no match") << "HELLO"
                                          << "hello" << -1 << cs << -1;
    QTest::newRow("Greek final sigma") << u"ΟΔΥΣΣΕΥΣ"_qs << u"οδυσσευς"_qs << -1 << 0 << 0;
    QTest::newRow("Greek, case kept") << u"ΟΔΥΣΣΕΥΣ"_qs << u"οδυσσευς"_qs << -1 << cs << -1;
    QTest::newRow("Cyrillic from a start") << u"Слово СЛОВО"_qs << u"слово"_qs << 1 << 0 << 6;
    QTest::newRow("German umlaut") << u"grüsse GRÜSSE"_qs << u"GRÜSSE"_qs << -1 << 0 << 0;
    QTest::newRow("capital sharp s") << u"Straße"_qs << u"STRAẞE"_qs << -1 << 0 << 0;
    QTest::newRow("Kelvin sign finds k") << "5 k" << u"\u212A"_qs << -1 << 0 << 2;
    QTest::newRow("Greek mu finds micro sign") << u"10\u00B5m"_qs << u"\u039C"_qs << -1 << 0 << 2;
    QTest::newRow("long s finds S") << "aS" << u"\u017F"_qs << -1 << 0 << 1;
    QTest::newRow("beyond the BMP") << u"x𐐨y"_qs << u"𐐀"_qs << -1 << 0 << 1;
    QTest::newRow("whole word, not after a digit") << "1x x"
                                                   << "x" << -1 << ww << 3;
    QTest::newRow("whole word, not before a digit") << "x1 x"
                                                    << "x" << -1 << ww << 3;
    QTest::newRow("whole word, underscores") << "_x x_ x"
                                             << "x" << -1 << ww << 6;
    QTest::newRow("whole word, Cyrillic letter") << u"жx x"_qs << "x" << -1 << ww << 3;
    QTest::newRow("whole word, CJK letter") << u"中x x"_qs << "x" << -1 << ww << 3;
    QTest::newRow("whole word, punctuation") << "(x)"
                                             << "x" << -1 << ww << 1;
    QTest::newRow("whole word, line breaks") << "ax\nx\n"
                                             << "x" << -1 << ww << 3;
    QTest::newRow("whole word, combining mark") << u"e\u0301 e"_qs << "e" << -1 << ww << 3;
    QTest::newRow("whole word ignores case") << "WORD"
                                             << "word" << -1 << ww << 0;
    QTest::newRow("whole word and case") << "Word word"
                                         << "word" << -1 << ww + cs << 5;
    QTest::newRow("whole word, punctuation in the needle") << "a.x b"
                                                           << ".x" << -1 << ww << 1;
    QTest::newRow("whole word, rejected then found") << "xx xxx xx x"
                                                     << "x" << -1 << ww << 10;
    QTest::newRow("line break in the needle") << "a\nb a b"
                                              << "a\r\nb" << -1 << 0 << 0;
    QTest::newRow("start in the middle") << "abab"
                                         << "ab" << 1 << 0 << 2;
    QTest::newRow("start at the end") << "abc"
                                      << "c" << 3 << 0 << -1;
    QTest::newRow("start beyond the end") << "abc"
                                          << "a" << 10 << 0 << -1;
    QTest::newRow("negative start") << "abc"
                                    << "a" << -5 << 0 << 0;
    QTest::newRow("needle longer than the text") << "ab"
                                                 << "abc" << -1 << 0 << -1;
    QTest::newRow("empty needle") << "ab"
                                  << "" << -1 << 0 << -1;
}

// Each case runs on text held as UTF-16 and, where it fits, on a file read one byte per character.
void SearchTest::find()
{
    QFETCH(QString, text);
    QFETCH(QString, needle);
    QFETCH(int, start);
    QFETCH(int, options);
    QFETCH(int, found);
    const std::optional<qsizetype> from = start == -1 ? std::nullopt : std::optional<qsizetype>(start);

    Document wide;
    wide.setText(text);
    Document narrow;
    const bool latin1 = std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() < 0x80 || (c.unicode() >= 0xA0 && c.unicode() < 0x100);
    });
    if (latin1) {
        doctest::writeFile(dir.filePath("latin1.txt"), text.toLatin1());
        QCOMPARE(narrow.load(dir.filePath("latin1.txt"), LoadMode::Text), LoadOutcome::Loaded);
        QCOMPARE(narrow.text(), text);
    }
    for (Document* doc : { &wide, &narrow }) {
        if (doc == &narrow && !latin1)
            continue;
        doc->select(0, 0);
        QCOMPARE(doc->find(needle, from, {}, options), qsizetype(found));
        QCOMPARE(doc->selStart(), found < 0 ? 0 : found);
        const qsizetype matched = QString(needle).replace("\r\n", "\n").size();
        QCOMPARE(doc->selText(), found < 0 ? QString() : text.mid(found, matched));
    }
}

void SearchTest::selectionScope()
{
    Document doc;
    doc.setText("one two one two");
    doc.select(4, 7); // "two one"
    QCOMPARE(doc.find(u"one"), 8);
    QCOMPARE(doc.selText(), QString("one"));

    // Inside the selection "one" there is no "two": nothing found, the selection stays.
    QCOMPARE(doc.find(u"two"), -1);
    QCOMPARE(doc.selStart(), 8);
    QCOMPARE(doc.selLength(), 3);
    QCOMPARE(doc.find(u"three", 0), -1);
    QCOMPARE(doc.selLength(), 3);

    // A match that would run past the end of the selection is outside it.
    doc.select(0, 5);
    QCOMPARE(doc.find(u"one two"), -1);
    // A start searches to the end, whatever is selected; so does a search without a selection.
    QCOMPARE(doc.find(u"two", 5), 12);
    doc.setSelStart(0);
    QCOMPARE(doc.find(u"TWO"), 4);

    // Whole words with match case, then match case within that selection, as the first search of
    // a replace run with both options does.
    doc.setText("Two two");
    doc.setSelStart(0);
    QCOMPARE(doc.find(u"two", {}, {}, richtext::rtfWholeWord), 0);
    QCOMPARE(doc.find(u"two", {}, {}, richtext::rtfMatchCase), -1);
    QCOMPARE(doc.selText(), QString("Two"));

    // The caret and selection setters.
    doc.select(2, 100);
    QCOMPARE(doc.selLength(), 5);
    doc.setSelStart(50);
    QCOMPARE(doc.selStart(), 7);
    QCOMPARE(doc.selLength(), 0);
    QCOMPARE(doc.selText(), QString());
    doc.select(0, 3);
    doc.setSelText("one");
    QCOMPARE(doc.text(), QString("one two"));
    QCOMPARE(doc.selStart(), 3);
    QCOMPARE(doc.selLength(), 0);
}

QTEST_GUILESS_MAIN(SearchTest)
#include "tst_doc_search.moc"
