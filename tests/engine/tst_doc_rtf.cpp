#include "doc_testing.h"

#include <QRandomGenerator>
#include <QtTest>

using doctest::parsed;
using doctest::written;
using engine::EditList;
using engine::RtfSource;

namespace
{

const QByteArray fontTable(
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fcharset204 Arial "
    "Cyr;}{\\f2\\fcharset161 Arial Greek;}{\\f3\\fcharset128 M;}}");

QByteArray rtf(const char* body)
{
    return fontTable + body + "}";
}

} // namespace

class RtfDocumentTest : public QObject
{
    Q_OBJECT
private slots:
    void reading_data();
    void reading();
    void replacements_data();
    void replacements();
    void codePages_data();
    void codePages();
    void editLimits_data();
    void editLimits();
    void randomEdits();
    void formatsAndPictures();
};

void RtfDocumentTest::reading_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reason"); // why the document is refused, empty when it is read
    auto row = [](const char* name, const QByteArray& document, const QString& text) {
        QTest::newRow(name) << document << text << QString();
    };
    auto refused = [](const char* name, const QByteArray& document, const char* reason) {
        QTest::newRow(name) << document << QString() << QString::fromLatin1(reason);
    };

    // Tokens and special characters.
    row("delimiter space belongs to the control word", rtf("\\b bold\\b0  plain"), "bold plain");
    row("numbers and hyphens end control words", rtf("\\fs20-x\\b0;y"), "-x;y");
    row("line breaks in the source are not text", rtf("one\r\ntwo\nthree\r"), "onetwothree");
    row("par line and tab", rtf("a\\par b\\line c\\tab d"), "a\nb\nc\td");
    row("backslash before a line break is a paragraph", rtf("a\\\nb"), "a\nb");
    row("escaped braces and backslash", rtf("\\{x\\}\\\\"), "{x}\\");
    row("named characters", rtf("\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote"),
        u"—–•‘’“”"_qs);
    row("space symbols and hyphens", rtf("a\\~b\\_c\\-d"), u"a\u00A0b\u2011c\u00ADd"_qs);
    row("unknown symbols and words show nothing", rtf("a\\|\\:\\zzz b"), "ab");
    row("text after the document is not read", "{\\rtf1 a}b{c", "a");

    // Code pages.
    row("1252 as hex escapes and literal bytes", rtf("caf\\'e9 \\'80 caf\xe9"), u"café € café"_qs);
    row("ansicpg 1251", "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8}", u"При"_qs);
    row("font charset switches the code page", rtf("{\\f1 \\'cf}\\'cf{\\f2 \\'e1}"), u"ПÏα"_qs);
    row("cpg of a font", "{\\rtf1{\\fonttbl{\\f0\\cpg1250 A;}}\\f0 \\'9a}", u"š"_qs);
    row("font numbers are keys, however large",
        "{\\rtf1{\\fonttbl{\\f2000000000\\fcharset204 C;}}\\f2000000000 \\'cf}", u"П"_qs);
    row("default font charset applies without f", "{\\rtf1\\deff0{\\fonttbl{\\f0\\fcharset162 T;}}\\'fe}",
        u"ş"_qs);
    row("plain returns to the default font", rtf("\\f1\\'e0\\plain\\'e0"), u"аà"_qs);
    row("half-width katakana in 932", "{\\rtf1\\ansicpg932 \\'b1}", u"ｱ"_qs);
    row("double-byte: GBK", "{\\rtf1\\ansicpg936 a\\'b0\\'a1b}", u"a啊b"_qs);
    row("double-byte: Shift-JIS through the font charset", rtf("\\f3 \\'82\\'a0\\'b1"), u"あｱ"_qs);
    row("double-byte: trail as a literal byte", "{\\rtf1\\ansicpg932 \\'83z\\'83N}", u"ホク"_qs);
    row("double-byte: Shift-JIS lead bytes 0xE0-0xFC", "{\\rtf1\\ansicpg932 \\'fb\\'fc\\'fa\\'b1\\'e0\\'40}",
        u"髙﨑漾"_qs);
    row("double-byte: Big5", "{\\rtf1\\ansicpg950 \\'a4\\'a4}", u"中"_qs);
    row("double-byte: Hangul", "{\\rtf1\\ansicpg949 \\'b0\\'a1}", u"가"_qs);
    row("Mac Japanese, with Apple's own single bytes", "{\\rtf1\\mac\\ansicpg10001 \\'82\\'a0\\'fd}",
        u"あ©"_qs);
    row("UTF-8, escaped and literal", "{\\rtf1\\ansicpg65001 caf\\'c3\\'a9 \\'f0\\'9f\\'98\\'80 \xc3\xa9}",
        u"café 😀 é"_qs);
    row("UTF-8 lead without its continuation", "{\\rtf1\\ansicpg65001 \\'c3x}", u"\uFFFDx"_qs);
    row("unknown code page", "{\\rtf1\\ansicpg10004 a\\'c7b}", u"a\uFFFDb"_qs);
    row("font numbers are sparse", "{\\rtf1{\\fonttbl{\\f2000000000\\fcharset204 X;}}\\f2000000000 \\'cf}",
        u"П"_qs);

    // Unicode.
    row("u with one fallback", rtf("caf\\u233?s"), u"cafés"_qs);
    row("negative u, also above 32767", rtf("\\u-3913?\\u-223?"), u"\uF0B7\uFF21"_qs);
    row("uc2 skips two", rtf("\\uc2\\u12354\\'82\\'a0z"), u"あz"_qs);
    row("group end cuts the fallback short", rtf("{\\uc3\\u233?}x"), u"éx"_qs);
    row("fallback control word counts once", rtf("\\u8212\\emdash x"), u"—x"_qs);
    row("fallback line breaks do not count", rtf("\\u233\r\n?x"), u"éx"_qs);

    // Binary data.
    row("bin data is skipped", rtf("a\\bin3 {}\\b"), "ab");
    row("bin without delimiter", rtf("a\\bin2xyz"), "az");
    row("bin inside a hidden group", rtf("a{\\*\\blob\\bin4 }}{{}b"), "ab");

    // Hidden destinations and fields.
    row("tables and info",
        "{\\rtf1{\\colortbl;\\red1\\green2\\blue3;}{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author "
        "A}}x}",
        "x");
    row("ignorable destinations", rtf("a{\\*\\generator Writer;}{\\*\\unknown text}b"), "ab");
    row("header and footer as paragraphs, a note in brackets at its anchor",
        rtf("{\\header h}{\\footer f}a{\\footnote note}b"), "h\nf\na[note]b");
    row("note written as ignorable, with its own formatting and field",
        rtf("a{\\super\\chftn}{\\*\\footnote\\pard\\plain{\\super\\chftn} See {\\b p.}{\\field{\\*\\fldinst "
            "PAGE}{\\fldrslt 4}}}b"),
        "a[ See p.4]b");
    row("headers of first, left and right pages",
        rtf("{\\headerf First\\par}{\\headerl Left}{\\headerr Right\\par}body"),
        "First\n\nLeft\nRight\n\nbody");
    row("no note inside a header, none in hidden text",
        rtf("{\\header h{\\footnote n}}a{\\v{\\footnote n}}b"), "h\nab");
    row("comments and nested-table stand-ins stay hidden",
        rtf("a{\\*\\annotation c}b\\nestcell{\\*\\nesttableprops\\nestrow}{\\nonesttables x\\par}c"),
        "ab\tc");
    row("hidden text", rtf("a{\\v secret}b\\v c\\v0 d"), "abd");
    row("field result marked ignorable", rtf("{\\field{\\*\\fldinst X}{\\*\\fldrslt shown}}"), "shown");
    row("field result in a header", rtf("{\\header{\\field{\\*\\fldinst X}{\\fldrslt 1}}}a"), "1\na");
    row("picture stand-in for older readers",
        rtf("{\\*\\shppict{\\pict\\pngblip 00}}{\\nonshppict{\\pict 00}}x"), "x");
    row("list numbers are generated, not text", rtf("{\\listtext 1.\\tab}item"), "item");
    row("unicode version of upr", rtf("{\\upr{ansi}{\\*\\ud{uni}}}"), "uni");
    row("table cells and rows", rtf("\\trowd a\\cell b\\cell\\row c"), "a\tb\t\nc");
    row("byte order mark and blanks first, kept", "\xEF\xBB\xBF \r\n{\\rtf1 a}", "a");

    // Documents refused.
    const char* notRtf = "not an RTF document";
    const char* braces = "malformed RTF: unbalanced braces";
    const char* hex = "malformed RTF: bad \\' escape";
    refused("empty", QByteArray(), notRtf);
    refused("plain text", "hello {\\rtf1}", notRtf);
    refused("byte order mark after a blank", " \xEF\xBB\xBF{\\rtf1 a}", notRtf);
    refused("word processor binary", QByteArray("\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", 8), notRtf);
    refused("never closed", "{\\rtf1 {\\b abc}", braces);
    refused("ends in a backslash", "{\\rtf1 abc\\", braces);
    refused("bin swallows the closing brace", "{\\rtf1 \\bin1 }", braces);
    refused("bin longer than the file", "{\\rtf1 \\bin100 abc}", "malformed RTF: truncated \\bin data");
    refused("half a hex escape", "{\\rtf1 \\'b x}", hex);
    refused("hex escape cut by a brace", "{\\rtf1 {\\'}}", hex);
    refused("bad hex escape as a stand-in", "{\\rtf1 \\u233\\'zz}", hex);
    refused("nested too deeply", "{\\rtf1 " + QByteArray(5000, '{') + QByteArray(5001, '}'),
        "malformed RTF: groups nested too deeply");
}

