// Replacements in documents written by real word processors (LibreOffice Writer and AbiWord, see
// tests/data/rtf/make-fixtures.sh), and in a large generated one.

#include "doc_testing.h"

#include <QtTest>

using doctest::editsFor;
using doctest::written;
using engine::RtfSource;

namespace
{

using BytePairs = QList<QPair<QByteArray, QByteArray>>;

QByteArray fixture(const QString& name)
{
    QFile file(QCoreApplication::applicationDirPath() + QStringLiteral("/" TEXTMEND_TESTDATA "/rtf/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test document %s", qPrintable(name));
    return file.readAll();
}

} // namespace

class RtfRealDocumentsTest : public QObject
{
    Q_OBJECT
private slots:
    void documentText_data();
    void documentText();
    void replacements_data();
    void replacements();
    void notesAndHeaders();
    void largeDocument();
};

void RtfRealDocumentsTest::documentText_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("phrases");
    const QList<std::pair<const char*, QStringList>> documents {
        { "letter",
            { "Dear Mr. Quorum,\nThank you for the quarterly report.", u"café naïve menu"_qs,
                "and the quorum agreed", u"Grüße — “quoted” words are fine; so are ‘single’ ones, 10 €"_qs,
                "a backslash \\ with {braces}.\nThe", u"Kind regards,\nAnna Café"_qs } },
        { "scripts",
            { u"Привет, мир! Москва — столица. Привет ещё раз.\n"_qs,
                u"Καλημέρα κόσμε! Η Αθήνα είναι η πρωτεύουσα."_qs, u"日本語のテキスト、東京。\n"_qs,
                u"😀"_qs } },
        { "table",
            { "Price list before the table.\nItem\tPrice\tNote\t", "apple\t1.20\tfresh apple\t",
                "pear\t0.90\tripe pear\t", "After the table: apple" } },
        { "features",
            { "Meeting notes\nSee the minutes of the meeting for details.\n",
                "First point: budget\nSecond point: venue\nbullet about the budget\n",
                "Red text and underlined and struck words." } },
        { "picture", { "Here is a picture of the logo:\n", "The logo above is blue. The logo is small." } },
    };
    for (const char* program : { "writer", "abiword" }) {
        for (const auto& [name, phrases] : documents)
            QTest::addRow("%s, %s", name, program)
                << QStringLiteral("%1-%2.rtf").arg(name, program) << phrases;
    }
    // Headers and footers where the document has them (the copies in Writer's page styles stay
    // hidden), notes in brackets at their anchors; the stand-in text for nested tables is hidden.
    QTest::newRow("notes, writer") << QString("notes-writer.rtf")
                                   << QStringList {
                                          "Head Zephyrine, page 0\n\nFoot Zephyrine\n\nBody Zephyrine met "
                                          "us.[Note about Zephyrine here.] Then Zeph[Split note.]yrine "
                                          "left.\nSecond paragraph names Zephyrine again.[Endnote on "
                                          "Zephyrine.]\n"
                                      };
    QTest::newRow("nested tables, writer")
        << QString("nested-writer.rtf")
        << QStringList { "Zephyrine.\nOuter Zephyrine\nInner Zephyrine\tcell two\t\tOuter right\t\t\nAfter" };
}

// The text holds the phrases and no markup, the document writes back unchanged, and a picture shows
// at its place with the bytes it was made from.
void RtfRealDocumentsTest::documentText()
{
    QFETCH(QString, file);
    QFETCH(QStringList, phrases);
    const QByteArray bytes = fixture(file);
    QVERIFY(RtfSource::isRtf(bytes));
    const RtfSource source = doctest::parsed(bytes);
    for (const QString& phrase : phrases)
        QVERIFY2(source.text().contains(phrase), qPrintable(phrase));
    QVERIFY(!source.text().contains(QStringLiteral("Times New Roman")));
    QVERIFY(!source.text().contains(QStringLiteral("\\par")));
    QCOMPARE(written(source, {}), bytes);

    const auto pictures = source.pictures();
    QCOMPARE(pictures.size(), std::size_t(file.startsWith("picture") ? 1 : 0));
    if (!pictures.empty()) {
        QCOMPARE(pictures[0].position, source.text().indexOf(QStringLiteral("logo:\n")) + 6);
        QCOMPARE(pictures[0].data, fixture(QStringLiteral("sources/dot.png")));
        QVERIFY(pictures[0].widthTwips > 0 && pictures[0].heightTwips > 0);
    }
}

