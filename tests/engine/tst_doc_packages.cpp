// Word and OpenDocument documents: what is read as their text, what a replacement changes in their
// XML, that nothing else in the archive moves, and the documents that are refused.

#include "doc_testing.h"
#include "engine/packages/packagesource.h"
#include "engine/packages/zip.h"

#include <QDir>

using engine::Document;
using engine::LoadMode;
using engine::LoadOutcome;
using engine::SaveOutcome;
using engine::packages::ZipArchive;

namespace
{

const QString kFixtures = QStringLiteral(TEXTMEND_TESTDATA "/packages/");

quint32 crc32Of(const QByteArray& data)
{
    quint32 crc = 0xFFFFFFFF;
    for (const char c : data) {
        crc ^= uchar(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

// A ZIP archive of stored entries; `flags` go into every entry's headers (1: encrypted).
QByteArray storedZip(const QList<QPair<QByteArray, QByteArray>>& entries, quint16 flags = 0)
{
    auto le = [](quint64 v, int n) {
        QByteArray b;
        for (int i = 0; i < n; ++i, v >>= 8)
            b += char(v & 0xFF);
        return b;
    };
    QByteArray out, central;
    for (const auto& [name, data] : entries) {
        const QByteArray common = le(20, 2) + le(flags, 2) + le(0, 2) + le(0, 4) + le(crc32Of(data), 4)
            + le(data.size(), 4) + le(data.size(), 4) + le(name.size(), 2) + le(0, 2);
        central += le(0x02014b50, 4) + le(20, 2) + common + le(0, 2) + le(0, 2) + le(0, 2) + le(0, 4)
            + le(out.size(), 4) + name;
        out += le(0x04034b50, 4) + common + name + data;
    }
    const qsizetype at = out.size();
    out += central;
    return out + le(0x06054b50, 4) + le(0, 4) + le(entries.size(), 2) + le(entries.size(), 2)
        + le(central.size(), 4) + le(at, 4) + le(0, 2);
}

const QByteArray kW = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";

QByteArray docx(const QByteArray& body, const QList<QPair<QByteArray, QByteArray>>& more = {})
{
    QList<QPair<QByteArray, QByteArray>> entries {
        { "[Content_Types].xml",
            "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Override "
            "PartName=\"/word/document.xml\" "
            "ContentType=\"application/"
            "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
            "</Types>" },
        { "word/document.xml", "<w:document " + kW + "><w:body>" + body + "</w:body></w:document>" },
    };
    return storedZip(entries + more);
}

QByteArray fodt(const QByteArray& body)
{
    return "<?xml version=\"1.0\"?>\n<office:document "
           "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
           "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
           "office:mimetype=\"application/vnd.oasis.opendocument.text\"><office:body><office:text>"
        + body + "</office:text></office:body></office:document>";
}

// The bytes of an archive's entry as it stands in the file: its header, data and data descriptor.
QByteArray rawEntry(const ZipArchive& zip, int index)
{
    const ZipArchive::Entry& e = zip.entries()[std::size_t(index)];
    return zip.bytes().mid(qsizetype(e.localOffset), qsizetype(e.end - e.localOffset));
}

} // namespace

class DocPackagesTest : public QObject
{
    Q_OBJECT
private slots:
    void fixtures_data();
    void fixtures();
    void replace_data();
    void replace();
    void refused_data();
    void refused();
    void notWritten_data();
    void notWritten();
};

void DocPackagesTest::fixtures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("count");
    QTest::newRow("LibreOffice .docx: runs, fields, tracked changes, box, note, header")
        << "report-writer.docx" << 17;
    QTest::newRow("LibreOffice .odt") << "report-writer.odt" << 17;
    QTest::newRow("LibreOffice .fodt, deletion marked in the text") << "report-writer.fodt" << 17;
    QTest::newRow("pandoc .docx") << "letter-pandoc.docx" << 9;
    QTest::newRow("pandoc .odt") << "letter-pandoc.odt" << 9;
    QTest::newRow("CR LF in the XML, data descriptors, archive comment") << "crlf-descriptors.docx" << 9;
    QTest::newRow("ZIP64 records") << "zip64-pandoc.docx" << 9;
}

// Each document reads as its committed text; after a replacement it reads as that text replaced,
// and every entry of the archive other than the changed parts keeps its bytes.
void DocPackagesTest::fixtures()
{
    QFETCH(QString, name);
    QFETCH(int, count);
    const QTemporaryDir dir;
    const QByteArray original = doctest::readFile(kFixtures + name);
    const QString path = doctest::writeFile(dir, name, original);
    const QString expected = QString::fromUtf8(doctest::readFile(kFixtures + name + ".txt"));

    Document doc;
    QCOMPARE(doc.load(path, LoadMode::RichOrText), LoadOutcome::Loaded);
    QVERIFY(doc.isPackage());
    QCOMPARE(doc.text(), expected);
    QCOMPARE(doc.save(path, doc.fileType()), SaveOutcome::Written);
    QCOMPARE(doctest::readFile(path), original);

    const QString with = QStringLiteral("Zed & <Ω> 😀");
    QCOMPARE(doc.load(path, LoadMode::RichOrText), LoadOutcome::Loaded);
    QCOMPARE(doctest::replaceAll(doc, QStringLiteral("Quillon"), with, engine::rtfMatchCase), count);
    QCOMPARE(doc.save(path, doc.fileType()), SaveOutcome::Written);
    Document reread;
    QCOMPARE(reread.load(path, LoadMode::RichOrText), LoadOutcome::Loaded);
    QCOMPARE(reread.text(), QString(expected).replace(QStringLiteral("Quillon"), with));

    if (name.endsWith(QLatin1String(".fodt")))
        return;
    const auto before = ZipArchive::open(original);
    const auto after = ZipArchive::open(doctest::readFile(path));
    QVERIFY(before && after);
    QCOMPARE(after->entries().size(), before->entries().size());
    int changed = 0;
    for (int i = 0; i < int(before->entries().size()); ++i) {
        QCOMPARE(after->entries()[std::size_t(i)].name, before->entries()[std::size_t(i)].name);
        QVERIFY(after->read(i));
        if (rawEntry(*after, i) != rawEntry(*before, i)) {
            ++changed;
            QVERIFY2(after->read(i) != before->read(i), qPrintable(before->entries()[std::size_t(i)].name));
        }
    }
    QVERIFY(changed >= 1 && changed <= 5);
    if (name.startsWith(QLatin1String("crlf")))
        QVERIFY(after->bytes().endsWith("made for the tests"));
}

void DocPackagesTest::replace_data()
{
    QTest::addColumn<bool>("word"); // WordprocessingML, else flat OpenDocument
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("with");
    QTest::addColumn<int>("options");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("after");

    const QByteArray split = "<w:p><w:r><w:t>Qu</w:t></w:r><w:r><w:rPr><w:b/></w:rPr><w:t>il</w:t></w:r>"
                             "<w:r><w:rPr><w:i/></w:rPr><w:t>lon x</w:t></w:r></w:p>";
    QTest::newRow("match over three runs takes the first run's place; a run gaining a blank keeps it")
        << true << split << "Quillon"
        << "Z" << 0 << 1
        << QByteArray("<w:p><w:r><w:t>Z</w:t></w:r><w:r><w:rPr><w:b/></w:rPr><w:t></w:t></w:r>"
                      "<w:r><w:rPr><w:i/></w:rPr><w:t xml:space=\"preserve\"> x</w:t></w:r></w:p>");
    QTest::newRow("xml:space not added twice")
        << true << QByteArray("<w:p><w:r><w:t xml:space=\"preserve\">a b</w:t></w:r></w:p>") << "a"
        << " " << 0 << 1 << QByteArray("<w:p><w:r><w:t xml:space=\"preserve\">  b</w:t></w:r></w:p>");
    QTest::newRow("whole word: the next run's letter is part of the word")
        << true << QByteArray("<w:p><w:r><w:t>cat</w:t></w:r><w:r><w:t>s cat</w:t></w:r></w:p>") << "cat"
        << "dog" << int(engine::rtfWholeWord) << 1
        << QByteArray("<w:p><w:r><w:t>cat</w:t></w:r><w:r><w:t>s dog</w:t></w:r></w:p>");
    QTest::newRow("& and < escaped, a character beyond the BMP written as it is")
        << true << QByteArray("<w:p><w:r><w:t>a&amp;b</w:t></w:r></w:p>") << "&b"
        << "<&😀>" << 0 << 1 << QByteArray("<w:p><w:r><w:t>a&lt;&amp;😀&gt;</w:t></w:r></w:p>");
    const QByteArray field = "<w:p><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText> REF cat "
                             "</w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r>"
                             "<w:t>cat</w:t></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r>s</w:p>";
    QTest::newRow("field code kept, field result replaced")
        << true << field << "cat"
        << "dog" << 0 << 1 << QByteArray(field).replace("<w:t>cat", "<w:t>dog");
    QTest::newRow("no match out of a field's result")
        << true << QByteArray(field).replace("s</w:p>", "<w:r><w:t>x</w:t></w:r></w:p>") << "catx"
        << "y" << 0 << 0 << QByteArray();
    const QByteArray deleted = "<w:p><w:del w:id=\"1\"><w:r><w:delText>cat</w:delText></w:r></w:del><w:ins "
                               "w:id=\"2\"><w:r><w:t>cat</w:t></w:r></w:ins></w:p>";
    QTest::newRow("tracked deletion not counted, insertion replaced")
        << true << deleted << "cat"
        << "dog" << 0 << 1 << QByteArray(deleted).replace("<w:t>cat", "<w:t>dog");
    QTest::newRow("no match from one paragraph into the next")
        << true << QByteArray("<w:p><w:r><w:t>a</w:t></w:r></w:p><w:p><w:r><w:t>b</w:t></w:r></w:p>")
        << "a\nb"
        << "c" << 0 << 0 << QByteArray();
    QTest::newRow("no match from one cell into the next")
        << true
        << QByteArray("<w:tbl><w:tr><w:tc><w:p><w:r><w:t>a</w:t></w:r></w:p></w:tc><w:tc><w:p><w:r>"
                      "<w:t>b</w:t></w:r></w:p></w:tc></w:tr></w:tbl>")
        << "a\nb"
        << "c" << 0 << 0 << QByteArray();
    QTest::newRow("text hidden by its run's formatting is not seen")
        << true << QByteArray("<w:p><w:r><w:rPr><w:vanish/></w:rPr><w:t>cat</w:t></w:r></w:p>") << "cat"
        << "x" << 0 << 0 << QByteArray();
    QTest::newRow("a text box's fallback copy is not counted twice")
        << true
        << QByteArray("<w:p><w:r><mc:AlternateContent "
                      "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\"><mc:Choice "
                      "Requires=\"wps\"><w:txbxContent><w:p><w:r><w:t>cat</w:t></w:r></w:p></w:txbxContent>"
                      "</mc:Choice><mc:Fallback><w:txbxContent><w:p><w:r><w:t>cat</w:t></w:r></w:p>"
                      "</w:txbxContent></mc:Fallback></mc:AlternateContent></w:r></w:p>")
        << "cat"
        << "x" << 0 << 1 << QByteArray();
    QTest::newRow("a match beginning at a tab puts the replacement in a text element of its own")
        << true << QByteArray("<w:p><w:r><w:tab/><w:t>b</w:t></w:r></w:p>") << "\tb"
        << "c" << 0 << 1
        << QByteArray("<w:p><w:r><w:t xml:space=\"preserve\">c</w:t><w:t></w:t></w:r></w:p>");

    QTest::newRow("ODF: a blank that would follow another becomes a space element")
        << false << QByteArray("<text:p>a b c</text:p>") << "b"
        << "" << 0 << 1 << QByteArray("<text:p>a <text:s/>c</text:p>");
    QTest::newRow("ODF: blanks written as the format reads them")
        << false << QByteArray("<text:p>a-c</text:p>") << "-"
        << "  \t" << 0 << 1 << QByteArray("<text:p>a <text:s/><text:tab/>c</text:p>");
    QTest::newRow("ODF: a match across a space element keeps the spaces it leaves")
        << false << QByteArray("<text:p>a<text:s text:c=\"3\"/>b</text:p>") << " b"
        << "X" << 0 << 1 << QByteArray("<text:p>a<text:s text:c=\"2\"/>X</text:p>");
    QTest::newRow("ODF: a line break in the XML reads as one blank")
        << false << QByteArray("<text:p>\r\n  a\r\n  b</text:p>") << "a b"
        << "c" << 0 << 1 << QByteArray("<text:p>\r\n  c</text:p>");
    QTest::newRow("ODF: an annotation is not seen")
        << false
        << QByteArray("<text:p>x<office:annotation><text:p>cat</text:p></office:annotation></text:p>")
        << "cat"
        << "dog" << 0 << 0 << QByteArray();
    QTest::newRow("ODF: a note's text is replaced, not across the note's edge")
        << false
        << QByteArray(
               "<text:p>ca<text:note><text:note-citation>1</text:note-citation><text:note-body><text:p>"
               "t cat</text:p></text:note-body></text:note>t</text:p>")
        << "cat"
        << "dog" << 0 << 1
        << QByteArray(
               "<text:p>ca<text:note><text:note-citation>1</text:note-citation><text:note-body><text:p>"
               "t dog</text:p></text:note-body></text:note>t</text:p>");
}

void DocPackagesTest::replace()
{
    QFETCH(bool, word);
    QFETCH(QByteArray, body);
    QFETCH(QString, find);
    QFETCH(QString, with);
    QFETCH(int, options);
    QFETCH(int, count);
    QFETCH(QByteArray, after);
    const QTemporaryDir dir;
    const QByteArray bytes = word ? docx(body) : fodt(body);
    const QString path = doctest::writeFile(dir, word ? "a.docx" : "a.fodt", bytes);
    Document doc;
    QCOMPARE(doc.load(path, LoadMode::RichOrText), LoadOutcome::Loaded);
    QCOMPARE(doctest::replaceAll(doc, find, with, options), count);
    QCOMPARE(doc.save(path, doc.fileType()), SaveOutcome::Written);
    if (after.isEmpty())
        return;
    const QByteArray written = doctest::readFile(path);
    if (!word) {
        QCOMPARE(written, fodt(after));
        return;
    }
    const auto zip = ZipArchive::open(written);
    QVERIFY(zip);
    const auto part = zip->read(zip->find(QStringLiteral("word/document.xml")));
    QVERIFY(part);
    QCOMPARE(*part, "<w:document " + kW + "><w:body>" + after + "</w:body></w:document>");
}

void DocPackagesTest::refused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<LoadOutcome>("outcome");
    const QByteArray ole("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    auto utf16 = [](const char* s) {
        QByteArray out;
        for (; *s; ++s)
            out.append(*s).append('\0');
        return out;
    };
    const QByteArray document = docx("<w:p><w:r><w:t>cat</w:t></w:r></w:p>");
    QTest::newRow("Word 97-2003 document")
        << ole + QByteArray(500, '\0') + utf16("WordDocument") << LoadOutcome::OldWordDocument;
    QTest::newRow("password-protected Word document")
        << ole + QByteArray(500, '\0') + utf16("EncryptedPackage") << LoadOutcome::Encrypted;
    QTest::newRow("other compound file") << ole + QByteArray(500, '\0') << LoadOutcome::Binary;
    QTest::newRow("ZIP-encrypted part")
        << storedZip({ { "[Content_Types].xml", "<Types/>" } }, 1) << LoadOutcome::Encrypted;
    QTest::newRow("encrypted OpenDocument")
        << storedZip({ { "mimetype", "application/vnd.oasis.opendocument.text" },
               { "META-INF/manifest.xml", "<manifest><manifest:encryption-data/></manifest>" } })
        << LoadOutcome::Encrypted;
    QTest::newRow("cut short") << document.left(document.size() - 30) << LoadOutcome::Damaged;
    QTest::newRow("malformed XML") << docx("<w:p><w:r><w:t>cat</w:r></w:p>") << LoadOutcome::Damaged;
    QTest::newRow("CRC does not match") << QByteArray(document).replace("cat", "cot") << LoadOutcome::Damaged;
    QTest::newRow("flat OpenDocument, malformed") << fodt("<text:p>cat") << LoadOutcome::Damaged;
    QTest::newRow("a spreadsheet package is a binary file")
        << storedZip({ { "[Content_Types].xml", "<Types/>" } }) << LoadOutcome::Binary;
    QTest::newRow("empty file named .docx is empty text") << QByteArray() << LoadOutcome::Loaded;
    QTest::newRow("plain text named .docx is plain text") << QByteArray("PK cat") << LoadOutcome::Loaded;
}

void DocPackagesTest::refused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(LoadOutcome, outcome);
    const QTemporaryDir dir;
    Document doc;
    QCOMPARE(doc.load(doctest::writeFile(dir, "a.docx", bytes), LoadMode::RichOrText), outcome);
    QVERIFY(!doc.isPackage());
}

