#include "richtext/rtfsource.h"

#include <QBuffer>
#include <QtTest>

using richtext::EditList;
using richtext::RtfSource;

namespace
{

RtfSource parsed(const QByteArray& rtf)
{
    QString why;
    auto source = RtfSource::parse(rtf, &why);
    if (!source)
        qFatal("document did not parse (%s): %s", qPrintable(why), rtf.constData());
    return *source;
}

// Every occurrence of `find` in the visible text, left to right, becomes `with`.
EditList editsFor(const QString& text, const QString& find, const QString& with)
{
    EditList edits;
    for (qsizetype at = text.indexOf(find); at >= 0; at = text.indexOf(find, at + find.size()))
        edits.push_back({ at, find.size(), with });
    return edits;
}

QByteArray written(const RtfSource& source, const EditList& edits, bool* ok = nullptr, QString* why = nullptr)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const bool result = source.write(edits, buffer, why);
    if (ok)
        *ok = result;
    return buffer.data();
}

QByteArray rtf(const char* body)
{
    return QByteArray(
               "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fcharset204 Arial "
               "Cyr;}{\\f2\\fcharset161 Arial Greek;}}")
        + body + "}";
}

} // namespace

class RtfDocumentTest : public QObject
{
    Q_OBJECT
private slots:
    void visibleText_data();
    void visibleText();
    void refusedDocuments_data();
    void refusedDocuments();
    void replacements_data();
    void replacements();
    void refusedEdits_data();
    void refusedEdits();
    void tableMarks();
    void doubleByteCodePages_data();
    void doubleByteCodePages();
    void randomEdits();
    void formatting();
    void paragraphsAndPictures();
};

