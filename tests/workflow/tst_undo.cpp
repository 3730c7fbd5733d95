#include "support/windowtest.h"

#include <QAction>
#include <QCheckBox>
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
    QTest::addColumn<bool>("untick");
    QTest::addColumn<QString>("message"); // the title of the one message, if any
    QTest::addColumn<QByteArray>("after"); // both files after Undo
    QTest::addColumn<QString>("boxes"); // Findme and Replaceme after Undo
    const QByteArray asAtFirst = "cat cat|cat";
    QTest::newRow("cat to dog, a dog was there before")
        << false << "dog" << false << "" << asAtFirst << "cat|dog";
    QTest::newRow("from the menu") << true << "dog" << false << "" << asAtFirst << "cat|dog";
    QTest::newRow("empty replacement")
        << false << "" << false << "Nothing to Search for" << QByteArray(" dog|") << "|cat";
    QTest::newRow("nothing ticked") << false << "dog" << true << "Nothing Selected"
                                    << QByteArray("dog dog|dog") << "dog|cat";
}

void UndoTest::undo()
{
    QFETCH(bool, menu);
    QFETCH(QString, replacement);
    QFETCH(bool, untick);
    QFETCH(QString, message);
    QFETCH(QByteArray, after);
    QFETCH(QString, boxes);
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
    w.Command1->click();
    QVERIFY(w.cmdUndo->isEnabled() && w.mnuUndo->isEnabled());
    if (untick)
        w.lstFiles->setAllSelected(false);

    menu ? w.mnuUndo->trigger() : w.cmdUndo->click();

    const QStringList shown = testing::shownMessages(sandbox);
    QCOMPARE(shown.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QVERIFY2(shown[0].startsWith(message + ": "), qPrintable(shown[0]));
    QCOMPARE(sandbox.readFile("docs/both.txt") + "|" + sandbox.readFile("docs/one.txt"), after);
    QCOMPARE(w.Findme->toPlainText() + "|" + w.Replaceme->toPlainText(), boxes);
    QVERIFY(!w.chkBackup->isChecked());
    QVERIFY(!w.cmdUndo->isEnabled() && !w.mnuUndo->isEnabled());
    // The reverse run opens no chooser, so the copies still hold the files as they were at first.
    QCOMPARE(sandbox.prompts.dialogs.size(), 1);
    QCOMPARE(sandbox.readFile("backup/both.txt"), QByteArray("cat dog"));
}

QTEST_MAIN(UndoTest)
#include "tst_undo.moc"