// Read: the text as shown, and the document written back unchanged, also when every character is
// replaced by itself (whatever escape it came from).
void RtfDocumentTest::reading()
{
    QFETCH(QByteArray, document);
    QFETCH(QString, text);
    QFETCH(QString, reason);
    QString why;
    const auto parsedDocument = RtfSource::parse(document, &why);
    QCOMPARE(why, reason);
    QCOMPARE(RtfSource::isRtf(document), reason != "not an RTF document");
    if (!parsedDocument)
        return;
    const RtfSource& source = *parsedDocument;
    QCOMPARE(source.text(), text);
    QCOMPARE(written(source, {}), document);
    EditList edits;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!source.crossesBarrier(i, 1))
            edits.push_back({ i, 1, text.mid(i, 1) });
    }
    QCOMPARE(written(source, edits), document);
}

void RtfDocumentTest::replacements_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("with");
    QTest::addColumn<QByteArray>("after");
    auto row = [](const char* name, const QByteArray& before, const QString& find, const QString& with,
                   const QByteArray& after) {
        QTest::newRow(name) << before << find << with << after;
    };

    // Where the replacement goes and what stays.
    row("match across groups keeps the braces", "{\\rtf1 qu{\\b or}um!}", "quorum", "X", "{\\rtf1 X{\\b }!}");
    row("replacement takes the first character's group", "{\\rtf1 a{\\b bc}d}", "bcd", "Z",
        "{\\rtf1 a{\\b Z}}");
    row("hidden group inside the match stays", "{\\rtf1 ab{\\*\\bkmkstart m}cd}", "bc", "X",
        "{\\rtf1 aX{\\*\\bkmkstart m}d}");
    row("inside a field result", "{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"link\"}{\\fldrslt link}}}", "link",
        "site", "{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"link\"}{\\fldrslt site}}}");
    row("match over a paragraph mark", "{\\rtf1 a\\par b}", "a\nb", "X", "{\\rtf1 X}");
    row("deleting the whole text", "{\\rtf1\\b abc}", "abc", "", "{\\rtf1\\b }");

    // Control words next to what is deleted stay control words.
    row("letter after a word without delimiter", "{\\rtf1\\b;x}", ";", "", "{\\rtf1\\b x}");
    row("digit after a numbered word", "{\\rtf1\\fs20;5}", ";", "", "{\\rtf1\\fs20 5}");
    row("space after a word would be eaten", "{\\rtf1\\b0; x}", ";", "", "{\\rtf1\\b0  x}");
    row("hyphen after a word", "{\\rtf1\\b;-1}", ";", "", "{\\rtf1\\b -1}");
    row("escaped backslash before letters is not a word", "{\\rtf1\\\\b;x}", ";", "", "{\\rtf1\\\\bx}");
    row("hex escape before letters is not a word", "{\\rtf1\\'e9;x}", ";", "", "{\\rtf1\\'e9x}");
    row("replacement starts after a word", "{\\rtf1\\b;}", ";", "x", "{\\rtf1\\b x}");
    row("deleting a paragraph mark", "{\\rtf1 a\\par b}", "\n", "", "{\\rtf1 ab}");
    row("deleting a mark without delimiter", "{\\rtf1\\b0 a\\par\\i b}", "a\n", "", "{\\rtf1\\b0 \\i b}");
    row("unicode construct deleted before a digit", "{\\rtf1\\fs20\\u233?1}", u"é"_qs, "",
        "{\\rtf1\\fs20 1}");
    row("bin data that looks like a word", "{\\rtf1\\bin2 \\b;x}", ";", "", "{\\rtf1\\bin2 \\bx}");

    // Characters that came from escapes.
    row("unicode with hex fallback", "{\\rtf1 caf\\u233\\'e9 s}", u"é "_qs, "e", "{\\rtf1 cafes}");
    row("long fallback deleted with its character", "{\\rtf1 a\\u233\\" + QByteArray(300, 'x') + " b}",
        u"aé"_qs, "c", "{\\rtf1 cb}");
    row("surrogate pair replaced", "{\\rtf1 a\\u-10179?\\u-8704?b}", u"😀"_qs, ":)", "{\\rtf1 a:)b}");
    row("other code page", "{\\rtf1{\\fonttbl{\\f1\\fcharset204 C;}}\\f1 \\'e4\\'e0}", u"да"_qs, u"нет"_qs,
        "{\\rtf1{\\fonttbl{\\f1\\fcharset204 C;}}\\f1 \\'ed\\'e5\\'f2}");
    row("cpg of a font", "{\\rtf1{\\fonttbl{\\f0\\cpg1250 A;}}\\f0 \\'9a}", u"š"_qs, u"ž"_qs,
        "{\\rtf1{\\fonttbl{\\f0\\cpg1250 A;}}\\f0 \\'9e}");
    row("Shift-JIS, lead bytes 0xE0-0xFC", "{\\rtf1\\ansicpg932 \\'fb\\'fc\\'fa\\'b1}", u"﨑"_qs, u"崎"_qs,
        "{\\rtf1\\ansicpg932 \\'fb\\'fc\\'8d\\'e8}");
    row("Shift-JIS, a trail byte that is ASCII escaped too", "{\\rtf1\\ansicpg932 \\'82\\'a0x}", u"あ"_qs,
        u"ア"_qs, "{\\rtf1\\ansicpg932 \\'83\\'41x}");
    row("UTF-8 code page", "{\\rtf1\\ansicpg65001 caf\\'c3\\'a9}", u"é"_qs, u"ü"_qs,
        "{\\rtf1\\ansicpg65001 caf\\'c3\\'bc}");
    row("replaced by itself: escapes and formatting stay", "{\\rtf1 caf\\'e9 spl{\\b it}word}",
        u"café splitword"_qs, u"café splitword"_qs, "{\\rtf1 caf\\'e9 spl{\\b it}word}");
    row("inside a note", "{\\rtf1 a{\\*\\footnote\\pard Zeph}b}", "Zeph", "Zoe",
        "{\\rtf1 a{\\*\\footnote\\pard Zoe}b}");
    row("inside a header", "{\\rtf1{\\header Zeph\\par}b}", "Zeph", "Zoe", "{\\rtf1{\\header Zoe\\par}b}");

    // Escaping of the inserted text.
    row("braces and backslash", "{\\rtf1 x}", "x", "\\{}", "{\\rtf1 \\\\\\{\\}}");
    row("tab and line breaks, CRLF as one", "{\\rtf1 x}", "x", "a\tb\nc\r\nd",
        "{\\rtf1 a\\tab b\\par c\\par d}");
    row("word before a space of the text", "{\\rtf1 x y}", "x", "\t", "{\\rtf1 \\tab  y}");
    row("in the code page as hex, the rest as u with one fallback", "{\\rtf1 x}", "x", u"é€😀"_qs,
        "{\\rtf1 \\'e9\\'80\\u-10179?\\u-8704?}");
    row("uc above one: a group of its own with uc1", "{\\rtf1{\\uc2 x}}", "x", u"жé"_qs,
        "{\\rtf1{\\uc2 {\\uc1\\u1078?\\'e9}}}");
    row("uc above one, a control character", "{\\rtf1\\uc2 x}", "x", u"\u007F"_qs,
        "{\\rtf1\\uc2 {\\uc1\\u127?}}");
    row("uc of ten million multiplies nothing", "{\\rtf1\\uc10000000 hello e}", "e", u"ж"_qs,
        "{\\rtf1\\uc10000000 h{\\uc1\\u1078?}llo {\\uc1\\u1078?}}");
    row("uc0 means no fallback, before a letter or digit", "{\\rtf1\\uc0 xa x1}", "x", u"ж"_qs,
        "{\\rtf1\\uc0 \\u1078 a \\u1078 1}");
    row("uc of the group ended earlier", "{\\rtf1{\\uc0 a}x}", "x", u"ж"_qs, "{\\rtf1{\\uc0 a}\\u1078?}");
}