void RtfDocumentTest::visibleText_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QString>("text");

    // Tokens and special characters.
    QTest::newRow("delimiter space belongs to the control word")
        << rtf("\\b bold\\b0  plain") << "bold plain";
    QTest::newRow("numbers and hyphens end control words") << rtf("\\fs20-x\\b0;y") << "-x;y";
    QTest::newRow("line breaks in the source are not text") << rtf("one\r\ntwo\nthree\r") << "onetwothree";
    QTest::newRow("par line and tab") << rtf("a\\par b\\line c\\tab d") << "a\nb\nc\td";
    QTest::newRow("backslash before a line break is a paragraph") << rtf("a\\\nb") << "a\nb";
    QTest::newRow("escaped braces and backslash") << rtf("\\{x\\}\\\\") << "{x}\\";
    QTest::newRow("named characters") << rtf("\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote")
                                      << QString::fromUtf8("—–•‘’“”");
    QTest::newRow("space symbols and hyphens")
        << rtf("a\\~b\\_c\\-d") << QString::fromUtf8("a\u00A0b\u2011c\u00ADd");
    QTest::newRow("unknown symbols and words show nothing") << rtf("a\\|\\:\\zzz b") << "ab";
    QTest::newRow("text after the document is not read") << QByteArray("{\\rtf1 a}b{c") << "a";

    // Code pages.
    QTest::newRow("hex escape in 1252") << rtf("caf\\'e9 \\'80") << QString::fromUtf8("café €");
    QTest::newRow("literal high byte in 1252") << rtf("caf\xe9") << QString::fromUtf8("café");
    QTest::newRow("ansicpg 1251") << QByteArray("{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8}")
                                  << QString::fromUtf8("При");
    QTest::newRow("font charset switches the code page")
        << rtf("{\\f1 \\'cf}\\'cf{\\f2 \\'e1}") << QString::fromUtf8("ПÏα");
    QTest::newRow("cpg of a font") << QByteArray("{\\rtf1{\\fonttbl{\\f0\\cpg1250 A;}}\\f0 \\'9a}")
                                   << QString::fromUtf8("š");
    QTest::newRow("default font charset applies without f")
        << QByteArray("{\\rtf1\\deff0{\\fonttbl{\\f0\\fcharset162 T;}}\\'fe}") << QString::fromUtf8("ş");
    QTest::newRow("plain returns to the default font")
        << rtf("\\f1\\'e0\\plain\\'e0") << QString::fromUtf8("аà");
    QTest::newRow("half-width katakana in 932")
        << QByteArray("{\\rtf1\\ansicpg932 \\'b1}") << QString::fromUtf8("ｱ");

    // Unicode.
    QTest::newRow("u with one fallback") << rtf("caf\\u233?s") << QString::fromUtf8("cafés");
    QTest::newRow("negative u") << rtf("\\u-3913?") << QString(QChar(0xF0B7));
    QTest::newRow("u above 32767 written negative") << rtf("\\u-223?") << QString(QChar(0xFF21));
    QTest::newRow("surrogate pair") << rtf("\\u-10179?\\u-8704?") << QString::fromUtf8("😀");
    QTest::newRow("fallback as hex escape counts once")
        << rtf("\\u1087\\'ef\\u1088\\'f0x") << QString::fromUtf8("прx");
    QTest::newRow("uc2 skips two") << rtf("\\uc2\\u12354\\'82\\'a0z") << QString::fromUtf8("あz");
    QTest::newRow("uc0 skips nothing") << rtf("\\uc0\\u233 abc") << QString::fromUtf8("éabc");
    QTest::newRow("uc is scoped by its group") << rtf("{\\uc2\\u233??}\\u233?x") << QString::fromUtf8("ééx");
    QTest::newRow("group end cuts the fallback short") << rtf("{\\uc3\\u233?}x") << QString::fromUtf8("éx");
    QTest::newRow("fallback control word counts once") << rtf("\\u8212\\emdash x") << QString::fromUtf8("—x");
    QTest::newRow("fallback line breaks do not count") << rtf("\\u233\r\n?x") << QString::fromUtf8("éx");

    // Binary data.
    QTest::newRow("bin data is skipped") << rtf("a\\bin3 {}\\b") << "ab";
    QTest::newRow("bin without delimiter") << rtf("a\\bin2xyz") << "az";
    QTest::newRow("bin inside a hidden group") << rtf("a{\\*\\blob\\bin4 }}{{}b") << "ab";

    // Hidden destinations and fields.
    QTest::newRow("tables and info") << QByteArray(
        "{\\rtf1{\\colortbl;\\red1\\green2\\blue3;}{\\stylesheet{\\s0 Normal;}}"
        "{\\info{\\title T}{\\author A}}x}")
                                     << "x";
    QTest::newRow("ignorable destinations") << rtf("a{\\*\\generator Writer;}{\\*\\unknown text}b") << "ab";
    QTest::newRow("header footer footnote") << rtf("{\\header h}{\\footer f}a{\\footnote note}b") << "ab";
    QTest::newRow("hidden text") << rtf("a{\\v secret}b\\v c\\v0 d") << "abd";
    QTest::newRow("field result shows, instruction does not")
        << rtf("{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt {\\ul link}}}") << "link";
    QTest::newRow("field result marked ignorable")
        << rtf("{\\field{\\*\\fldinst X}{\\*\\fldrslt shown}}") << "shown";
    QTest::newRow("field in a header stays hidden")
        << rtf("{\\header{\\field{\\*\\fldinst X}{\\fldrslt 1}}}a") << "a";
    QTest::newRow("picture stand-in for older readers")
        << rtf("{\\*\\shppict{\\pict\\pngblip 00}}{\\nonshppict{\\pict 00}}x") << "x";
    QTest::newRow("list numbers are generated, not text") << rtf("{\\listtext 1.\\tab}item") << "item";
    QTest::newRow("unicode version of upr") << rtf("{\\upr{ansi}{\\*\\ud{uni}}}") << "uni";
    QTest::newRow("table cells and rows") << rtf("\\trowd a\\cell b\\cell\\row c") << "a\tb\t\nc";
}

