// The replace run behind cmdReplace: its checks, messages, summary and what it leaves on the window.
#include "app/mainwindow.h"
#include "platform/checklist.h"
#include "platform/combobox.h"
#include "platform/folderlist.h"
#include "platform/label.h"
#include "platform/yield.h"
#include "richtext/rtftext.h"
#include "support/sandbox.h"
#include "workflow/filelist.h"
#include "workflow/replacerun.h"

#include <memory>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>
#include <QtTest>

namespace
{

struct Bench {
    testing::Sandbox sandbox;
    std::unique_ptr<MainWindow> w;

    // Lists the .txt files of the work folder and ticks `ticked`.
    void open(const QStringList& ticked)
    {
        w = std::make_unique<MainWindow>();
        w->show();
        w->Dir1->setPath(sandbox.workFolder());
        workflow::Dir1_Change(*w);
        for (int i = 0; i < w->lstFiles->ListCount(); ++i)
            w->lstFiles->setSelected(i, ticked.contains(w->lstFiles->List(i)));
    }
    void setStrings(const QString& find, const QString& with)
    {
        w->Findme->setPlainText(find);
        w->Replaceme->setPlainText(with);
    }
    QStringList results() const
    {
        QStringList lines;
        for (int i = 0; i < w->lstResults->count(); ++i)
            lines << w->lstResults->item(i)->text();
        return lines;
    }
    // Leaves traces of an earlier run, to see what the next one changes.
    void earlierRun()
    {
        w->lstResults->addItem("old.txt - 1 String replaced");
        w->lblTotal->setCaption("1 String found scanning 1 file");
        w->lblTotal->show();
        w->lblScan->hide();
        w->Text1 = "old find";
        w->Text2 = "old with";
    }
};

} // namespace

class ReplaceRunTest : public QObject
{
    Q_OBJECT
private slots:
    void summary_data();
    void summary();
    void nothingTicked();
    void emptyFindString();
    void closeWaitsForTheCurrentFile();
    void inputIsIgnoredDuringARun();
};

void ReplaceRunTest::summary_data()
{
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<QStringList>("ticked");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("one string over two files")
        << QByteArray("cat") << QByteArray("dog") << QStringList { "a.txt", "b.txt" }
        << "1 String found scanning 2 files" << QStringList { "a.txt - 1 String replaced" };
    QTest::newRow("no match anywhere")
        << QByteArray("dog") << QByteArray("dog") << QStringList { "a.txt", "b.txt" }
        << "0 Strings found scanning 2 files" << QStringList();
    QTest::newRow("three in one ticked file")
        << QByteArray("cat cat cat") << QByteArray("cat") << QStringList { "a.txt" }
        << "3 Strings found scanning 1 file" << QStringList { "a.txt - 3 Strings replaced" };
    QTest::newRow("counts all files")
        << QByteArray("cat cat") << QByteArray("cat") << QStringList { "a.txt", "b.txt" }
        << "3 Strings found scanning 2 files"
        << QStringList { "a.txt - 2 Strings replaced", "b.txt - 1 String replaced" };
}

void ReplaceRunTest::summary()
{
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(QStringList, ticked);
    QFETCH(QString, caption);
    QFETCH(QStringList, lines);

    Bench bench;
    bench.sandbox.writeFile("a.txt", a);
    bench.sandbox.writeFile("b.txt", b);
    bench.open(ticked);
    bench.earlierRun();
    bench.setStrings("cat", "dog");
    workflow::cmdReplace_Click(*bench.w);

    QCOMPARE(bench.w->lblTotal->Caption(), caption);
    QCOMPARE(bench.results(), lines);
    QVERIFY(!bench.w->lblTotal->isHidden());
    QVERIFY(bench.w->lblScan->isHidden());
    QCOMPARE(bench.w->Text1, QString("cat"));
    QCOMPARE(bench.w->Text2, QString("dog"));
    QVERIFY(bench.w->cmdUndo->isEnabled());
    QVERIFY(bench.w->mnuUndo->isEnabled());
    QVERIFY(bench.sandbox.prompts.messages.empty());
    QVERIFY(!bench.w->runInProgress);
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(bench.w->rtftext->updatesEnabled());
}

