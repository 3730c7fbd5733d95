// Replacements in documents written by real word processors (LibreOffice Writer and AbiWord, see
// tests/data/rtf/make-fixtures.sh), and in a large generated one.

#include "richtext/rtfsource.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

using richtext::EditList;
using richtext::RtfSource;

namespace
{

using BytePairs = QList<QPair<QByteArray, QByteArray>>;

QByteArray fixture(const QString& name)
{
    QFile file(QStringLiteral(TEXTMEND_TESTDATA "/rtf/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test document %s", qPrintable(name));
    return file.readAll();
}

EditList editsFor(const QString& text, const QString& find, const QString& with)
{
    EditList edits;
    for (qsizetype at = text.indexOf(find); at >= 0; at = text.indexOf(find, at + find.size()))
        edits.push_back({ at, find.size(), with });
    return edits;
}

QByteArray written(const RtfSource& source, const EditList& edits)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QString why;
    if (!source.write(edits, buffer, &why))
        qWarning("write failed: %s", qPrintable(why));
    return buffer.data();
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
    void largeDocument();
};

void RtfRealDocumentsTest::documentText_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("phrases");
    QTest::addColumn<int>("pictures");
    const QStringList letter { "Dear Mr. Quorum,\nThank you for the quarterly report.",
        QString::fromUtf8("café naïve menu"), "and the quorum agreed",
        QString::fromUtf8("Grüße — “quoted” words are fine; so are ‘single’ ones, 10 €"),
        "a backslash \\ with {braces}.\nThe", QString::fromUtf8("Kind regards,\nAnna Café") };
    const QStringList scripts { QString::fromUtf8("Привет, мир! Москва — столица. Привет ещё раз.\n"),
        QString::fromUtf8("Καλημέρα κόσμε! Η Αθήνα είναι η πρωτεύουσα."),
        QString::fromUtf8("日本語のテキスト、東京。\n"), QString::fromUtf8("😀") };
    const QStringList table { "Price list before the table.\nItem\tPrice\tNote\t",
        "apple\t1.20\tfresh apple\t", "pear\t0.90\tripe pear\t", "After the table: apple" };
    const QStringList features { "Meeting notes\nSee the minutes of the meeting for details.\n",
        "First point: budget\nSecond point: venue\nbullet about the budget\n",
        "Red text and underlined and struck words." };
    const QStringList picture { "Here is a picture of the logo:\n",
        "The logo above is blue. The logo is small." };
    for (const char* program : { "writer", "abiword" }) {
        QTest::addRow("letter, %s", program) << QStringLiteral("letter-%1.rtf").arg(program) << letter << 0;
        QTest::addRow("scripts, %s", program)
            << QStringLiteral("scripts-%1.rtf").arg(program) << scripts << 0;
        QTest::addRow("table, %s", program) << QStringLiteral("table-%1.rtf").arg(program) << table << 0;
        QTest::addRow("features, %s", program)
            << QStringLiteral("features-%1.rtf").arg(program) << features << 0;
        QTest::addRow("picture, %s", program)
            << QStringLiteral("picture-%1.rtf").arg(program) << picture << 1;
    }
}

void RtfRealDocumentsTest::documentText()
{
    QFETCH(QString, file);
    QFETCH(QStringList, phrases);
    QFETCH(int, pictures);
    const QByteArray bytes = fixture(file);
    QVERIFY(RtfSource::isRtf(bytes));
    const auto source = RtfSource::parse(bytes);
    QVERIFY(source);
    for (const QString& phrase : phrases)
        QVERIFY2(source->text().contains(phrase), qPrintable(phrase));
    // No markup leaks into the text.
    QVERIFY(!source->text().contains(QStringLiteral("Times New Roman")));
    QVERIFY(!source->text().contains(QStringLiteral("\\par")));
    QCOMPARE(written(*source, {}), bytes);

    const auto shown = source->pictures();
    QCOMPARE(int(shown.size()), pictures);
    if (pictures) {
        QCOMPARE(shown[0].position, source->text().indexOf(QStringLiteral("logo:\n")) + 6);
        QVERIFY(shown[0].data.startsWith("\x89PNG"));
        QCOMPARE(shown[0].data, fixture(QStringLiteral("sources/dot.png")));
        QVERIFY(shown[0].widthTwips > 0 && shown[0].heightTwips > 0);
    }
}