void RtfDocumentTest::visibleText()
{
    QFETCH(QByteArray, document);
    QFETCH(QString, text);
    const RtfSource source = parsed(document);
    QCOMPARE(source.text(), text);
    QCOMPARE(written(source, {}), document);
    // Writing every character back as itself gives the same text, whatever escape it came from.
    EditList edits;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!source.crossesBarrier(i, 1))
            edits.push_back({ i, 1, text.mid(i, 1) });
    }
    const QByteArray rewritten = written(source, edits);
    QCOMPARE(parsed(rewritten).text(), text);
}

void RtfDocumentTest::refusedDocuments_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QString>("reason");
    QTest::newRow("empty") << QByteArray() << "not an RTF document";
    QTest::newRow("plain text") << QByteArray("hello {\\rtf1}") << "not an RTF document";
    QTest::newRow("leading space") << QByteArray(" {\\rtf1 a}") << "not an RTF document";
    QTest::newRow("word processor binary")
        << QByteArray("\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", 8) << "not an RTF document";
    QTest::newRow("never closed") << QByteArray("{\\rtf1 abc") << "malformed RTF: unbalanced braces";
    QTest::newRow("inner group never closed")
        << QByteArray("{\\rtf1 {\\b abc}") << "malformed RTF: unbalanced braces";
    QTest::newRow("ends in a backslash") << QByteArray("{\\rtf1 abc\\") << "malformed RTF: unbalanced braces";
    QTest::newRow("bin longer than the file")
        << QByteArray("{\\rtf1 \\bin100 abc}") << "malformed RTF: truncated \\bin data";
    QTest::newRow("half a hex escape") << QByteArray("{\\rtf1 \\'b x}") << "malformed RTF: bad \\' escape";
    QTest::newRow("hex escape cut by a brace")
        << QByteArray("{\\rtf1 {\\'}}") << "malformed RTF: bad \\' escape";
    QTest::newRow("bad hex escape as a stand-in")
        << QByteArray("{\\rtf1 \\u233\\'zz}") << "malformed RTF: bad \\' escape";
    QTest::newRow("bin swallows the closing brace")
        << QByteArray("{\\rtf1 \\bin1 }") << "malformed RTF: unbalanced braces";
}

void RtfDocumentTest::refusedDocuments()
{
    QFETCH(QByteArray, document);
    QFETCH(QString, reason);
    QString why;
    QVERIFY(!RtfSource::parse(document, &why));
    QCOMPARE(why, reason);
    QCOMPARE(RtfSource::isRtf(document), reason != "not an RTF document");
}

