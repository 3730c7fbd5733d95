#include "support/windowtest.h"

#include <QAction>
#include <QCheckBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QtTest>

class UndoTest : public QObject
{
    Q_OBJECT
private slots:
    void undo_data();
    void undo();
};

void UndoTest::undo_data()
{
    QTest::addColumn<bool>("menu");
    QTest::addColumn<QString>("replacement");
    // What the user or another program does between run and Undo ("streamed": the files are replaced
    // as files too large to hold are, a piece at a time).
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<QByteArray>("after"); // both files after Undo
    QTest::addColumn<QStringList>("results");
    const QByteArray asAtFirst = "cat dog|cat";
    const QStringList both = { "both.txt - 1 String replaced", "one.txt - 1 String replaced",
        "2 Strings found scanning 2 files" };
    // The dog that was there before the run stays a dog.
    QTest::newRow("cat to dog, a dog was there before") << false << "dog"
                                                        << "" << asAtFirst << both;
    QTest::newRow("from the menu") << true << "dog"
                                   << "" << asAtFirst << both;
    QTest::newRow("a deletion") << false << ""
                                << "" << asAtFirst << both;
    QTest::newRow("files too large to hold") << false << "dog"
                                             << "streamed" << asAtFirst << both;
    // Undo takes back what was written, whatever is ticked or chosen now.
    QTest::newRow("nothing ticked now") << false << "dog"
                                        << "untick" << asAtFirst << both;
    QTest::newRow("Match Case ticked now") << false << "dog"
                                           << "match case" << asAtFirst << both;
    QTest::newRow("a file edited since")
        << false << "dog"
        << "edit" << QByteArray("cat dog|edited")
        << QStringList { "both.txt - 1 String replaced", "one.txt - changed since the run: not undone",
               "1 String found scanning 2 files" };
}

void UndoTest::undo()
{
    QFETCH(bool, menu);
    QFETCH(QString, replacement);
    QFETCH(QString, meanwhile);
    QFETCH(QByteArray, after);
    QFETCH(QStringList, results);
    testing::Sandbox sandbox;
    sandbox.writeFile("docs/both.txt", "cat dog");
    sandbox.writeFile("docs/one.txt", "cat");
    QDir().mkpath(sandbox.workFolder() + "/backup");
    MainWindow w;
    w.start();
    w.Dir1->setPath(sandbox.workFolder() + "/docs");
    w.lstFiles->setAllSelected(true);
    w.chkBackup->setChecked(true);
    w.Findme->setPlainText("cat");
    w.Replaceme->setPlainText(replacement);
    testing::answerChooser(sandbox, sandbox.workFolder() + "/backup");
    if (meanwhile == "streamed")
        w.rtftext->setStreamLimits({ 1, 3, 0 });
    QTest::mouseClick(w.Command1, Qt::LeftButton);
    QVERIFY(w.cmdUndo->isEnabled() && w.mnuUndo->isEnabled());
    if (meanwhile == "untick")
        w.lstFiles->setAllSelected(false);
    if (meanwhile == "match case")
        w.chkCase->setChecked(true);
    if (meanwhile == "edit")
        sandbox.writeFile("docs/one.txt", "edited");

    menu ? w.mnuUndo->trigger() : QTest::mouseClick(w.cmdUndo, Qt::LeftButton);

    QCOMPARE(testing::shownMessages(sandbox), QStringList());
    QCOMPARE(sandbox.readFile("docs/both.txt") + "|" + sandbox.readFile("docs/one.txt"), after);
    QStringList shown;
    for (int i = 0; i < w.lstResults->count(); ++i)
        shown << w.lstResults->item(i)->text();
    QCOMPARE(shown << w.lblTotal->Caption(), results);
    QCOMPARE(w.Findme->toPlainText() + "|" + w.Replaceme->toPlainText(), "cat|" + replacement);
    QVERIFY(!w.chkBackup->isChecked());
    QVERIFY(!w.cmdUndo->isEnabled() && !w.mnuUndo->isEnabled());
    // Undo opens no chooser, so the copies still hold the files as they were at first.
    QCOMPARE(sandbox.prompts.dialogs.size(), 1);
    QCOMPARE(sandbox.readFile("backup/both.txt"), QByteArray("cat dog"));
}

QTEST_MAIN(UndoTest)
#include "tst_undo.moc"