// Byte for byte, and read back as the edited text.
void RtfDocumentTest::replacements()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, find);
    QFETCH(QString, with);
    QFETCH(QByteArray, after);
    const RtfSource source = parsed(before);
    const EditList edits = doctest::editsFor(source.text(), find, with);
    QVERIFY(!edits.empty());
    QString why;
    const QByteArray result = written(source, edits, &why);
    QVERIFY2(!result.isEmpty(), qPrintable(why));
    QCOMPARE(result, after);
    QCOMPARE(
        parsed(result).text(), QString(source.text()).replace(find, QString(with).replace("\r\n", "\n")));
}

void RtfDocumentTest::codePages_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("known");
    for (int page : { 437, 708, 720, 737, 775, 819, 850, 852, 855, 857, 858, 860, 861, 862, 863, 864, 865,
             866, 869, 874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 10000,
             10001, 10002, 10003, 10006, 10007, 10008, 10029, 10081, 20866, 21866, 28591, 28592, 28593, 28594,
             28595, 28596, 28597, 28598, 28599, 28603, 28605, 65001 })
        QTest::addRow("%d", page) << page << true;
    // Johab; Mac Arabic, Hebrew, Romanian, Ukrainian, Thai, Icelandic, Croatian; a made-up number.
    for (int page : { 1361, 10004, 10005, 10010, 10017, 10021, 10079, 10082, 54321 })
        QTest::addRow("%d, unknown", page) << page << false;
}

