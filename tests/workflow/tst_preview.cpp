#include "platform/combobox.h"
#include "support/windowtest.h"

#include <QPlainTextEdit>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>

class PreviewTest : public QObject
{
    Q_OBJECT
private slots:
    void currentFileIsShown();
    void richTextShownAsText();
    void pickingTheFindString();
};

namespace
{
// The centre of the first occurrence of `word` in the preview, in viewport coordinates.
QPoint centreOf(QTextEdit* view, const QString& word)
{
    QTextCursor cursor(view->document());
    cursor.setPosition(int(view->toPlainText().indexOf(word) + word.size() / 2));
    return view->cursorRect(cursor).center();
}
} // namespace

void PreviewTest::currentFileIsShown()
{
    testing::Sandbox box;
    box.writeFile("a.txt", "first");
    box.writeFile("b.txt", "second file");
    const QString doomed = box.writeFile("c.txt", "deleted");
    auto w = testing::openWindow(box);
    QCOMPARE(testing::preview(*w), QString("Preview: "));

    w->lstFiles->setListIndex(1);
    QCOMPARE(testing::preview(*w), QString("Highlight the String to find: second file"));
    const QRect first = w->lstFiles->visualRect(w->lstFiles->model()->index(0, 0));
    QTest::mouseClick(w->lstFiles->viewport(), Qt::LeftButton, {}, first.center());
    QCOMPARE(w->rtftext->Text(), QString("first"));

    // After a run the preview shows the last file processed; clicking the highlighted file shows it again.
    w->lstFiles->setSelected(1, true);
    w->Findme->setPlainText("second");
    w->Replaceme->setPlainText("2nd");
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(w->rtftext->Text(), QString("2nd file"));
    QCOMPARE(w->lstFiles->ListIndex(), 0);
    QTest::mouseClick(w->lstFiles->viewport(), Qt::LeftButton, {}, first.center());
    QCOMPARE(testing::preview(*w), QString("Highlight the String to find: first"));

    // Nothing typed into the preview reaches the document.
    QTest::keyClicks(w->rtftext->view(), "zz");
    QCOMPARE(w->rtftext->Text(), QString("first"));
    QCOMPARE(box.readFile("a.txt"), QByteArray("first"));

    // A file gone since the listing shows nothing, silently.
    QVERIFY(QFile::remove(doomed));
    w->lstFiles->setListIndex(2);
    QCOMPARE(testing::preview(*w), QString("Highlight the String to find: "));
    QVERIFY(box.prompts.messages.empty());
}

void PreviewTest::richTextShownAsText()
{
    testing::Sandbox box;
    box.writeFile("letter.rtf", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Dear \\b Ann\\b0 ,\\par}");
    box.writeFile("notes.rtf", "not rich at all");
    auto w = testing::openWindow(box);
    w->Combo1->setText("*.rtf");
    w->lstFiles->setListIndex(0);
    QCOMPARE(w->rtftext->Text().trimmed(), QString("Dear Ann,"));
    w->lstFiles->setListIndex(1);
    QCOMPARE(w->rtftext->Text(), QString("not rich at all"));
}

void PreviewTest::pickingTheFindString()
{
    testing::Sandbox box;
    box.writeFile("a.txt", "alpha beta gamma\nsecond line");
    auto w = testing::openWindow(box);
    w->lstFiles->setListIndex(0);
    w->Findme->setPlainText("old");
    QTextEdit* view = w->rtftext->view();

    // A click that selects nothing leaves the find box alone.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centreOf(view, "gamma"));
    QCOMPARE(w->Findme->toPlainText(), QString("old"));

    // A double click selects one word: exactly that word becomes the find string.
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centreOf(view, "beta"));
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, centreOf(view, "beta"));
    QCOMPARE(w->Findme->toPlainText(), QString("beta"));
    QCOMPARE(w->Replaceme->toPlainText(), QString());

    // A selection across lines fits the multi-line find box.
    w->rtftext->setSelStart(11);
    w->rtftext->setSelLength(12);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, centreOf(view, "second"));
    QCOMPARE(w->Findme->toPlainText(), QString("gamma\nsecond"));
}

QTEST_MAIN(PreviewTest)
#include "tst_preview.moc"