void ReplaceRunTest::nothingTicked()
{
    Bench bench;
    bench.sandbox.writeFile("a.txt", "cat");
    bench.open({});
    bench.earlierRun();
    bench.setStrings("cat", "dog");
    workflow::cmdReplace_Click(*bench.w);

    QCOMPARE(bench.sandbox.prompts.messages.size(), std::size_t(1));
    const auto& shown = bench.sandbox.prompts.messages.front();
    QCOMPARE(shown.text, QString("Select file(s) to change by placing a Check in the box     "));
    QCOMPARE(shown.title, QString("Nothing Selected"));
    QCOMPARE(shown.icon, platform::Icon::Information);
    // Everything stays as the earlier run left it.
    QCOMPARE(bench.results(), QStringList { "old.txt - 1 String replaced" });
    QCOMPARE(bench.w->lblTotal->Caption(), QString("1 String found scanning 1 file"));
    QCOMPARE(bench.w->Text1, QString("old find"));
    QCOMPARE(bench.w->Text2, QString("old with"));
    QVERIFY(!bench.w->cmdUndo->isEnabled());
    QCOMPARE(bench.sandbox.readFile("a.txt"), QByteArray("cat"));
}

void ReplaceRunTest::emptyFindString()
{
    Bench bench;
    bench.sandbox.writeFile("a.txt", "cat");
    bench.open({ "a.txt" });
    bench.earlierRun();
    bench.setStrings("", "dog");
    workflow::cmdReplace_Click(*bench.w);

    QCOMPARE(bench.sandbox.prompts.messages.size(), std::size_t(1));
    const auto& shown = bench.sandbox.prompts.messages.front();
    QCOMPARE(shown.text, QString("Nothing to replace."));
    QCOMPARE(shown.title, QString("Textmend"));
    QCOMPARE(shown.icon, platform::Icon::None);
    QCOMPARE(bench.results(), QStringList());
    QCOMPARE(bench.w->lblTotal->Caption(), QString("0"));
    QVERIFY(!bench.w->lblTotal->isHidden());
    QVERIFY(bench.w->lblScan->isHidden());
    QCOMPARE(bench.w->Text1, QString(""));
    QCOMPARE(bench.w->Text2, QString("dog"));
    QVERIFY(bench.w->cmdUndo->isEnabled());
    QVERIFY(bench.w->mnuUndo->isEnabled());
    QCOMPARE(bench.sandbox.readFile("a.txt"), QByteArray("cat"));
}

void ReplaceRunTest::closeWaitsForTheCurrentFile()
{
    Bench bench;
    bench.sandbox.writeFile("a.txt", "cat");
    bench.sandbox.writeFile("b.txt", "cat");
    bench.open({ "a.txt", "b.txt" });
    bench.setStrings("cat", "dog");
    // The close arrives at the first yield, while a.txt is being processed.
    QCoreApplication::postEvent(bench.w.get(), new QCloseEvent);
    QThread::msleep(30);
    workflow::cmdReplace_Click(*bench.w);

    QCOMPARE(bench.sandbox.readFile("a.txt"), QByteArray("dog"));
    QCOMPARE(bench.sandbox.readFile("b.txt"), QByteArray("cat"));
    QCOMPARE(bench.results(), QStringList { "a.txt - 1 String replaced" });
    QCOMPARE(bench.w->lblTotal->Caption(), QString("1 String found scanning 2 files"));
    QVERIFY(!bench.w->isVisible());
    // Closing ran the usual closing sequence.
    QCOMPARE(bench.sandbox.setting("Dir1"), bench.w->Dir1->Path());
}

void ReplaceRunTest::inputIsIgnoredDuringARun()
{
    Bench bench;
    bench.sandbox.writeFile("a.txt", "cat");
    bench.open({ "a.txt" });
    bench.setStrings("cat", "dog");
    const auto typeInto = [](QWidget* box) {
        QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x"));
    };
    typeInto(bench.w->Replaceme);
    QThread::msleep(30);
    workflow::cmdReplace_Click(*bench.w);
    platform::DoEventsNow();
    QCOMPARE(bench.w->Replaceme->toPlainText(), QString("dog"));
    QCOMPARE(bench.sandbox.readFile("a.txt"), QByteArray("dog"));

    // The same keystroke outside a run does reach the box.
    typeInto(bench.w->Replaceme);
    platform::DoEventsNow();
    QCOMPARE(bench.w->Replaceme->toPlainText(), QString("xdog"));
}

QTEST_MAIN(ReplaceRunTest)
#include "tst_replacerun.moc"