// Every code page a document can name (\ansicpg here; \fcharset and \cpg lead to the same pages)
// that the program reads: a character outside ASCII is found and replaced by another, written as
// \'hh in that page. A page it cannot read shows its bytes as U+FFFD, and an edit next to them is
// refused, so the file is not written.
void RtfDocumentTest::codePages()
{
    QFETCH(int, page);
    QFETCH(bool, known);
    const QByteArray head = "{\\rtf1\\ansicpg" + QByteArray::number(page) + " ";
    auto hex = [](int byte) {
        return "\\'" + QByteArray::number(byte | 0x100, 16).mid(1);
    };
    QList<QByteArray> candidates; // single bytes, then pairs (a double-byte character, or UTF-8)
    for (int byte = 0x80; byte < 0x100; ++byte)
        candidates << hex(byte);
    for (int lead = 0x81; lead < 0xFF; ++lead)
        candidates << hex(lead) + hex(0xA1);
    QList<std::pair<QByteArray, QString>> found;
    for (const QByteArray& bytes : candidates) {
        const auto source = RtfSource::parse(head + bytes + "}");
        const QString text = source ? source->text() : QString();
        if (text.size() == 1 && text != u"\uFFFD"_qs && (found.isEmpty() || found[0].second != text))
            found.emplace_back(bytes, text);
        if (found.size() == 2)
            break;
    }
    if (!known) {
        QVERIFY(found.isEmpty());
        QString why;
        QCOMPARE(written(parsed(head + "a\\'c7b}"), { { 2, 1, "x" } }, &why), QByteArray());
        QCOMPARE(why, QString("a replacement touches text in an unsupported code page"));
        return;
    }
    QCOMPARE(found.size(), 2);
    const RtfSource source = parsed(head + "x" + found[0].first + "y}");
    QCOMPARE(source.text(), "x" + found[0].second + "y");
    QCOMPARE(written(source, doctest::editsFor(source.text(), found[0].second, found[1].second)),
        head + "x" + found[1].first + "y}");
}

