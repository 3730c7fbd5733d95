#include "app/mainwindow.h"
#include "backupdir/browseme.h"
#include "platform/checklist.h"
#include "platform/folderlist.h"
#include "platform/label.h"
#include "support/sandbox.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

namespace
{

const QStringList fileNames = { "a.txt", "b.txt", "c.txt", "d.txt", "e.txt" };
const QString emptyFindText = "Please enter a search sting     ";
const QString nothingSelectedText = "Select file(s) to change by placing a Check in the box     ";

// A window over a folder of five files, each holding "the cat sat" and its own name.
struct Desk {
    testing::Sandbox sandbox;
    MainWindow w;
    QString folder;
    QString backup;

    Desk()
    {
        folder = QDir(sandbox.workFolder()).filePath("docs");
        backup = QDir(sandbox.workFolder()).filePath("backup");
        QDir().mkpath(backup);
        for (const QString& name : fileNames)
            sandbox.writeFile("docs/" + name, "the cat sat in " + name.toUtf8() + "\n");
        w.start();
        w.Dir1->setPath(folder);
    }

    QByteArray original(const QString& name) const { return "the cat sat in " + name.toUtf8() + "\n"; }
    QByteArray source(const QString& name) const { return sandbox.readFile("docs/" + name); }
    QString copyPath(const QString& name) const { return QDir(backup).filePath(name); }
    QByteArray copy(const QString& name) const { return sandbox.readFile("backup/" + name); }

    void tick(const QStringList& names)
    {
        for (int i = 0; i < w.lstFiles->ListCount(); ++i)
            w.lstFiles->setSelected(i, names.contains(w.lstFiles->List(i)));
    }
    void strings(const QString& find, const QString& replacement)
    {
        w.Findme->setPlainText(find);
        w.Replaceme->setPlainText(replacement);
    }
    void process(const QString& trigger = "button")
    {
        if (trigger == "menu")
            w.mnuProcess->trigger();
        else
            w.Command1->click();
    }
    // The next chooser moves to `destination` and is accepted.
    void acceptChooserAt(const QString& destination)
    {
        sandbox.prompts.onModal([destination](QDialog& dialog) {
            auto& chooser = static_cast<BrowseMe&>(dialog);
            chooser.Dir1->setPath(destination);
            chooser.Command1->click();
        });
    }
};

} // namespace

class ProcessTest : public QObject
{
    Q_OBJECT
private slots:
    void refused_data();
    void refused();
    void backupCopies_data();
    void backupCopies();
    void chooserCancelled();
    void closeBoxKeepsEarlierDestination();
    void failedCopySkipped();
    void statusShownBeforeCopies();
};

void ProcessTest::refused_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<bool>("backup");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QStringList>("ticked");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::newRow("empty find, backup ticked")
        << "button" << true << "" << QStringList { "a.txt" } << emptyFindText << "Nothing to Search for";
    QTest::newRow("empty find, from the menu")
        << "menu" << true << "" << QStringList { "a.txt" } << emptyFindText << "Nothing to Search for";
    QTest::newRow("empty find, nothing ticked")
        << "button" << false << "" << QStringList {} << emptyFindText << "Nothing to Search for";
    QTest::newRow("backup ticked, nothing ticked")
        << "button" << true << "cat" << QStringList {} << nothingSelectedText << "Nothing Selected";
    QTest::newRow("backup ticked, nothing ticked, from the menu")
        << "menu" << true << "cat" << QStringList {} << nothingSelectedText << "Nothing Selected";
    QTest::newRow("no backup, nothing ticked")
        << "button" << false << "cat" << QStringList {} << nothingSelectedText << "Nothing Selected";
}