void RtfDocumentTest::replacements_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("with");
    QTest::addColumn<QByteArray>("after");

    // Where the replacement goes and what stays.
    QTest::newRow("plain word") << QByteArray("{\\rtf1 a cat sat}") << "cat"
                                << "dog" << QByteArray("{\\rtf1 a dog sat}");
    QTest::newRow("match across groups keeps the braces") << QByteArray("{\\rtf1 qu{\\b or}um!}") << "quorum"
                                                          << "X" << QByteArray("{\\rtf1 X{\\b }!}");
    QTest::newRow("replacement takes the first character's group")
        << QByteArray("{\\rtf1 a{\\b bc}d}") << "bcd"
        << "Z" << QByteArray("{\\rtf1 a{\\b Z}}");
    QTest::newRow("hidden group inside the match stays")
        << QByteArray("{\\rtf1 ab{\\*\\bkmkstart m}cd}") << "bc"
        << "X" << QByteArray("{\\rtf1 aX{\\*\\bkmkstart m}d}");
    QTest::newRow("inside a field result")
        << QByteArray("{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"link\"}{\\fldrslt link}}}") << "link"
        << "site" << QByteArray("{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"link\"}{\\fldrslt site}}}");
    QTest::newRow("match over a paragraph mark") << QByteArray("{\\rtf1 a\\par b}") << "a\nb"
                                                 << "X" << QByteArray("{\\rtf1 X}");
    QTest::newRow("deleting the whole text") << QByteArray("{\\rtf1\\b abc}") << "abc"
                                             << "" << QByteArray("{\\rtf1\\b }");

    // Control words next to what is deleted stay control words.
    QTest::newRow("letter after a word without delimiter") << QByteArray("{\\rtf1\\b;x}") << ";"
                                                           << "" << QByteArray("{\\rtf1\\b x}");
    QTest::newRow("digit after a numbered word") << QByteArray("{\\rtf1\\fs20;5}") << ";"
                                                 << "" << QByteArray("{\\rtf1\\fs20 5}");
    QTest::newRow("space after a word would be eaten") << QByteArray("{\\rtf1\\b0; x}") << ";"
                                                       << "" << QByteArray("{\\rtf1\\b0  x}");
    QTest::newRow("hyphen after a word") << QByteArray("{\\rtf1\\b;-1}") << ";"
                                         << "" << QByteArray("{\\rtf1\\b -1}");
    QTest::newRow("escaped backslash before letters is not a word") << QByteArray("{\\rtf1\\\\b;x}") << ";"
                                                                    << "" << QByteArray("{\\rtf1\\\\bx}");
    QTest::newRow("hex escape before letters is not a word") << QByteArray("{\\rtf1\\'e9;x}") << ";"
                                                             << "" << QByteArray("{\\rtf1\\'e9x}");
    QTest::newRow("replacement starts after a word") << QByteArray("{\\rtf1\\b;}") << ";"
                                                     << "x" << QByteArray("{\\rtf1\\b x}");
    QTest::newRow("deleting a paragraph mark") << QByteArray("{\\rtf1 a\\par b}") << "\n"
                                               << "" << QByteArray("{\\rtf1 ab}");
    QTest::newRow("deleting a mark without delimiter") << QByteArray("{\\rtf1\\b0 a\\par\\i b}") << "a\n"
                                                       << "" << QByteArray("{\\rtf1\\b0 \\i b}");
    QTest::newRow("unicode construct deleted before a digit")
        << QByteArray("{\\rtf1\\fs20\\u233?1}") << QString::fromUtf8("é") << ""
        << QByteArray("{\\rtf1\\fs20 1}");
    QTest::newRow("bin data that looks like a word") << QByteArray("{\\rtf1\\bin2 \\b;x}") << ";"
                                                     << "" << QByteArray("{\\rtf1\\bin2 \\bx}");

    // Characters that came from escapes.
    QTest::newRow("unicode with hex fallback")
        << QByteArray("{\\rtf1 caf\\u233\\'e9 s}") << QString::fromUtf8("é ") << "e"
        << QByteArray("{\\rtf1 cafes}");
    QTest::newRow("long fallback deleted with its character")
        << QByteArray("{\\rtf1 a\\u233\\" + QByteArray(300, 'x') + " b}") << QString::fromUtf8("aé") << "c"
        << QByteArray("{\\rtf1 cb}");
    QTest::newRow("surrogate pair replaced") << QByteArray("{\\rtf1 a\\u-10179?\\u-8704?b}")
                                             << QString::fromUtf8("😀") << ":)" << QByteArray("{\\rtf1 a:)b}");
    QTest::newRow("other code page")
        << QByteArray("{\\rtf1{\\fonttbl{\\f1\\fcharset204 C;}}\\f1 \\'e4\\'e0}") << QString::fromUtf8("да")
        << QString::fromUtf8("нет")
        << QByteArray("{\\rtf1{\\fonttbl{\\f1\\fcharset204 C;}}\\f1 \\u1085?\\u1077?\\u1090?}");

    // Escaping of the inserted text.
    QTest::newRow("braces and backslash") << QByteArray("{\\rtf1 x}") << "x"
                                          << "\\{}" << QByteArray("{\\rtf1 \\\\\\{\\}}");
    QTest::newRow("tab and line break") << QByteArray("{\\rtf1 x}") << "x"
                                        << "a\tb\nc" << QByteArray("{\\rtf1 a\\tab b\\par c}");
    QTest::newRow("CRLF in the replacement is one paragraph") << QByteArray("{\\rtf1 x}") << "x"
                                                              << "a\r\nb" << QByteArray("{\\rtf1 a\\par b}");
    QTest::newRow("word before a space of the text") << QByteArray("{\\rtf1 x y}") << "x"
                                                     << "\t" << QByteArray("{\\rtf1 \\tab  y}");
    QTest::newRow("non-ASCII with one fallback") << QByteArray("{\\rtf1 x}") << "x" << QString::fromUtf8("é€")
                                                 << QByteArray("{\\rtf1 \\u233?\\u8364?}");
    QTest::newRow("outside the BMP as a pair") << QByteArray("{\\rtf1 x}") << "x" << QString::fromUtf8("😀")
                                               << QByteArray("{\\rtf1 \\u-10179?\\u-8704?}");
    QTest::newRow("fallbacks follow uc") << QByteArray("{\\rtf1{\\uc2 x}}") << "x" << QString::fromUtf8("é")
                                         << QByteArray("{\\rtf1{\\uc2 \\u233??}}");
    QTest::newRow("uc0 means no fallback") << QByteArray("{\\rtf1\\uc0 xa}") << "x" << QString::fromUtf8("é")
                                           << QByteArray("{\\rtf1\\uc0 \\u233 a}");
    QTest::newRow("uc0 before a digit") << QByteArray("{\\rtf1\\uc0 x1}") << "x" << QString::fromUtf8("é")
                                        << QByteArray("{\\rtf1\\uc0 \\u233 1}");
    QTest::newRow("uc of the group ended earlier")
        << QByteArray("{\\rtf1{\\uc0 a}x}") << "x" << QString::fromUtf8("é")
        << QByteArray("{\\rtf1{\\uc0 a}\\u233?}");
}