// Edits the writer refuses, and edits next to table marks that it takes.
void RtfDocumentTest::editLimits_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<qsizetype>("start");
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<QString>("reason"); // empty: written
    auto row = [](const char* name, const char* document, qsizetype start, qsizetype length,
                   const char* reason) {
        QTest::newRow(name) << QByteArray(document) << start << length << QString::fromLatin1(reason);
    };
    const char* table = "{\\rtf1\\trowd ab\\cell cd\\cell\\row ef\\tab g}"; // ab\tcd\t\nef\tg
    const char* mark =
        "a replacement would cross a table cell or row mark, or the edge of a note, header or footer";
    row("over a cell mark", table, 1, 2, mark);
    row("a cell mark alone", table, 2, 1, mark);
    row("over a row mark", table, 5, 2, mark);
    row("a row mark alone", table, 6, 1, mark);
    row("a cell's text", table, 0, 2, "");
    row("the next cell's text", table, 3, 2, "");
    row("after the row, over a tab", table, 7, 4, "");
    row("inserted at a cell mark", table, 2, 0, "");
    row("past the end", table, 10, 2, "replacements out of order or outside the text");
    const char* note = "{\\rtf1 ab{\\footnote cd}ef{\\header gh}}"; // ab[cd]efgh\n
    row("into a note's bracket", note, 1, 2, mark);
    row("out of a note's bracket", note, 4, 2, mark);
    row("a note's text", note, 3, 2, "");
    row("inserted before a note's closing bracket", note, 5, 0, "");
    row("from the body into a header", note, 7, 2, mark);
    row("a header's text", note, 8, 2, "");
    row("next to text in an unknown code page", "{\\rtf1\\ansicpg10004 a\\'c7b}", 2, 1,
        "a replacement touches text in an unsupported code page");
    row("double-byte lead without its trail", "{\\rtf1\\ansicpg936 a{\\'b0}b}", 1, 1,
        "a replacement touches text in an unsupported code page");
}

