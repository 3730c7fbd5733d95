#include "doc_testing.h"

#include <QRegularExpression>
#include <QtTest>

using engine::Document;
using engine::LoadMode;
using engine::LoadOutcome;

class SearchTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void find_data();
    void find();
    void selectionScope();
    void longText_data();
    void longText();
};

void SearchTest::find_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("needle");
    QTest::addColumn<int>("start"); // -1: omitted
    QTest::addColumn<int>("options");
    QTest::addColumn<int>("found");
    const int ww = engine::rtfWholeWord, cs = engine::rtfMatchCase;
    auto row = [](const char* name, const QString& text, const QString& needle, int start, int options,
                   int found) {
        QTest::newRow(name) << text << needle << start << options << found;
    };

    row("no options ignore case", "Hello hello", "HELLO", -1, 0, 0);
    row("match case", "Hello hello", "hello", -1, cs, 6);
    row("Greek final sigma", u"ΟΔΥΣΣΕΥΣ"_qs, u"οδυσσευς"_qs, -1, 0, 0);
    row("Greek, case kept", u"ΟΔΥΣΣΕΥΣ"_qs, u"οδυσσευς"_qs, -1, cs, -1);
    row("Cyrillic from a start", u"Слово СЛОВО"_qs, u"слово"_qs, 1, 0, 6);
    row("German umlaut", u"grüsse GRÜSSE"_qs, u"GRÜSSE"_qs, -1, 0, 0);
    row("capital sharp s", u"Straße"_qs, u"STRAẞE"_qs, -1, 0, 0);
    row("Kelvin sign finds k", "5 k", u"\u212A"_qs, -1, 0, 2);
    row("Greek mu finds micro sign", u"10\u00B5m"_qs, u"\u039C"_qs, -1, 0, 2);
    row("long s finds S", "aS", u"\u017F"_qs, -1, 0, 1);
    row("k finds the Kelvin sign", u"5 \u212A"_qs, "k", -1, 0, 2);
    row("S finds long s", u"a\u017Fb"_qs, "S", -1, 0, 1);
    row("Kelvin sign kept apart with match case", u"\u212A k"_qs, "k", -1, cs, 2);
    row("dotless and dotted i are other letters", u"\u0131 \u0130 i"_qs, "I", -1, 0, 4);
    row("byte order mark character in the text", u"a\uFEFFb"_qs, u"\uFEFFb"_qs, -1, 0, 1);
    row("beyond the BMP", u"x𐐨y"_qs, u"𐐀"_qs, -1, 0, 1);
    row("whole word, not after a digit", "1x x", "x", -1, ww, 3);
    row("whole word, not before a digit", "x1 x", "x", -1, ww, 3);
    row("whole word, underscores", "_x x_ x", "x", -1, ww, 6);
    row("whole word, Cyrillic letter", u"жx x"_qs, "x", -1, ww, 3);
    row("whole word, CJK letter", u"中x x"_qs, "x", -1, ww, 3);
    row("whole word, punctuation", "(x)", "x", -1, ww, 1);
    row("whole word, line breaks", "ax\nx\n", "x", -1, ww, 3);
    row("whole word, combining mark", u"e\u0301 e"_qs, "e", -1, ww, 3);
    row("whole word ignores case", "WORD", "word", -1, ww, 0);
    row("whole word and case", "Word word", "word", -1, ww + cs, 5);
    row("whole word, punctuation in the needle", "a.x b", ".x", -1, ww, 1);
    row("whole word, rejected then found", "xx xxx xx x", "x", -1, ww, 10);
    row("line break in the needle", "a\nb a b", "a\r\nb", -1, 0, 0);
    row("start in the middle", "abab", "ab", 1, 0, 2);
    row("start at the end", "abc", "c", 3, 0, -1);
    row("start beyond the end", "abc", "a", 10, 0, -1);
    row("negative start", "abc", "a", -5, 0, 0);
    row("needle longer than the text", "ab", "abc", -1, 0, -1);
    row("empty needle", "ab", "", -1, 0, -1);
}