void RtfDocumentTest::replacements()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, find);
    QFETCH(QString, with);
    QFETCH(QByteArray, after);
    const RtfSource source = parsed(before);
    const EditList edits = editsFor(source.text(), find, with);
    QVERIFY(!edits.empty());
    bool ok = false;
    QString why;
    const QByteArray result = written(source, edits, &ok, &why);
    QVERIFY2(ok, qPrintable(why));
    QCOMPARE(result, after);
    QString expected = source.text();
    expected.replace(find, QString(with).replace("\r\n", "\n"));
    QCOMPARE(parsed(result).text(), expected);
}

void RtfDocumentTest::refusedEdits_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<qsizetype>("start");
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<QString>("reason");
    const QByteArray table("{\\rtf1\\trowd a\\cell b\\cell\\row c}");
    QTest::newRow("over a cell mark")
        << table << qsizetype(0) << qsizetype(3) << "a replacement would remove a table cell or row mark";
    QTest::newRow("over a row mark") << table << qsizetype(3) << qsizetype(2)
                                     << "a replacement would remove a table cell or row mark";
    QTest::newRow("past the end") << table << qsizetype(5) << qsizetype(2)
                                  << "replacements out of order or outside the text";
    QTest::newRow("double-byte lead without its trail")
        << QByteArray("{\\rtf1\\ansicpg936 a{\\'b0}b}") << qsizetype(1) << qsizetype(1)
        << "a replacement touches text in an unsupported code page";
}

void RtfDocumentTest::refusedEdits()
{
    QFETCH(QByteArray, document);
    QFETCH(qsizetype, start);
    QFETCH(qsizetype, length);
    QFETCH(QString, reason);
    const RtfSource source = parsed(document);
    bool ok = true;
    QString why;
    written(source, { { start, length, QStringLiteral("x") } }, &ok, &why);
    QVERIFY(!ok);
    QCOMPARE(why, reason);
}