void RtfDocumentTest::editLimits()
{
    QFETCH(QByteArray, document);
    QFETCH(qsizetype, start);
    QFETCH(qsizetype, length);
    QFETCH(QString, reason);
    const RtfSource source = parsed(document);
    QCOMPARE(source.crossesBarrier(start, length), reason.contains("table"));
    QString why;
    const QByteArray result = written(source, { { start, length, QStringLiteral("x") } }, &why);
    QCOMPARE(why, reason);
    if (reason.isEmpty())
        QCOMPARE(parsed(result).text(), QString(source.text()).replace(start, length, "x"));
}

// Random documents from a mix of tokens, random edits: the output always reads back as the edited
// text, whatever the edits leave next to each other.
void RtfDocumentTest::randomEdits()
{
    const QList<QByteArray> tokens { "a", "b", " ", "1", "-", "\\b ", "\\b0", "\\i", "\\par ", "\\par",
        "\\tab", "\\'e9", "\\u233?", "\\uc0", "\\uc2", "\\uc1 ", "\\u-10179?", "\\u-8704?", "\\~", "\\-",
        "\\\\", "\\{", "\\}", "\\emdash", "\\bin2 \\b", "\\fs20", "\\f1", "\\'cf", "\\f3", "\\'82", "\\'a0",
        "\r\n", "{\\*\\x h}", "{\\v v}", "\\bin0 ", "\\u233", "\\u233 ", "\\zz", "\\zz-", "\\\r\n", "\xe9",
        "\x82", "?", "\t", "\\f2", "\\'e1", "\\uc0 ", "{\\*\\u233?}", "\\cell", "\\row", "\\line-",
        "\\:", "Z", "\\plain", "{\\upr{a}{\\*\\ud{b}}}", "{\\footnote n}", "{\\*\\footnote\\plain m}",
        "{\\header h\\par}", "\\uc10000000 " };
    const QStringList pieces { "x", " ", "1", "-", "?", "\\", "{", "}", "\t", "\n", u"é"_qs, u"😀"_qs, u"ж"_qs,
        u"\u007F"_qs, u"あ"_qs };
    const int open = int(tokens.size()), close = open + 1;
    QRandomGenerator random(20261206);
    int checked = 0;
    for (int round = 0; round < 2000; ++round) {
        QByteArray document = fontTable;
        int depth = 0;
        for (int i = random.bounded(1, 60); i > 0; --i) {
            const int pick = random.bounded(close + 1);
            if (pick == open || (pick == close && depth > 0)) {
                document += pick == open ? '{' : '}';
                depth += pick == open ? 1 : -1;
            } else if (pick < open) {
                document += tokens[pick];
            }
        }
        document += QByteArray(depth + 1, '}');
        const auto source = RtfSource::parse(document);
        if (!source)
            continue;
        const QString text = source->text();

        EditList edits;
        QString expected;
        qsizetype at = 0;
        while (at < text.size()) {
            const qsizetype start = at + random.bounded(int(text.size() - at) + 1);
            const qsizetype length = random.bounded(int(std::min<qsizetype>(4, text.size() - start)) + 1);
            QString with;
            for (int k = random.bounded(4); k > 0; --k)
                with += pieces[random.bounded(int(pieces.size()))];
            // An insertion keeps the character after it, so that no two edits start at one place.
            expected += text.mid(at, start - at) + with + (length ? QString() : text.mid(start, 1));
            edits.push_back({ start, length, with });
            at = start + std::max<qsizetype>(length, 1);
        }
        expected += text.mid(at);
        QString why;
        const QByteArray result = written(*source, edits, &why);
        if (result.isEmpty()) {
            QVERIFY(why == "a replacement touches text in an unsupported code page" || why.contains("table"));
            continue;
        }
        const auto reread = RtfSource::parse(result);
        QVERIFY2(reread && reread->text() == expected, (document + "\n=> " + result).constData());
        ++checked;
    }
    QVERIFY(checked > 1000);
}

