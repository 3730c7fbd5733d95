// Review Changes, driven through the real windows with keys and the mouse.
#include "review/frmreview.h"
#include "review/reviewmodel.h"
#include "support/windowtest.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTreeView>
#include <QtTest>

class ReviewTest : public QObject
{
    Q_OBJECT
private slots:
    void review_data();
    void review();
};

namespace
{
// What the review window lists: each file row, then its match rows indented.
QStringList listed(const review::ReviewModel& model)
{
    QStringList rows;
    for (int f = 0; f < model.rowCount(); ++f) {
        const QModelIndex file = model.index(f, 0);
        rows << file.data().toString();
        for (int m = 0; m < model.rowCount(file); ++m)
            rows << "  " + model.index(m, 0, file).data().toString();
    }
    return rows;
}

QStringList results(const MainWindow& w)
{
    QStringList lines;
    for (int i = 0; i < w.lstResults->count(); ++i)
        lines << w.lstResults->item(i)->text();
    return lines << w.lblTotal->Caption();
}
} // namespace

void ReviewTest::review_data()
{
    QTest::addColumn<QByteArray>("a"); // a.txt; b.txt holds "cat", c.txt is binary
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("keys"); // in the review window, then how it is left
    QTest::addColumn<QStringList>("shown"); // the rows listed, then the status line when it is left
    QTest::addColumn<QByteArray>("after"); // a.txt|b.txt
    QTest::addColumn<QStringList>("lines"); // the results and the summary
    const QStringList both = { "a.txt - 2 changes", "  [-cat-]{+dog+} dog cat", "  cat dog [-cat-]{+dog+}",
        "b.txt - 1 change", "  [-cat-]{+dog+}", "c.txt - skipped: binary file" };
    const QString binary = "c.txt - skipped: binary file";
    // clang-format off
    // Tab moves from the list to "&Replace Checked", and Enter presses it.
    QTest::newRow("all kept") << QByteArray("cat dog cat") << "cat" << "tab enter" << both + QStringList { "3 of 3 changes in 2 files" }
        << QByteArray("dog dog dog|dog") << QStringList { "a.txt - 2 Strings replaced", "b.txt - 1 String replaced", binary, "3 Strings found scanning 3 files" };
    QTest::newRow("first match unticked") << QByteArray("cat dog cat") << "cat" << "right down space replace" << both + QStringList { "2 of 3 changes in 2 files" }
        << QByteArray("cat dog dog|dog") << QStringList { "a.txt - 1 String replaced", "b.txt - 1 String replaced", binary, "2 Strings found scanning 3 files" };
    // A file with nothing ticked is not written and gets no result line.
    QTest::newRow("a file unticked") << QByteArray("cat dog cat") << "cat" << "space replace" << both + QStringList { "1 of 3 changes in 1 file" }
        << QByteArray("cat dog cat|dog") << QStringList { "b.txt - 1 String replaced", binary, "1 String found scanning 3 files" };
    QTest::newRow("nothing ticked") << QByteArray("cat dog cat") << "cat" << "space down space replace" << both + QStringList { "0 of 3 changes in 0 files" }
        << QByteArray("cat dog cat|cat") << QStringList();
    QTest::newRow("the first of two matches that look overlapping unticked") << QByteArray("aaaa") << "aa" << "right down space replace"
        << QStringList { "a.txt - 2 changes", "  [-aa-]{+dog+}aa", "  aa[-aa-]{+dog+}", binary, "1 of 2 changes in 1 file" }
        << QByteArray("aadog|cat") << QStringList { "a.txt - 1 String replaced", binary, "1 String found scanning 3 files" };
    QTest::newRow("a file changed since it was reviewed") << QByteArray("cat dog cat") << "cat" << "edit replace" << both + QStringList { "3 of 3 changes in 2 files" }
        << QByteArray("dog dog dog|cat cat") << QStringList { "a.txt - 2 Strings replaced", "b.txt - not written: changed since it was reviewed", binary, "2 Strings found scanning 3 files" };
    QTest::newRow("Close") << QByteArray("cat dog cat") << "cat" << "right down close" << both + QStringList { "3 of 3 changes in 2 files" }
        << QByteArray("cat dog cat|cat") << QStringList();
    QTest::newRow("both options") << QByteArray("cat Cat concat cat") << "cat" << "both replace"
        << QStringList { "a.txt - 2 changes", "  [-cat-]{+dog+} Cat concat cat", "  cat Cat concat [-cat-]{+dog+}", "b.txt - 1 change", "  [-cat-]{+dog+}", binary, "3 of 3 changes in 2 files" }
        << QByteArray("dog Cat concat dog|dog") << QStringList { "a.txt - 2 Strings replaced", "b.txt - 1 String replaced", binary, "3 Strings found scanning 3 files" };
    // A file that would be refused is listed with the reason, without ticks, and is not written.
    QTest::newRow("read-only file") << QByteArray("cat dog cat") << "cat" << "read-only replace"
        << QStringList { "a.txt - 2 changes", "  [-cat-]{+dog+} dog cat", "  cat dog [-cat-]{+dog+}", "b.txt - not written: read-only file", binary, "2 of 2 changes in 1 file" }
        << QByteArray("dog dog dog|cat") << QStringList { "a.txt - 2 Strings replaced", "b.txt - not written: read-only file", binary, "2 Strings found scanning 3 files" };
    // A file too large to hold is counted, not shown; Replace Checked leaves it as it is.
    QTest::newRow("a file too large to hold") << QByteArray("cat dog cat") << "cat" << "large replace"
        << QStringList { "a.txt - not reviewed: too large to hold (2 changes)", "b.txt - 1 change", "  [-cat-]{+dog+}", binary, "1 of 1 changes in 1 file" }
        << QByteArray("cat dog cat|dog") << QStringList { "a.txt - not reviewed: too large to hold (2 changes)", "b.txt - 1 String replaced", binary, "1 String found scanning 3 files" };
    // The same check as Process: no window.
    QTest::newRow("empty find string") << QByteArray("cat") << "" << "" << QStringList() << QByteArray("cat|cat") << QStringList();
    QTest::newRow("RTF shown as its visible text") << QByteArray("{\\rtf1 {\\b ca}t dog cat}") << "cat" << "replace" << both + QStringList { "3 of 3 changes in 2 files" }
        << QByteArray("{\\rtf1 {\\b dog} dog dog}|dog") << QStringList { "a.txt - 2 Strings replaced", "b.txt - 1 String replaced", binary, "3 Strings found scanning 3 files" };
    // Enter on the second match of a.txt shows it in the main window's preview.
    QTest::newRow("Enter") << QByteArray("cat dog cat") << "cat" << "right down down enter close" << both + QStringList { "3 of 3 changes in 2 files" }
        << QByteArray("cat dog cat|cat") << QStringList();
    QTest::newRow("Escape") << QByteArray("cat dog cat") << "cat" << "escape" << both + QStringList { "3 of 3 changes in 2 files" }
        << QByteArray("cat dog cat|cat") << QStringList();
    // clang-format on
}

