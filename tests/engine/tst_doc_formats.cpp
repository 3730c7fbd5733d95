#include "doc_testing.h"

#include <QtTest>

using engine::Document;
using engine::LoadMode;
using engine::LoadOutcome;
using engine::SaveOutcome;

class FormatsTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void richDocuments_data();
    void richDocuments();
    void otherFormat();
    void unsupportedCodePage();
};

void FormatsTest::richDocuments_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("with");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("after"); // visible text of the document written back
    auto row = [](const char* name, const char* rtf, const char* find, const char* with, int count,
                   const char* after) {
        QTest::newRow(name) << QByteArray(rtf) << QString(find) << QString(with) << count << QString(after);
    };
    row("plain words", "{\\rtf1\\ansi quorum and {\\b quorum}\\par}", "QUORUM", "senate", 2,
        "senate and senate\n");
    row("match across formatting", "{\\rtf1\\ansi qu{\\i or}um}", "quorum", "x", 1, "x");
    row("inserted braces and line breaks", "{\\rtf1\\ansi a-b}", "-", "{\\}\n", 1, "a{\\}\nb");
    row("header, body and note counted alike", "{\\rtf1{\\header Zeph\\par}Zeph{\\footnote Zeph}}", "zeph",
        "Zoe", 3, "Zoe\n\nZoe[Zoe]");
    row("no match across table cells", "{\\rtf1\\ansi\\trowd\\cellx1000\\cellx2000 a\\cell b\\cell\\row}",
        "a\tb", "x", 0, "a\tb\t\n");
}

void FormatsTest::richDocuments()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, find);
    QFETCH(QString, with);
    QFETCH(int, count);
    QFETCH(QString, after);
    const QString path = doctest::writeFile(dir, "doc.rtf", rtf);
    Document doc;
    QCOMPARE(doc.load(path, LoadMode::RichOrText), LoadOutcome::Loaded);
    QVERIFY(doc.isRich());
    QCOMPARE(doctest::replaceAll(doc, find, with, 0), count);
    QCOMPARE(doc.text(), after);
    if (count == 0)
        return;
    QCOMPARE(doc.save(path, engine::rtfRTF), SaveOutcome::Written);
    Document reread;
    QCOMPARE(reread.load(path, LoadMode::RichOrText), LoadOutcome::Loaded);
    QVERIFY(reread.isRich());
    QCOMPARE(reread.text(), after);
}

// Writing a document in the other format: rich text as its visible text in UTF-8, plain text as a
// small RTF document that reads back to the same text.
void FormatsTest::otherFormat()
{
    const QString rich = doctest::writeFile(
        dir, "letter.rtf", "{\\rtf1\\ansi\\ansicpg1252 Gr\\'fc\\'dfe {\\b aus}\\par Wien}");
    Document doc;
    QCOMPARE(doc.load(rich, LoadMode::RichOrText), LoadOutcome::Loaded);
    QCOMPARE(doctest::replaceAll(doc, "Wien", "Graz", 0), 1);
    const QString asText = dir.filePath("letter.txt");
    QCOMPARE(doc.save(asText, engine::rtfText), SaveOutcome::Written);
    QCOMPARE(doctest::readFile(asText), u"Grüße aus\nGraz"_qs.toUtf8());

    const QString text = u"tab\there {braces} back\\slash\nЖ €uro 😀 end"_qs;
    const QString plain = doctest::writeFile(dir, "notes.txt", text.toUtf8());
    QCOMPARE(doc.load(plain, LoadMode::RichOrText), LoadOutcome::Loaded);
    QVERIFY(!doc.isRich());
    const QString asRtf = dir.filePath("notes.rtf");
    QCOMPARE(doc.save(asRtf, engine::rtfRTF), SaveOutcome::Written);
    QCOMPARE(doctest::parsed(doctest::readFile(asRtf)).text(), text);

    // "" empties the document; saved, it is an empty file.
    doc.setText("");
    QCOMPARE(doc.save(plain, engine::rtfText), SaveOutcome::Written);
    QCOMPARE(doctest::readFile(plain), QByteArray());
}

// A replacement next to text in a code page the program cannot read: the file is not written, and
// the reason says why.
void FormatsTest::unsupportedCodePage()
{
    const QByteArray rtf("{\\rtf1\\mac\\ansicpg10004 Zeph \\'c7Zeph}");
    const QString path = doctest::writeFile(dir, "arabic.rtf", rtf);
    Document doc;
    QCOMPARE(doc.load(path, LoadMode::RichOrText), LoadOutcome::Loaded);
    QCOMPARE(doctest::replaceAll(doc, "Zeph", "Zoe", 0), 2);
    QCOMPARE(doc.save(path, engine::rtfRTF), SaveOutcome::UnsupportedCodePage);
    QCOMPARE(doc.errorString(), QString("unsupported code page"));
    QCOMPARE(doctest::readFile(path), rtf);
}

QTEST_GUILESS_MAIN(FormatsTest)
#include "tst_doc_formats.moc"
