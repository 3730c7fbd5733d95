#include "engine/doc_testing.h"
#include "richtext/rtftext_richview.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

using doctest::parsed;
using engine::RtfSource;

namespace
{

// The view's characters as positions count them: a paragraph break is one character.
QString viewText(const QTextDocument& view)
{
    return view.toRawText().replace(QChar::ParagraphSeparator, u'\n');
}

QTextCharFormat formatAt(QTextDocument& view, int position)
{
    QTextCursor cursor(&view);
    cursor.setPosition(position);
    cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
    return cursor.charFormat();
}

} // namespace

class RtfViewTest : public QObject
{
    Q_OBJECT
private slots:
    void sameCharacters_data();
    void sameCharacters();
    void formats();
};

void RtfViewTest::sameCharacters_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<qsizetype>("maxChars");
    auto row = [](const char* name, const char* document, qsizetype maxChars) {
        QTest::newRow(name) << QByteArray(document) << maxChars;
    };
    row("paragraphs, tabs, special spaces", "{\\rtf1 a\\par b\\tab c\\~d\\-e\\line f\\par}", 1000);
    row("control and separator characters", "{\\rtf1 a\\u13?b\\u8232?c\\u0?d\\u65532?e\\u8233?f\\u-257?}",
        1000);
    row("picture adds no character", "{\\rtf1 a{\\pict\\pngblip 89504e47}b}", 1000);
    row("a font number of two billion", "{\\rtf1{\\fonttbl{\\f2000000000 X;}}\\f2000000000 hello e}", 1000);
    row("header, footer and note marks", "{\\rtf1{\\header h\\par}{\\footer f}a{\\footnote n}b}", 1000);
    row("cut inside a formatting run", "{\\rtf1 ab{\\b cd}ef}", 3);
    row("nothing shown", "{\\rtf1 ab}", 0);
    row("empty document", "{\\rtf1 }", 10);
}

void RtfViewTest::sameCharacters()
{
    QFETCH(QByteArray, document);
    QFETCH(qsizetype, maxChars);
    const RtfSource source = parsed(document);
    QTextDocument view;
    view.setPlainText(QStringLiteral("left over"));
    richtext::fillRichView(view, source, maxChars);
    // Any paragraph break is a block separator in the view: still one character.
    QString expected = source.text().left(maxChars);
    expected.replace(u'\r', u'\n').replace(QChar::ParagraphSeparator, u'\n');
    QCOMPARE(viewText(view), expected);
    QCOMPARE(view.characterCount(), expected.size() + 1);
}

void RtfViewTest::formats()
{
    const RtfSource source =
        parsed("{\\rtf1{\\fonttbl{\\f0 Courier New;}}{\\colortbl;\\red255\\green0\\blue0;}"
               "\\pard\\qc n{\\b b}{\\i\\ul\\strike i}{\\f0\\fs40\\cf1\\highlight1 c}\\par"
               "\\pard\\qr r\\par\\pard l}");
    QTextDocument view;
    richtext::fillRichView(view, source, 1000);
    QCOMPARE(viewText(view), QStringLiteral("nbic\nr\nl"));

    QVERIFY(formatAt(view, 0).fontWeight() != QFont::Bold);
    QCOMPARE(formatAt(view, 1).fontWeight(), int(QFont::Bold));
    const QTextCharFormat i = formatAt(view, 2);
    QVERIFY(i.fontItalic() && i.fontUnderline() && i.fontStrikeOut());
    QVERIFY(!formatAt(view, 1).fontItalic());
    const QTextCharFormat c = formatAt(view, 3);
    QCOMPARE(c.fontFamilies().toStringList(), QStringList { "Courier New" });
    QCOMPARE(c.fontPointSize(), 20.0);
    QCOMPARE(c.foreground().color(), QColor(255, 0, 0));
    QCOMPARE(c.background().color(), QColor(255, 0, 0));

    QCOMPARE(view.findBlockByNumber(0).blockFormat().alignment(), Qt::AlignHCenter);
    QCOMPARE(view.findBlockByNumber(1).blockFormat().alignment(), Qt::AlignRight);
    QVERIFY(!(view.findBlockByNumber(2).blockFormat().alignment() & (Qt::AlignRight | Qt::AlignHCenter)));

    // Notes, headers and footers are set off from the body: grey and smaller, unless coloured.
    QTextDocument notes;
    richtext::fillRichView(notes,
        parsed("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}{\\header h}a{\\footnote "
               "n{\\cf1 r}}\\fs40 b{\\footnote m}}"),
        1000);
    QCOMPARE(viewText(notes), QStringLiteral("h\na[nr]b[m]"));
    for (int position : { 0, 3, 4, 9 }) {
        QCOMPARE(formatAt(notes, position).foreground().color(), QColor(Qt::darkGray));
        QVERIFY(
            position == 9 || formatAt(notes, position).fontPointSize() < notes.defaultFont().pointSizeF());
    }
    QCOMPARE(formatAt(notes, 5).foreground().color(), QColor(255, 0, 0));
    QVERIFY(formatAt(notes, 2).foreground().style() == Qt::NoBrush);
    QCOMPARE(formatAt(notes, 8).fontPointSize(), 20.0 * 0.85);
}

QTEST_MAIN(RtfViewTest)
#include "tst_rtfview.moc"