void RtfRealDocumentsTest::replacements_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("with");
    QTest::addColumn<BytePairs>("changes"); // what becomes of the source bytes, everything else stays
    auto row = [](const char* name, const char* file, const QString& find, const QString& with,
                   const BytePairs& changes) {
        QTest::newRow(name) << QString(file) << find << with << changes;
    };

    row("writer: escaped non-ASCII word", "letter-writer.rtf", u"café"_qs, "bistro",
        { { "caf\\u233\\'e9", "bistro" } });
    row("writer: across formatting groups", "letter-writer.rtf", "quorum", "group",
        { { "qu}{\\loch\nor}{\\loch\\i\\loch\num}", "group}{\\loch\n}{\\loch\\i\\loch\n}" } });
    row("writer: named and unicode punctuation", "letter-writer.rtf", u"Grüße — “quoted”"_qs,
        "Regards \"cited\"",
        { { "Gr\\u252\\'fc\\u223\\'dfe \\u8212\\'97 \\u8220\\'93quoted\\u8221\\'94", "Regards \"cited\"" } });
    row("writer: paragraph, tab and accents inserted", "letter-writer.rtf", "month.",
        u"month.\nP.S. ünïcode\there"_qs, { { "month.}", "month.\\par P.S. \\'fcn\\'efcode\\tab here}" } });
    row("writer: link text, not its address", "features-writer.rtf", "minutes of the meeting", "notes",
        { { "minutes of the meeting}", "notes}" } });
    row("abiword: link result marked ignorable", "features-abiword.rtf", "minutes of the meeting", "notes",
        { { "minutes of the meeting}", "notes}" } });
    row("abiword: across groups with hidden tags", "letter-abiword.rtf", "quorum", "X",
        { { "qu}{\\s28\\f0\\fs24\\lang1024{\\*\\listtag0}or}{\\s28\\f0\\fs24\\i\\lang1024{\\*\\listtag0}um}",
            "X}{\\s28\\f0\\fs24\\lang1024{\\*\\listtag0}}{\\s28\\f0\\fs24\\i\\lang1024{\\*\\listtag0}}" } });
    row("abiword: uc words between the characters", "letter-abiword.rtf", u"— “quoted”"_qs, "- 'quoted'",
        { { "\\uc1\\u8212\\'97 \\uc1\\u8220\\'93quoted\\uc1\\u8221\\'94 words",
            "\\uc1 - 'quoted'\\uc1\\uc1  words" } });
    row("writer: Japanese, code points above 32767", "scripts-writer.rtf", u"日本語"_qs, "Nihongo",
        { { "\\u26085\\'3f\\u26412\\'3f\\u35486\\'3f", "Nihongo" } });
    row("writer: surrogate pair under uc0", "scripts-writer.rtf", u"😀"_qs, ":-)",
        { { "\\uc0 \\u55357\\uc1 \\u56832\\'3f and", "\\uc0 :-)\\uc1  and" } });
    const QByteArray privet("\\uc0\\u1055 \\uc0\\u1088 \\uc0\\u1080 \\uc0\\u1074 \\uc0\\u1077 \\uc0\\u1090 ");
    row("abiword: uc0 words need delimiters", "scripts-abiword.rtf", u"Привет"_qs, "Hi",
        { { privet + ",", "\\uc0 Hi\\uc0\\uc0\\uc0\\uc0\\uc0," },
            { privet + " ", "\\uc0 Hi\\uc0\\uc0\\uc0\\uc0\\uc0  " } });
    row("abiword: negative code points", "scripts-abiword.rtf", u"本語"_qs, u"ほ"_qs,
        { { "\\uc0\\u26412 \\uc0\\u-30050 \\uc0", "\\uc0\\u12411\\uc0\\uc0" } });
    row("writer: words in table cells", "table-writer.rtf", "apple", "orange", { { "apple", "orange" } });
    row("writer: nested tables", "nested-writer.rtf", "Zephyrine", "Zoe", { { "Zephyrine", "Zoe" } });
    row("writer: replaced by itself, nothing changes", "letter-writer.rtf", u"Grüße — “quoted”"_qs,
        u"Grüße — “quoted”"_qs, {});
    row("writer: picture names stay", "picture-writer.rtf", "logo", "emblem",
        { { "the logo:", "the emblem:" }, { "The logo above", "The emblem above" },
            { "\nlogo}", "\nemblem}" } });
}