void ProcessTest::refused()
{
    QFETCH(QString, trigger);
    QFETCH(bool, backup);
    QFETCH(QString, find);
    QFETCH(QStringList, ticked);
    QFETCH(QString, text);
    QFETCH(QString, title);
    Desk desk;
    desk.w.chkBackup->setChecked(backup);
    desk.tick(ticked);
    desk.strings(find, "dog");
    desk.w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&desk.w));
    desk.w.cmdClose->setFocus();
    const QString status = desk.w.lblScan->Caption();

    desk.process(trigger);

    QCOMPARE(desk.sandbox.prompts.messages.size(), std::size_t(1));
    QCOMPARE(desk.sandbox.prompts.messages[0].text, text);
    QCOMPARE(desk.sandbox.prompts.messages[0].title, title);
    QCOMPARE(desk.sandbox.prompts.messages[0].icon, platform::Icon::Information);
    QVERIFY(desk.sandbox.prompts.dialogs.isEmpty());
    QCOMPARE(desk.w.lblScan->Caption(), status);
    QVERIFY(QDir(desk.backup).isEmpty());
    for (const QString& name : fileNames)
        QCOMPARE(desk.source(name), desk.original(name));
    if (find.isEmpty())
        QCOMPARE(QApplication::focusWidget(), desk.w.Findme);
}

void ProcessTest::backupCopies_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::newRow("button") << "button";
    QTest::newRow("menu") << "menu";
}

void ProcessTest::backupCopies()
{
    QFETCH(QString, trigger);
    Desk desk;
    const QStringList ticked = { "b.txt", "c.txt", "e.txt" };
    const QDateTime past = QDateTime::currentDateTime().addDays(-3);
    for (const QString& name : fileNames) {
        QFile file(QDir(desk.folder).filePath(name));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(past, QFileDevice::FileModificationTime));
    }
    desk.w.chkBackup->setChecked(true);
    desk.tick(ticked);
    desk.strings("cat", "dog");
    desk.acceptChooserAt(desk.backup);

    desk.process(trigger);

    QCOMPARE(desk.sandbox.prompts.dialogs, QStringList { "Choose Backup Directory" });
    QVERIFY(desk.sandbox.prompts.messages.empty());
    QCOMPARE(desk.w.lblDest->Caption(), desk.backup + "/");
    QCOMPARE(QDir(desk.backup).entryList(QDir::Files, QDir::Name), ticked);
    for (const QString& name : ticked) {
        QCOMPARE(desk.copy(name), desk.original(name));
        QCOMPARE(QFileInfo(desk.copyPath(name)).lastModified().toSecsSinceEpoch(), past.toSecsSinceEpoch());
        QCOMPARE(desk.source(name), "the dog sat in " + name.toUtf8() + "\n");
    }
    QCOMPARE(desk.source("a.txt"), desk.original("a.txt"));

    // Run again into the same folder: the copies are replaced by the files as they are now.
    desk.strings("dog", "cow");
    desk.acceptChooserAt(desk.backup);
    desk.process(trigger);
    QCOMPARE(desk.sandbox.prompts.dialogs.size(), 2);
    QCOMPARE(QDir(desk.backup).entryList(QDir::Files, QDir::Name), ticked);
    for (const QString& name : ticked) {
        QCOMPARE(desk.copy(name), "the dog sat in " + name.toUtf8() + "\n");
        QCOMPARE(desk.source(name), "the cow sat in " + name.toUtf8() + "\n");
    }
}

void ProcessTest::chooserCancelled()
{
    Desk desk;
    desk.w.chkBackup->setChecked(true);
    desk.tick({ "a.txt", "b.txt" });
    desk.strings("cat", "dog");
    desk.w.lblDest->setCaption(desk.backup + "/");
    desk.w.lstResults->addItem("an earlier result");
    const QString status = desk.w.lblScan->Caption();
    desk.sandbox.prompts.onModal([](QDialog& dialog) {
        static_cast<BrowseMe&>(dialog).Command3->click();
    });

    desk.process();

    QCOMPARE(desk.sandbox.prompts.dialogs.size(), 1);
    QVERIFY(desk.sandbox.prompts.messages.empty());
    QCOMPARE(desk.w.lblDest->Caption(), QString());
    QVERIFY(QDir(desk.backup).isEmpty());
    for (const QString& name : fileNames)
        QCOMPARE(desk.source(name), desk.original(name));
    QCOMPARE(desk.w.lblScan->Caption(), status);
    QVERIFY(desk.w.lblScan->isVisible());
    QCOMPARE(desk.w.lstResults->count(), 1);
    QVERIFY(!desk.w.cmdUndo->isEnabled());
}