void RtfRealDocumentsTest::replacements_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("with");
    QTest::addColumn<BytePairs>("changes"); // what becomes of the source bytes, everything else stays

    QTest::newRow("writer: escaped non-ASCII word")
        << "letter-writer.rtf" << QString::fromUtf8("café") << "bistro"
        << BytePairs { { "caf\\u233\\'e9", "bistro" } };
    QTest::newRow("writer: across formatting groups")
        << "letter-writer.rtf"
        << "quorum"
        << "group"
        << BytePairs { { "qu}{\\loch\nor}{\\loch\\i\\loch\num}", "group}{\\loch\n}{\\loch\\i\\loch\n}" } };
    QTest::newRow("writer: named and unicode punctuation")
        << "letter-writer.rtf" << QString::fromUtf8("Grüße — “quoted”") << "Regards \"cited\""
        << BytePairs { { "Gr\\u252\\'fc\\u223\\'dfe \\u8212\\'97 \\u8220\\'93quoted\\u8221\\'94",
               "Regards \"cited\"" } };
    QTest::newRow("writer: paragraph, tab and accents inserted")
        << "letter-writer.rtf"
        << "month." << QString::fromUtf8("month.\nP.S. ünïcode\there")
        << BytePairs { { "month.}", "month.\\par P.S. \\u252?n\\u239?code\\tab here}" } };
    QTest::newRow("writer: link text, not its address")
        << "features-writer.rtf"
        << "minutes of the meeting"
        << "notes" << BytePairs { { "minutes of the meeting}", "notes}" } };
    QTest::newRow("abiword: link result marked ignorable")
        << "features-abiword.rtf"
        << "minutes of the meeting"
        << "notes" << BytePairs { { "minutes of the meeting}", "notes}" } };
    QTest::newRow("abiword: across groups with hidden tags")
        << "letter-abiword.rtf"
        << "quorum"
        << "X"
        << BytePairs { { "qu}{\\s28\\f0\\fs24\\lang1024{\\*\\listtag0}or}{\\s28\\f0\\fs24\\i\\lang1024{\\*"
                         "\\listtag0}um}",
               "X}{\\s28\\f0\\fs24\\lang1024{\\*\\listtag0}}{\\s28\\f0\\fs24\\i\\lang1024{\\*\\listtag0}"
               "}" } };
    QTest::newRow("abiword: uc words between the characters")
        << "letter-abiword.rtf" << QString::fromUtf8("— “quoted”") << "- 'quoted'"
        << BytePairs { { "\\uc1\\u8212\\'97 \\uc1\\u8220\\'93quoted\\uc1\\u8221\\'94 words",
               "\\uc1 - 'quoted'\\uc1\\uc1  words" } };
    QTest::newRow("writer: Cyrillic word")
        << "scripts-writer.rtf" << QString::fromUtf8("Привет") << "Hello"
        << BytePairs { { "\\u1055\\'3f\\u1088\\'3f\\u1080\\'3f\\u1074\\'3f\\u1077\\'3f\\u1090\\'3f",
               "Hello" } };
    QTest::newRow("writer: Japanese, code points above 32767")
        << "scripts-writer.rtf" << QString::fromUtf8("日本語") << "Nihongo"
        << BytePairs { { "\\u26085\\'3f\\u26412\\'3f\\u35486\\'3f", "Nihongo" } };
    QTest::newRow("writer: surrogate pair under uc0")
        << "scripts-writer.rtf" << QString::fromUtf8("😀") << ":-)"
        << BytePairs { { "\\uc0 \\u55357\\uc1 \\u56832\\'3f and", "\\uc0 :-)\\uc1  and" } };
    QTest::newRow("abiword: uc0 words need delimiters")
        << "scripts-abiword.rtf" << QString::fromUtf8("Привет") << "Hi"
        << BytePairs { { "\\uc0\\u1055 \\uc0\\u1088 \\uc0\\u1080 \\uc0\\u1074 \\uc0\\u1077 \\uc0\\u1090 ,",
                           "\\uc0 Hi\\uc0\\uc0\\uc0\\uc0\\uc0," },
               { "\\uc0\\u1055 \\uc0\\u1088 \\uc0\\u1080 \\uc0\\u1074 \\uc0\\u1077 \\uc0\\u1090  ",
                   "\\uc0 Hi\\uc0\\uc0\\uc0\\uc0\\uc0  " } };
    QTest::newRow("abiword: negative code points")
        << "scripts-abiword.rtf" << QString::fromUtf8("本語") << QString::fromUtf8("ほ")
        << BytePairs { { "\\uc0\\u26412 \\uc0\\u-30050 \\uc0", "\\uc0\\u12411\\uc0\\uc0" } };
    QTest::newRow("writer: words in table cells") << "table-writer.rtf"
                                                  << "apple"
                                                  << "orange" << BytePairs { { "apple", "orange" } };
    QTest::newRow("writer: picture names stay")
        << "picture-writer.rtf"
        << "logo"
        << "emblem"
        << BytePairs { { "the logo:", "the emblem:" }, { "The logo above", "The emblem above" },
               { "\nlogo}", "\nemblem}" } };
}