void RtfRealDocumentsTest::replacements()
{
    QFETCH(QString, file);
    QFETCH(QString, find);
    QFETCH(QString, with);
    QFETCH(BytePairs, changes);
    const QByteArray before = fixture(file);
    const RtfSource source = doctest::parsed(before);
    const auto edits = editsFor(source.text(), find, with);
    QVERIFY(!edits.empty());
    QByteArray expected = before;
    for (const auto& [from, to] : changes) {
        QVERIFY2(expected.contains(from), from.constData());
        expected.replace(from, to);
    }
    const QByteArray after = written(source, edits);
    QCOMPARE(after, expected);
    const RtfSource reread = doctest::parsed(after);
    QCOMPARE(reread.text(), QString(source.text()).replace(find, with));
    QCOMPARE(reread.pictures().size(), source.pictures().size());
}

// Every name a reader sees in the body, headers, footers, footnotes and endnotes is replaced; the word
// split by a footnote anchor is not one word, and Writer's hidden copies of its page styles stay.
void RtfRealDocumentsTest::notesAndHeaders()
{
    const QByteArray before = fixture(QStringLiteral("notes-writer.rtf"));
    const RtfSource source = doctest::parsed(before);
    const auto edits = editsFor(source.text(), "Zephyrine", "Zoe");
    QCOMPARE(edits.size(), std::size_t(6));
    const qsizetype body = before.indexOf("\\sectd");
    QByteArray expected = before;
    expected.replace(body, before.size() - body, before.mid(body).replace("Zephyrine", "Zoe"));
    const QByteArray after = written(source, edits);
    QCOMPARE(after, expected);
    QCOMPARE(doctest::parsed(after).text(), QString(source.text()).replace("Zephyrine", "Zoe"));
}

// A document of about 20 MB with 100,000 matches, more than the writer holds in memory at once, loads,
// takes every replacement and is written whole. How fast is bench_engine's to say (bench/README.md).
void RtfRealDocumentsTest::largeDocument()
{
    const QByteArray header = fixture(QStringLiteral("letter-writer.rtf")).left(4000);
    QByteArray bytes = header.left(header.lastIndexOf("\\pard"));
    const QByteArray paragraph(
        "\\pard\\plain \\s16\\ql{\\loch The {\\b quorum} met in the caf\\u233\\'e9 at "
        "noon; na\\'efve \\{guests\\} waited \\u8212\\'97 then the quo}{\\i rum left.}"
        "{\\*\\bkmkstart q}{\\field{\\*\\fldinst HYPERLINK \"quorum\"}{\\fldrslt quorum}}\n"
        "\\par ");
    const int paragraphs = int((20 * 1024 * 1024 - bytes.size()) / paragraph.size());
    bytes += paragraph.repeated(paragraphs) + '}';
    const QString find("quorum"), with(u"Forum—"_qs);

    const RtfSource source = doctest::parsed(bytes);
    const auto edits = editsFor(source.text(), find, with);
    QVERIFY(edits.size() >= 100000);
    const QByteArray after = written(source, edits);
    QCOMPARE(doctest::parsed(after).text(), QString(source.text()).replace(find, with));
    QCOMPARE(after.count("HYPERLINK \"quorum\""), paragraphs);
}

QTEST_GUILESS_MAIN(RtfRealDocumentsTest)
#include "tst_doc_rtf_documents.moc"
