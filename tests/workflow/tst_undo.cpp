#include "app/mainwindow.h"
#include "backupdir/browseme.h"
#include "platform/checklist.h"
#include "platform/folderlist.h"
#include "support/sandbox.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

namespace
{

// A window over a folder with one file that has only the find string and one that also holds the
// replacement string before the first run.
struct Desk {
    testing::Sandbox sandbox;
    MainWindow w;

    Desk()
    {
        sandbox.writeFile("docs/pets.txt", "the cat sat\n");
        sandbox.writeFile("docs/both.txt", "cat and dog\n");
        w.start();
        w.Dir1->setPath(QDir(sandbox.workFolder()).filePath("docs"));
        w.lstFiles->setAllSelected(true);
    }

    void run(const QString& find, const QString& replacement)
    {
        w.Findme->setPlainText(find);
        w.Replaceme->setPlainText(replacement);
        w.Command1->click();
    }
    void undo(const QString& trigger)
    {
        if (trigger == "menu")
            w.mnuUndo->trigger();
        else
            w.cmdUndo->click();
    }
    bool undoAvailable() const { return w.cmdUndo->isEnabled() || w.mnuUndo->isEnabled(); }
};

} // namespace

class UndoTest : public QObject
{
    Q_OBJECT
private slots:
    void reversesLastRun_data();
    void reversesLastRun();
    void stoppedReverseRun_data();
    void stoppedReverseRun();
};

void UndoTest::reversesLastRun_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::newRow("button") << "button";
    QTest::newRow("menu") << "menu";
}

void UndoTest::reversesLastRun()
{
    QFETCH(QString, trigger);
    Desk desk;
    desk.w.chkBackup->setChecked(true);
    const QString backup = QDir(desk.sandbox.workFolder()).filePath("backup");
    QDir().mkpath(backup);
    desk.sandbox.prompts.onModal([backup](QDialog& dialog) {
        static_cast<BrowseMe&>(dialog).Dir1->setPath(backup);
        static_cast<BrowseMe&>(dialog).Command1->click();
    });
    desk.run("cat", "dog");
    QCOMPARE(desk.sandbox.readFile("docs/pets.txt"), QByteArray("the dog sat\n"));
    QCOMPARE(desk.sandbox.readFile("docs/both.txt"), QByteArray("dog and dog\n"));
    QVERIFY(desk.w.cmdUndo->isEnabled());
    QVERIFY(desk.w.mnuUndo->isEnabled());

    desk.undo(trigger);

    QCOMPARE(desk.sandbox.readFile("docs/pets.txt"), QByteArray("the cat sat\n"));
    // The dog that was there before the first run turns into a cat as well.
    QCOMPARE(desk.sandbox.readFile("docs/both.txt"), QByteArray("cat and cat\n"));
    QCOMPARE(desk.w.Findme->toPlainText(), QString("cat"));
    QCOMPARE(desk.w.Replaceme->toPlainText(), QString("dog"));
    QVERIFY(!desk.w.chkBackup->isChecked());
    QVERIFY(!desk.undoAvailable());
    // No chooser and no new copies for the reverse run.
    QCOMPARE(desk.sandbox.prompts.dialogs.size(), 1);
    QCOMPARE(desk.sandbox.readFile("backup/both.txt"), QByteArray("cat and dog\n"));
    QVERIFY(desk.sandbox.prompts.messages.empty());
}

void UndoTest::stoppedReverseRun_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<bool>("untickAll");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("findAfter");
    QTest::addColumn<QString>("replaceAfter");
    QTest::newRow("empty replacement") << "button"
                                       << "" << false << "Nothing to Search for"
                                       << ""
                                       << "cat";
    QTest::newRow("empty replacement, from the menu") << "menu"
                                                      << "" << false << "Nothing to Search for"
                                                      << ""
                                                      << "cat";
    QTest::newRow("nothing ticked") << "button"
                                    << "dog" << true << "Nothing Selected"
                                    << "dog"
                                    << "cat";
}

void UndoTest::stoppedReverseRun()
{
    QFETCH(QString, trigger);
    QFETCH(QString, replacement);
    QFETCH(bool, untickAll);
    QFETCH(QString, title);
    QFETCH(QString, findAfter);
    QFETCH(QString, replaceAfter);
    Desk desk;
    desk.run("cat", replacement);
    const QByteArray pets = desk.sandbox.readFile("docs/pets.txt");
    const QByteArray both = desk.sandbox.readFile("docs/both.txt");
    QVERIFY(desk.sandbox.prompts.messages.empty());
    if (untickAll)
        desk.w.lstFiles->setAllSelected(false);
    desk.w.chkBackup->setChecked(true);

    desk.undo(trigger);

    QCOMPARE(desk.sandbox.prompts.messages.size(), std::size_t(1));
    QCOMPARE(desk.sandbox.prompts.messages[0].title, title);
    QVERIFY(desk.sandbox.prompts.dialogs.isEmpty());
    QCOMPARE(desk.sandbox.readFile("docs/pets.txt"), pets);
    QCOMPARE(desk.sandbox.readFile("docs/both.txt"), both);
    QCOMPARE(desk.w.Findme->toPlainText(), findAfter);
    QCOMPARE(desk.w.Replaceme->toPlainText(), replaceAfter);
    QVERIFY(!desk.w.chkBackup->isChecked());
    QVERIFY(!desk.undoAvailable());
}

QTEST_MAIN(UndoTest)
#include "tst_undo.moc"