void DocPackagesTest::notWritten_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("with");
    QTest::addColumn<SaveOutcome>("outcome");
    const QByteArray body = "<w:p><w:r><w:t>cat</w:t></w:r></w:p>";
    QTest::newRow("signed Word document")
        << docx(body, { { "_xmlsignatures/sig1.xml", "<Signature/>" } }) << "dog" << SaveOutcome::Signed;
    QTest::newRow("a control character XML does not allow")
        << docx(body) << "d\x01g" << SaveOutcome::NotXmlCharacter;
}

void DocPackagesTest::notWritten()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, with);
    QFETCH(SaveOutcome, outcome);
    const QTemporaryDir dir;
    const QString path = doctest::writeFile(dir, "a.docx", bytes);
    const QDateTime time = doctest::backdate(path);
    Document doc;
    QCOMPARE(doc.load(path, LoadMode::RichOrText), LoadOutcome::Loaded);
    QCOMPARE(doctest::replaceAll(doc, QStringLiteral("cat"), with, 0), 1);
    QCOMPARE(doc.save(path, doc.fileType()), outcome);
    QCOMPARE(doctest::readFile(path), bytes);
    QCOMPARE(doctest::modified(path), time);
}

QTEST_GUILESS_MAIN(DocPackagesTest)
#include "tst_doc_packages.moc"