void RtfDocumentTest::tableMarks()
{
    const RtfSource source = parsed("{\\rtf1\\trowd ab\\cell cd\\cell\\row ef\\tab g}");
    QCOMPARE(source.text(), QStringLiteral("ab\tcd\t\nef\tg"));
    const QList<std::pair<int, int>> crossing { { 1, 2 }, { 2, 1 }, { 5, 2 }, { 6, 1 } };
    const QList<std::pair<int, int>> clear { { 0, 2 }, { 3, 2 }, { 7, 4 }, { 2, 0 } };
    for (const auto& [start, length] : crossing)
        QVERIFY(source.crossesBarrier(start, length));
    for (const auto& [start, length] : clear)
        QVERIFY(!source.crossesBarrier(start, length));
}

void RtfDocumentTest::doubleByteCodePages_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QString>("text");
    QTest::newRow("GBK, two hex escapes")
        << QByteArray("{\\rtf1\\ansicpg936 a\\'b0\\'a1b}") << QString::fromUtf8("a啊b");
    QTest::newRow("Shift-JIS through the font charset")
        << QByteArray("{\\rtf1{\\fonttbl{\\f1\\fcharset128 MS Mincho;}}\\f1 \\'82\\'a0\\'b1}")
        << QString::fromUtf8("あｱ");
    QTest::newRow("trail as a literal byte")
        << QByteArray("{\\rtf1\\ansicpg932 \\'83z\\'83N}") << QString::fromUtf8("ホク");
    QTest::newRow("Big5") << QByteArray("{\\rtf1\\ansicpg950 \\'a4\\'a4}") << QString::fromUtf8("中");
    QTest::newRow("Hangul") << QByteArray("{\\rtf1\\ansicpg949 \\'b0\\'a1}") << QString::fromUtf8("가");
}

void RtfDocumentTest::doubleByteCodePages()
{
    QFETCH(QByteArray, document);
    QFETCH(QString, text);
    if (!QStringDecoder("Shift_JIS").isValid())
        QSKIP("this Qt has no decoders for East Asian code pages");
    QCOMPARE(parsed(document).text(), text);
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
        "\\:", "Z", "\\plain", "{\\upr{a}{\\*\\ud{b}}}" };
    const QStringList pieces { "x", " ", "1", "-", "?", "\\", "{", "}", "\t", "\n", QString::fromUtf8("é"),
        QString::fromUtf8("😀"), QString::fromUtf8("ж") };
    QRandomGenerator random(20261206);
    int checked = 0;
    for (int round = 0; round < 2000; ++round) {
        QByteArray document = rtf("");
        document.chop(1);
        document += "{\\fonttbl{\\f3\\fcharset128 M;}}";
        int depth = 0;
        for (int i = random.bounded(1, 60); i > 0; --i) {
            const int pick = random.bounded(int(tokens.size()) + 2);
            if (pick == tokens.size()) {
                document += '{';
                ++depth;
            } else if (pick == tokens.size() + 1 && depth > 0) {
                document += '}';
                --depth;
            } else if (pick < tokens.size()) {
                document += tokens[pick];
            }
        }
        document += QByteArray(depth + 1, '}');
        const auto parsedDocument = RtfSource::parse(document);
        if (!parsedDocument)
            continue;
        const RtfSource& source = *parsedDocument;
        const QString text = source.text();

        EditList edits;
        QString expected;
        qsizetype at = 0;
        while (at < text.size()) {
            const qsizetype start = at + random.bounded(int(text.size() - at) + 1);
            const qsizetype length = random.bounded(int(std::min<qsizetype>(4, text.size() - start)) + 1);
            QString with;
            for (int k = random.bounded(4); k > 0; --k)
                with += pieces[random.bounded(int(pieces.size()))];
            expected += text.mid(at, start - at) + with;
            edits.push_back({ start, length, with });
            at = start + std::max<qsizetype>(length, 1);
            if (length == 0 && start < text.size())
                expected += text.at(start);
        }
        expected += text.mid(at);
        bool ok = false;
        QString why;
        const QByteArray result = written(source, edits, &ok, &why);
        if (!ok) {
            QVERIFY(why == QStringLiteral("a replacement touches text in an unsupported code page")
                || why.contains("table"));
            continue;
        }
        const auto reread = RtfSource::parse(result);
        QVERIFY2(reread, result.constData());
        QVERIFY2(reread->text() == expected, (document + "\n=> " + result).constData());
        ++checked;
    }
    QVERIFY(checked > 1000);
}