void ReviewTest::review()
{
    QFETCH(QByteArray, a);
    QFETCH(QString, find);
    QFETCH(QString, keys);
    QFETCH(QStringList, shown);
    QFETCH(QByteArray, after);
    QFETCH(QStringList, lines);
    testing::Sandbox sandbox;
    sandbox.writeFile("a.txt", a);
    sandbox.writeFile("b.txt", "cat");
    sandbox.writeFile("c.txt", QByteArray("cat\0", 4));
    const auto w = testing::openWindow(sandbox);
    w->lstFiles->setAllSelected(true);
    w->Findme->setPlainText(find);
    w->Replaceme->setPlainText("dog");
    w->chkBackup->setChecked(false);
    if (keys.startsWith("large")) // files over 5 bytes are read 3 bytes at a time
        w->rtftext->setStreamLimits({ 5, 3, 0 });
    if (keys.startsWith("read-only"))
        QFile::setPermissions(sandbox.workFolder() + "/b.txt", QFile::ReadOwner);
    w->chkWhlWrd->setChecked(keys.startsWith("both"));
    w->chkCase->setChecked(keys.startsWith("both"));
    QStringList seen;
    sandbox.prompts.onModal([&](QDialog& dialog) {
        auto& window = static_cast<review::frmReview&>(dialog);
        for (const QString& key : keys.split(' ')) {
            if (key == "right" || key == "down" || key == "space")
                QTest::keyClick(window.tvwChanges,
                    key == "right"      ? Qt::Key_Right
                        : key == "down" ? Qt::Key_Down
                                        : Qt::Key_Space);
            if (key == "tab")
                QTest::keyClick(window.focusWidget(), Qt::Key_Tab);
            if (key == "enter" && keys.startsWith("tab")) {
                seen = listed(*window.model()) << window.lblStatus->text();
                QTest::keyClick(window.focusWidget(), Qt::Key_Return);
            }
            if (key == "enter" && !keys.startsWith("tab")) {
                QTest::keyClick(window.tvwChanges, Qt::Key_Return);
                QVERIFY(window.isVisible());
                QCOMPARE(w->rtftext->SelText() + "@" + QString::number(w->rtftext->SelStart()), "cat@8");
            }
            if (key == "escape")
                QTest::keyClick(window.tvwChanges, Qt::Key_Escape);
        }
        if (!keys.startsWith("tab"))
            seen = listed(*window.model()) << window.lblStatus->text();
        if (keys.startsWith("edit")) // by another program, while the window is open
            sandbox.writeFile("b.txt", "cat cat");
        if (keys.endsWith("replace"))
            QTest::mouseClick(window.cmdReplace, Qt::LeftButton);
        if (keys.endsWith("close"))
            QTest::mouseClick(window.cmdClose, Qt::LeftButton);
    });
    w->mnuReview->trigger();
    if (find.isEmpty()) {
        QCOMPARE(testing::shownMessages(sandbox),
            QStringList { "Nothing to Search for: Please enter a search sting     " });
        QVERIFY(sandbox.prompts.dialogs.isEmpty());
        return;
    }

    QCOMPARE(seen, shown);
    QCOMPARE(testing::shownMessages(sandbox), QStringList());
    QCOMPARE(sandbox.readFile("a.txt") + "|" + sandbox.readFile("b.txt"), after);
    QCOMPARE(lines.isEmpty() ? QStringList() : results(*w), lines);
    QCOMPARE(w->cmdUndo->isEnabled(), !lines.isEmpty());
    QCOMPARE(sandbox.prompts.dialogs, QStringList { "Review Changes" });
    if (!lines.isEmpty()) {
        // Undo takes back what Replace Checked wrote, and only that.
        QTest::mouseClick(w->cmdUndo, Qt::LeftButton);
        QCOMPARE(sandbox.readFile("a.txt"), a);
    } else {
        // Nothing written and nothing changed: a Process afterwards is the normal run.
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        QCOMPARE(sandbox.readFile("b.txt"), QByteArray("dog"));
    }
}

QTEST_MAIN(ReviewTest)
#include "tst_review.moc"