void RtfRealDocumentsTest::replacements()
{
    QFETCH(QString, file);
    QFETCH(QString, find);
    QFETCH(QString, with);
    QFETCH(BytePairs, changes);
    const QByteArray before = fixture(file);
    const auto source = RtfSource::parse(before);
    QVERIFY(source);
    const EditList edits = editsFor(source->text(), find, with);
    QVERIFY(!edits.empty());
    QByteArray expected = before;
    for (const auto& [from, to] : changes) {
        QVERIFY2(expected.contains(from), from.constData());
        expected.replace(from, to);
    }
    const QByteArray after = written(*source, edits);
    QCOMPARE(after, expected);

    const auto reread = RtfSource::parse(after);
    QVERIFY(reread);
    QCOMPARE(reread->text(), QString(source->text()).replace(find, with));
    QCOMPARE(reread->pictures().size(), source->pictures().size());
}

// A document of about 20 MB with 100,000 matches loads, takes every replacement and is written
// in well under a second or two: the work grows with the size, not with size times matches.
void RtfRealDocumentsTest::largeDocument()
{
    const QByteArray header = fixture(QStringLiteral("letter-writer.rtf")).left(4000);
    const qsizetype headerEnd = header.lastIndexOf("\\pard");
    QByteArray bytes = header.left(headerEnd);
    const QByteArray paragraph(
        "\\pard\\plain \\s16\\ql{\\loch The {\\b quorum} met in the caf\\u233\\'e9 at "
        "noon; na\\'efve \\{guests\\} waited \\u8212\\'97 then the quo}{\\i rum left.}"
        "{\\*\\bkmkstart q}{\\field{\\*\\fldinst HYPERLINK \"quorum\"}{\\fldrslt quorum}}\n"
        "\\par ");
    bytes.reserve(21 * 1024 * 1024);
    int paragraphs = 0;
    while (bytes.size() < 20 * 1024 * 1024 - paragraph.size()) {
        bytes.append(paragraph);
        ++paragraphs;
    }
    bytes.append('}');

    QElapsedTimer timer;
    timer.start();
    const auto source = RtfSource::parse(bytes);
    QVERIFY(source);
    const qint64 parsed = timer.elapsed();
    EditList edits = editsFor(source->text(), QStringLiteral("quorum"), QString::fromUtf8("Forum—"));
    QVERIFY(edits.size() >= 100000);
    const qint64 searched = timer.elapsed();
    const QByteArray after = written(*source, edits);
    const qint64 total = timer.elapsed();
    qInfo("%lld bytes, %zu replacements: parse %lld ms, search %lld ms, write %lld ms",
        qlonglong(bytes.size()), edits.size(), parsed, searched - parsed, total - searched);
    QVERIFY2(total < 4000, "replacing in a large RTF document is too slow");

    const auto reread = RtfSource::parse(after);
    QVERIFY(reread);
    QCOMPARE(reread->text(),
        QString(source->text()).replace(QStringLiteral("quorum"), QString::fromUtf8("Forum—")));
    QCOMPARE(after.count("HYPERLINK \"quorum\""), paragraphs);
}

QTEST_GUILESS_MAIN(RtfRealDocumentsTest)
#include "tst_doc_rtf_documents.moc"