// Each case runs on text held as UTF-16 and on files: one byte per character where it fits, and with
// one more line break at the end, UTF-8 with a byte order mark and CRLF line breaks (searched in its
// bytes) and UTF-16.
void SearchTest::find()
{
    QFETCH(QString, text);
    QFETCH(QString, needle);
    QFETCH(int, start);
    QFETCH(int, options);
    QFETCH(int, found);
    const std::optional<qsizetype> from = start == -1 ? std::nullopt : std::optional<qsizetype>(start);

    Document wide, narrow, utf8, utf16;
    wide.setText(text);
    QList<Document*> docs { &wide, &utf8, &utf16 };
    // Text a file holds one byte per character (bytes 0x80-0x9F would read as other characters).
    if (!text.contains(QRegularExpression(u"[^\\x{0}-\\x{7F}\\x{A0}-\\x{FF}]"_qs))) {
        QCOMPARE(narrow.load(doctest::writeFile(dir, "latin1.txt", text.toLatin1()), LoadMode::Text),
            LoadOutcome::Loaded);
        docs << &narrow;
    }
    const QString crlf = QString(text + "\n").replace("\n", "\r\n");
    QCOMPARE(utf8.load(doctest::writeFile(dir, "utf8.txt", "\xEF\xBB\xBF" + crlf.toUtf8()), LoadMode::Text),
        LoadOutcome::Loaded);
    QByteArray le("\xFF\xFE", 2);
    le.append(
        reinterpret_cast<const char*>(crlf.utf16()), crlf.size() * 2); // little-endian, as tests run here
    QCOMPARE(utf16.load(doctest::writeFile(dir, "utf16.txt", le), LoadMode::Text), LoadOutcome::Loaded);
    const qsizetype matched = QString(needle).replace("\r\n", "\n").size();
    for (Document* doc : docs) {
        doc->select(0, 0);
        QCOMPARE(doc->find(needle, from, {}, options), qsizetype(found));
        QCOMPARE(doc->selStart(), found < 0 ? 0 : found);
        QCOMPARE(doc->selText(), found < 0 ? QString() : text.mid(found, matched));
        QCOMPARE(doc->text(), doc == &utf8 || doc == &utf16 ? text + "\n" : text);
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
    QCOMPARE(doc.find(u"two", {}, {}, engine::rtfWholeWord), 0);
    QCOMPARE(doc.find(u"two", {}, {}, engine::rtfMatchCase), -1);
    QCOMPARE(doc.selText(), QString("Two"));

    // The caret and selection setters.
    doc.select(2, 100);
    QCOMPARE(doc.selLength(), 5);
    doc.setSelStart(50);
    QCOMPARE(doc.selStart(), 7);
    QCOMPARE(doc.selLength(), 0);
    doc.select(0, 3);
    doc.setSelText("one");
    QCOMPARE(doc.text(), QString("one two"));
    QCOMPARE(doc.selStart(), 3);
}

void SearchTest::longText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("needle");
    QString spread;
    for (int i = 0; i < 400; ++i)
        spread += QString(i % 37, 'x') + (i % 3 ? "quorum " : u"QUORUM \u00e9\n"_qs);
    QTest::newRow("matches at every offset") << spread << "quorum";
    QTest::newRow("nearly every place looks like a match") << QString(70000, 'a') + "aba a"
                                                           << "aba";
}

// Long texts are searched many bytes at a time: as a plain file and as UTF-8 with CRLF line breaks,
// each match is found where a character-by-character search finds it, ignoring case and not.
void SearchTest::longText()
{
    QFETCH(QString, text);
    QFETCH(QString, needle);
    for (const bool matchCase : { true, false }) {
        for (const bool utf8 : { false, true }) {
            const QString visible = utf8 ? text + u"\u00e9"_qs : text;
            const QByteArray bytes =
                utf8 ? QString(visible).replace("\n", "\r\n").toUtf8() : visible.toLatin1();
            Document doc;
            QCOMPARE(
                doc.load(doctest::writeFile(dir, "long.txt", bytes), LoadMode::Text), LoadOutcome::Loaded);
            QCOMPARE(doc.length(), visible.size());
            const Qt::CaseSensitivity cs = matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
            for (qsizetype from = 0, at = 0; at >= 0; from = at + 1) {
                at = visible.indexOf(needle, from, cs);
                QCOMPARE(doc.find(needle, from, {}, matchCase ? engine::rtfMatchCase : 0), at);
            }
        }
    }
}

QTEST_GUILESS_MAIN(SearchTest)
#include "tst_doc_search.moc"
