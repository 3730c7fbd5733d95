#include "engine/doc_testing.h"
#include "platform/paintfreeze.h"
#include "richtext/rtftext.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QtTest>

using engine::LoadOutcome;
using richtext::RichTextBox;

class RichTextBoxTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    static QString shown(const RichTextBox& box) { return box.view()->toPlainText(); }
    static bool showOnScreen(RichTextBox& box)
    {
        box.resize(400, 300);
        box.show();
        return QTest::qWaitForWindowExposed(&box);
    }

private slots:
    void loading_data();
    void loading();
    void selections();
    void plainTextShownPlainAfterRich();
    void frozenPainting();
    void largeFile();
    void stepsKeepCharactersWhole();
};

void RichTextBoxTest::loading_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("asText");
    QTest::addColumn<LoadOutcome>("outcome");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("rich");
    auto row = [](const char* name, const QByteArray& bytes, bool asText, LoadOutcome outcome,
                   const char* text, bool rich) {
        QTest::newRow(name) << bytes << asText << outcome << QString(text) << rich;
    };
    row("plain text", "one\r\ntwo", false, LoadOutcome::Loaded, "one\ntwo", false);
    row("RTF", "{\\rtf1\\ansi {\\b bold} text\\par next}", false, LoadOutcome::Loaded, "bold text\nnext",
        true);
    row("RTF with a header and a note", "{\\rtf1{\\header h\\par}a{\\footnote n}b}", false,
        LoadOutcome::Loaded, "h\n\na[n]b", true);
    row("RTF after a byte order mark and blanks", "\xEF\xBB\xBF \r\n{\\rtf1\\ansi plain}", false,
        LoadOutcome::Loaded, "plain", true);
    row("plain text naming RTF on its second line", "notes\n{\\rtf1 x}", false, LoadOutcome::Loaded,
        "notes\n{\\rtf1 x}", false);
    row("plain text as text", "{\\rtf1\\ansi plain}", true, LoadOutcome::Loaded, "{\\rtf1\\ansi plain}",
        false);
    row("binary", QByteArray("\xD0\xCF\x11\xE0\0\0", 6), false, LoadOutcome::Binary, "", false);
}

void RichTextBoxTest::loading()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, asText);
    QFETCH(LoadOutcome, outcome);
    QFETCH(QString, text);
    QFETCH(bool, rich);
    RichTextBox box;
    box.setText("previous");
    const QString path = doctest::writeFile(dir, "load.doc", bytes);
    QCOMPARE(box.LoadFile(path, asText ? engine::rtfText : engine::rtfRTF), outcome);
    QCOMPARE(box.Text(), text);
    QCOMPARE(shown(box), text);
    QCOMPARE(box.isRich(), rich);
    box.setText("");
    QCOMPARE(shown(box), QString());
}

// Whatever was shown before, plain text is shown unformatted, in the view's own font.
void RichTextBoxTest::plainTextShownPlainAfterRich()
{
    const QString rich = doctest::writeFile(
        dir, "heading.rtf", "{\\rtf1{\\fonttbl{\\f0 Courier;}}\\qc\\f0\\fs72\\b\\i\\ul Heading\\par body}");
    const QString plain = doctest::writeFile(dir, "plain.txt", "first line\nsecond line");
    RichTextBox box;
    for (int round = 0; round < 2; ++round) {
        QCOMPARE(box.LoadFile(rich), LoadOutcome::Loaded);
        QVERIFY(box.view()->document()->begin().begin().fragment().charFormat().font().bold());
        QCOMPARE(box.LoadFile(plain), LoadOutcome::Loaded);
        const QTextDocument& view = *box.view()->document();
        for (QTextBlock block = view.begin(); block.isValid(); block = block.next()) {
            QCOMPARE(block.blockFormat().alignment(), Qt::AlignLeft);
            for (auto it = block.begin(); !it.atEnd(); ++it)
                QCOMPARE(it.fragment().charFormat().font(), view.defaultFont());
        }
        QTextCursor end(box.view()->document());
        end.movePosition(QTextCursor::End);
        QCOMPARE(end.charFormat().font(), view.defaultFont());
    }
}

void RichTextBoxTest::selections()
{
    RichTextBox box;
    QVERIFY(showOnScreen(box));
    QCOMPARE(
        box.LoadFile(doctest::writeFile(dir, "sel.txt", "alpha beta\r\ngamma delta")), LoadOutcome::Loaded);

    // The program's selection shows in the view.
    QVERIFY(box.Find("GAMMA") >= 0);
    QCOMPARE(box.view()->textCursor().selectedText(), QString("gamma"));

    // A selection the user makes in the view is the control's selection, line breaks counted once.
    QTextCursor cursor = box.view()->textCursor();
    cursor.setPosition(6);
    cursor.setPosition(14, QTextCursor::KeepAnchor);
    box.view()->setTextCursor(cursor);
    QCOMPARE(box.SelStart(), 6);
    QCOMPARE(box.SelText(), QString("beta\ngam"));

    // A double click selects a word; the release is reported.
    QSignalSpy mouseUp(&box, &RichTextBox::MouseUp);
    cursor.setPosition(19);
    const QPoint onDelta = box.view()->cursorRect(cursor).center();
    // (QTest's double click on a widget ends with the second press; the release comes apart.)
    QTest::mouseDClick(box.view()->viewport(), Qt::LeftButton, {}, onDelta);
    QTest::mouseRelease(box.view()->viewport(), Qt::LeftButton, {}, onDelta);
    QCOMPARE(mouseUp.count(), 1);
    QCOMPARE(box.SelText(), QString("delta"));

    // Edits show at once while painting runs.
    box.setSelStart(0);
    QVERIFY(box.Find("beta") >= 0);
    box.setSelText("B\nB");
    QCOMPARE(shown(box), QString("alpha B\nB\ngamma delta"));
    QCOMPARE(box.view()->textCursor().position(), 9);
}