// What the preview is given: character formats, paragraph alignments and pictures.
void RtfDocumentTest::formatsAndPictures()
{
    const RtfSource source =
        parsed("{\\rtf1\\deff0{\\fonttbl{\\f0 Times;}{\\f99999\\fnil\\fcharset0 Courier New;}}"
               "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
               "n{\\b b}{\\i\\ul iu\\ulnone i}{\\strike s}{\\f99999\\fs30 c}{\\cf1\\highlight2 r}"
               "\\b x\\plain p}");
    QStringList runs;
    for (const auto& run : source.formatRuns()) {
        QString line = source.text().mid(run.start, run.length) + ":" + (run.bold ? "b" : "")
            + (run.italic ? "i" : "") + (run.underline ? "u" : "") + (run.strike ? "s" : "") + " "
            + run.fontFamily + " " + QString::number(run.pointSize);
        if (run.color || run.background)
            line += QStringLiteral(" %1/%2")
                        .arg(run.color.value_or(1), 6, 16, QChar(u'0'))
                        .arg(run.background.value_or(1), 6, 16, QChar(u'0'));
        runs << line;
    }
    QCOMPARE(runs,
        QStringList({ "n: Times 0", "b:b Times 0", "iu:iu Times 0", "i:i Times 0", "s:s Times 0",
            "c: Courier New 15", "r: Times 0 ff0000/0000ff", "x:b Times 0", "p: Times 0" }));
    QCOMPARE(parsed("{\\rtf1\\fs2000000000 huge}").formatRuns().at(0).pointSize, 1638.0);

    const RtfSource layout =
        parsed("{\\rtf1\\pard\\qc centred\\par\\pard left\\par\\pard\\qr\\b right{\\*\\shppict"
               "{\\pict{\\*\\picprop{\\sp{\\sn x}{\\sv 1}}}\\pngblip\\picwgoal300\\pichgoal150 "
               "89 50\r\n4e47}}{\\nonshppict{\\pict\\wmetafile8 0102}}\\par\\qj{\\pict\\jpegblip"
               "\\bin3 \xff\xd8\xff}j\\par\\pard{\\pict\\emfblip 0102}}");
    QCOMPARE(layout.text(), QStringLiteral("centred\nleft\nright\nj\n"));
    QStringList seen; // paragraph alignments: centre, left, right, justify; then PNG and JPEG, no WMF, no EMF
    for (const auto& run : layout.paragraphRuns())
        seen << QStringLiteral("%1:%2").arg(run.start).arg(int(run.align));
    for (const auto& picture : layout.pictures())
        seen << QStringLiteral("%1:%2 %3x%4")
                    .arg(picture.position)
                    .arg(QString::fromLatin1(picture.data.toHex()))
                    .arg(picture.widthTwips)
                    .arg(picture.heightTwips);
    QCOMPARE(seen, QStringList({ "0:2", "8:0", "13:1", "19:3", "18:89504e47 300x150", "19:ffd8ff 0x0" }));
}

QTEST_GUILESS_MAIN(RtfDocumentTest)
#include "tst_doc_rtf.moc"