void ProcessTest::closeBoxKeepsEarlierDestination()
{
    Desk desk;
    desk.w.chkBackup->setChecked(true);
    desk.tick({ "d.txt" });
    desk.strings("cat", "dog");
    desk.acceptChooserAt(desk.backup);
    desk.process();
    QCOMPARE(desk.copy("d.txt"), desk.original("d.txt"));

    // Moved elsewhere, then closed by the close box: the earlier destination still holds.
    const QString elsewhere = QDir(desk.sandbox.workFolder()).filePath("elsewhere");
    QDir().mkpath(elsewhere);
    desk.strings("dog", "emu");
    desk.sandbox.prompts.onModal([elsewhere](QDialog& dialog) {
        static_cast<BrowseMe&>(dialog).Dir1->setPath(elsewhere);
        dialog.close();
    });
    desk.process();

    QCOMPARE(desk.sandbox.prompts.dialogs.size(), 2);
    QCOMPARE(desk.w.lblDest->Caption(), desk.backup + "/");
    QCOMPARE(desk.copy("d.txt"), QByteArray("the dog sat in d.txt\n"));
    QVERIFY(QDir(elsewhere).isEmpty());
    QCOMPARE(desk.source("d.txt"), QByteArray("the emu sat in d.txt\n"));
    QCOMPARE(desk.sandbox.setting("Dir1BU"), elsewhere);
}

void ProcessTest::failedCopySkipped()
{
    Desk desk;
    desk.w.chkBackup->setChecked(true);
    desk.tick({ "a.txt", "b.txt", "c.txt" });
    desk.strings("cat", "dog");
    // A folder in the way of b.txt's copy.
    QVERIFY(QDir(desk.backup).mkdir("b.txt"));
    desk.acceptChooserAt(desk.backup);

    desk.process();

    QVERIFY(desk.sandbox.prompts.messages.empty());
    QCOMPARE(desk.copy("a.txt"), desk.original("a.txt"));
    QVERIFY(QFileInfo(desk.copyPath("b.txt")).isDir());
    QCOMPARE(desk.copy("c.txt"), desk.original("c.txt"));
    for (const QString& name : QStringList { "a.txt", "b.txt", "c.txt" })
        QCOMPARE(desk.source(name), "the dog sat in " + name.toUtf8() + "\n");
}

// Records, each time the status line paints, its text and whether the first copy already exists.
class PaintWatch : public QObject
{
public:
    PaintWatch(QLabel* label, QString firstCopy)
        : m_label(label)
        , m_firstCopy(std::move(firstCopy))
    {
        label->installEventFilter(this);
    }
    QList<std::pair<QString, bool>> paints;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_label && event->type() == QEvent::Paint)
            paints.append({ m_label->text(), QFileInfo::exists(m_firstCopy) });
        return false;
    }

private:
    QLabel* m_label;
    QString m_firstCopy;
};

void ProcessTest::statusShownBeforeCopies()
{
    Desk desk;
    QVERIFY(QTest::qWaitForWindowExposed(&desk.w));
    desk.w.chkBackup->setChecked(true);
    desk.tick({ "a.txt", "e.txt" });
    desk.strings("cat", "dog");
    desk.acceptChooserAt(desk.backup);
    PaintWatch watch(desk.w.lblScan, desk.copyPath("a.txt"));

    desk.process();

    QVERIFY(!watch.paints.isEmpty());
    QVERIFY(watch.paints.contains(std::pair<QString, bool>("Backing up files . . .", false)));
}

QTEST_MAIN(ProcessTest)
#include "tst_process.moc"