void RtfDocumentTest::formatting()
{
    const RtfSource source =
        parsed("{\\rtf1\\deff0{\\fonttbl{\\f0 Times;}{\\f1\\fnil\\fcharset0 Courier New;}}"
               "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
               "n{\\b b}{\\i\\ul iu\\ulnone i}{\\strike s}{\\f1\\fs30 c}{\\cf1\\highlight2 r}"
               "\\b x\\plain p}");
    QStringList runs;
    for (const auto& run : source.formatRuns()) {
        QString line = source.text().mid(run.start, run.length) + ":";
        line += QString(run.bold ? "b" : "") + (run.italic ? "i" : "") + (run.underline ? "u" : "")
            + (run.strike ? "s" : "");
        line += " " + run.fontFamily + " " + QString::number(run.pointSize);
        if (run.color || run.background)
            line += QStringLiteral(" %1/%2")
                        .arg(run.color.value_or(1), 6, 16, QChar(u'0'))
                        .arg(run.background.value_or(1), 6, 16, QChar(u'0'));
        runs << line;
    }
    QCOMPARE(runs,
        QStringList({ "n: Times 0", "b:b Times 0", "iu:iu Times 0", "i:i Times 0", "s:s Times 0",
            "c: Courier New 15", "r: Times 0 ff0000/0000ff", "x:b Times 0", "p: Times 0" }));
}

void RtfDocumentTest::paragraphsAndPictures()
{
    const RtfSource source =
        parsed("{\\rtf1\\pard\\qc centred\\par\\pard left\\par\\pard\\qr\\b right{\\*\\shppict"
               "{\\pict{\\*\\picprop{\\sp{\\sn x}{\\sv 1}}}\\pngblip\\picwgoal300\\pichgoal150 "
               "89 50\r\n4e47}}{\\nonshppict{\\pict\\wmetafile8 0102}}\\par\\qj{\\pict\\jpegblip"
               "\\bin3 \xff\xd8\xff}j\\par\\pard{\\pict\\emfblip 0102}}");
    QCOMPARE(source.text(), QStringLiteral("centred\nleft\nright\nj\n"));
    QStringList paragraphs;
    for (const auto& run : source.paragraphRuns())
        paragraphs << QStringLiteral("%1:%2").arg(run.start).arg(int(run.align));
    QCOMPARE(paragraphs, QStringList({ "0:2", "8:0", "13:1", "19:3" })); // centre, left, right, justify

    const auto pictures = source.pictures(); // PNG and JPEG; not the WMF stand-in, not EMF
    QCOMPARE(pictures.size(), std::size_t(2));
    QCOMPARE(pictures[0].position, 18);
    QCOMPARE(pictures[0].data, QByteArray("\x89PNG"));
    QCOMPARE(pictures[0].widthTwips, 300);
    QCOMPARE(pictures[0].heightTwips, 150);
    QCOMPARE(pictures[1].position, 19);
    QCOMPARE(pictures[1].data, QByteArray("\xff\xd8\xff"));
}

QTEST_GUILESS_MAIN(RtfDocumentTest)
#include "tst_doc_rtf.moc"