void RichTextBoxTest::frozenPainting()
{
    RichTextBox box;
    QVERIFY(showOnScreen(box));
    QCOMPARE(box.LoadFile(doctest::writeFile(dir, "first.txt", "first file")), LoadOutcome::Loaded);

    platform::LockWindowUpdate(&box);
    QCOMPARE(box.LoadFile(doctest::writeFile(dir, "second.txt", "second file, second line"), engine::rtfText),
        LoadOutcome::Loaded);
    QVERIFY(box.Find("second", 0, {}, engine::rtfMatchCase) == 0);
    box.setSelText("2nd");
    QCOMPARE(shown(box), QString("first file"));

    // Another program cuts the file short while the document is open: it is shown as it was read.
    QVERIFY(QFile::resize(dir.filePath("second.txt"), 3));
    platform::LockWindowUpdate(nullptr);
    QCOMPARE(shown(box), QString("2nd file, second line"));
    QCOMPARE(box.view()->textCursor().position(), 3);
    QVERIFY(box.Find("second") >= 0);
    QCOMPARE(box.view()->textCursor().selectedText(), QString("second"));
}

// A file larger than the control shows is still searched and edited whole. How fast it loads is
// bench_engine --preview-load's to say (bench/README.md).
void RichTextBoxTest::largeFile()
{
    const QByteArray line = QByteArray("some words on a line of a large file, quorum\n");
    const QString path = doctest::writeFile(dir, "large.txt", line.repeated(1'200'000)); // about 54 MB
    RichTextBox box;
    QVERIFY(showOnScreen(box));
    QCOMPARE(box.LoadFile(path, engine::rtfText), LoadOutcome::Loaded);
    QCOMPARE(box.document().length(), qsizetype(line.size()) * 1'200'000);
    QCOMPARE(box.view()->document()->characterCount(), RichTextBox::kShownStep + 1);

    // Selections in the part that can be shown are exact: the view takes in text up to the selection.
    QCOMPARE(box.Find("QUORUM", line.size()), line.size() * 2 - 7);
    QCOMPARE(box.view()->textCursor().selectedText(), QString("quorum"));
    QCOMPARE(box.Find("quorum", 10'000 * line.size()), 10'001 * line.size() - 7);
    QCOMPARE(box.view()->textCursor().selectedText(), QString("quorum"));
    QCOMPARE(shown(box), box.document().mid(0, shown(box).size()));
    // Scrolling to the end of what is shown shows more, up to the limit.
    QScrollBar* bar = box.view()->verticalScrollBar();
    for (int step = 0; step < 40 && box.view()->document()->characterCount() <= RichTextBox::kMaxShownChars;
         ++step) {
        QApplication::processEvents();
        bar->setValue(bar->maximum());
    }
    QCOMPARE(box.view()->document()->characterCount(), RichTextBox::kMaxShownChars + 1);
    QCOMPARE(shown(box), box.document().mid(0, RichTextBox::kMaxShownChars));

    // The rest of the document is still searched and edited.
    QCOMPARE(box.Find("quorum", box.document().length() - 10), box.document().length() - 7);
    box.setSelText("senate");
    QCOMPARE(box.document().mid(box.document().length() - 7, 7), QString("senate\n"));
}

// A UTF-8 file is shown in steps read from its bytes: the first step ends right after a four-byte
// character, so the second begins there, and the second would end inside one, so it stops before it.
void RichTextBoxTest::stepsKeepCharactersWhole()
{
    auto lines = [](qsizetype length, char letter) {
        QString text(length, QChar(letter));
        for (qsizetype i = 79; i < length; i += 80)
            text[i] = '\n';
        return text;
    };
    const QString emoji = QStringLiteral("\U0001F600");
    const qsizetype step = RichTextBox::kShownStep;
    const QString text = lines(step - 2, 'a') + emoji + lines(step - 1, 'b') + emoji + lines(step - 10, 'c');
    const QString path = doctest::writeFile(dir, "steps.txt", text.toUtf8());
    RichTextBox box;
    QVERIFY(showOnScreen(box));
    QCOMPARE(box.LoadFile(path, engine::rtfText), LoadOutcome::Loaded);
    QCOMPARE(shown(box), text.left(step));
    QScrollBar* bar = box.view()->verticalScrollBar();
    bar->setValue(bar->maximum());
    QCOMPARE(shown(box), text.left(2 * step - 1));
    bar->setValue(bar->maximum());
    QCOMPARE(shown(box), text);
}

QTEST_MAIN(RichTextBoxTest)
#include "tst_rtftext.moc"
