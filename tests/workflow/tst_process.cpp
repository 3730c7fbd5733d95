#include "app/mainwindow.h"
#include "backupdir/browseme.h"
#include "platform/checklist.h"
#include "platform/folderlist.h"
#include "platform/label.h"
#include "support/sandbox.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

namespace
{

// A window over five files a.txt .. e.txt, each "cat in <name>", with Backup First ticked.
struct Desk {
    testing::Sandbox sandbox;
    MainWindow w;
    QString backup = QDir(sandbox.workFolder()).filePath("backup");

    Desk(const QStringList& ticked, const QString& find)
    {
        QDir().mkpath(backup);
        for (const QString& name : QStringList { "a", "b", "c", "d", "e" })
            sandbox.writeFile("docs/" + name + ".txt", "cat in " + name.toUtf8());
        w.start();
        w.Dir1->setPath(QDir(sandbox.workFolder()).filePath("docs"));
        for (int i = 0; i < w.lstFiles->ListCount(); ++i)
            w.lstFiles->setSelected(i, ticked.contains(w.lstFiles->List(i)));
        w.chkBackup->setChecked(true);
        w.Findme->setPlainText(find);
        w.Replaceme->setPlainText("dog");
    }
    QByteArray file(const QString& name) const { return sandbox.readFile("docs/" + name + ".txt"); }
    QByteArray copy(const QString& name) const { return sandbox.readFile("backup/" + name + ".txt"); }
    QStringList copies() const { return QDir(backup).entryList(QDir::AllEntries | QDir::NoDotAndDotDot); }
    // The next chooser is worked by `user` after moving to `folder`.
    void chooser(const QString& folder, std::function<void(BrowseMe&)> user)
    {
        sandbox.prompts.onModal([folder, user](QDialog& dialog) {
            auto& chooser = static_cast<BrowseMe&>(dialog);
            chooser.Dir1->setPath(folder);
            user(chooser);
        });
    }
    void acceptAt(const QString& folder)
    {
        chooser(folder, [](BrowseMe& b) {
            b.Command1->click();
        });
    }
};

// Records, each time the status line paints, its text and whether `firstCopy` exists yet.
class PaintWatch : public QObject
{
public:
    PaintWatch(QLabel* label, const QString& firstCopy)
        : m_label(label)
        , m_firstCopy(firstCopy)
    {
        label->installEventFilter(this);
    }
    QList<std::pair<QString, bool>> paints;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            paints.append({ m_label->text(), QFileInfo::exists(m_firstCopy) });
        return false;
    }

private:
    QLabel* m_label;
    QString m_firstCopy;
};

} // namespace

class ProcessTest : public QObject
{
    Q_OBJECT
private slots:
    void refused_data();
    void refused();
    void backupCopies();
    void chooserClosed();
};

void ProcessTest::refused_data()
{
    QTest::addColumn<bool>("menu");
    QTest::addColumn<bool>("backup");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("title");
    QTest::newRow("empty find") << false << true << ""
                                << "Nothing to Search for";
    QTest::newRow("empty find, menu") << true << true << ""
                                      << "Nothing to Search for";
    QTest::newRow("nothing ticked") << false << true << "cat"
                                    << "Nothing Selected";
    QTest::newRow("nothing ticked, no backup") << true << false << "cat"
                                               << "Nothing Selected";
}

void ProcessTest::refused()
{
    QFETCH(bool, menu);
    QFETCH(bool, backup);
    QFETCH(QString, find);
    QFETCH(QString, title);
    Desk desk(find.isEmpty() ? QStringList { "a.txt" } : QStringList {}, find);
    desk.w.chkBackup->setChecked(backup);
    desk.w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&desk.w));
    desk.w.cmdClose->setFocus();

    menu ? desk.w.mnuProcess->trigger() : desk.w.Command1->click();

    QCOMPARE(desk.sandbox.prompts.messages.size(), std::size_t(1));
    const auto& shown = desk.sandbox.prompts.messages[0];
    QCOMPARE(shown.text,
        find.isEmpty() ? "Please enter a search sting     "
                       : "Select file(s) to change by placing a Check in the box     ");
    QCOMPARE(shown.title, title);
    QCOMPARE(shown.icon, platform::Icon::Information);
    QVERIFY(desk.sandbox.prompts.dialogs.isEmpty());
    QVERIFY(desk.copies().isEmpty());
    QCOMPARE(desk.file("a"), QByteArray("cat in a"));
    QCOMPARE(
        QApplication::focusWidget(), find.isEmpty() ? static_cast<QWidget*>(desk.w.Findme) : desk.w.cmdClose);
}

// Three of five ticked: their copies land before the run changes them, and a second run replaces them.
void ProcessTest::backupCopies()
{
    Desk desk({ "b.txt", "c.txt", "e.txt" }, "cat");
    const QDateTime past = QDateTime::currentDateTime().addDays(-3);
    QFile c(QDir(desk.sandbox.workFolder()).filePath("docs/c.txt"));
    QVERIFY(c.open(QIODevice::ReadWrite) && c.setFileTime(past, QFileDevice::FileModificationTime));
    QVERIFY(QDir(desk.backup).mkdir("e.txt")); // this copy fails and is skipped
    QVERIFY(QTest::qWaitForWindowExposed(&desk.w));
    PaintWatch watch(desk.w.lblScan, desk.backup + "/b.txt");
    desk.acceptAt(desk.backup);

    desk.w.Command1->click();

    QCOMPARE(desk.sandbox.prompts.dialogs, QStringList { "Choose Backup Directory" });
    QVERIFY(desk.sandbox.prompts.messages.empty());
    QVERIFY(watch.paints.contains(std::pair<QString, bool>("Backing up files . . .", false)));
    QCOMPARE(desk.copies(), QStringList({ "b.txt", "c.txt", "e.txt" }));
    QCOMPARE(desk.copy("b"), QByteArray("cat in b"));
    QCOMPARE(desk.copy("c"), QByteArray("cat in c"));
    QCOMPARE(QFileInfo(desk.backup + "/c.txt").lastModified().toSecsSinceEpoch(), past.toSecsSinceEpoch());
    QCOMPARE(desk.file("a"), QByteArray("cat in a"));
    QCOMPARE(desk.file("e"), QByteArray("dog in e"));

    desk.w.Findme->setPlainText("dog");
    desk.w.Replaceme->setPlainText("emu");
    desk.acceptAt(desk.backup);
    desk.w.Command1->click();
    QCOMPARE(desk.copy("b"), QByteArray("dog in b"));
    QCOMPARE(desk.file("b"), QByteArray("emu in b"));
}

// Cancel stops everything silently; the close box after an earlier OK keeps that destination.
void ProcessTest::chooserClosed()
{
    Desk desk({ "d.txt" }, "cat");
    const QString elsewhere = QDir(desk.sandbox.workFolder()).filePath("docs");
    desk.w.lblDest->setCaption(desk.backup + "/");
    desk.w.lstResults->addItem("an earlier result");
    desk.chooser(elsewhere, [](BrowseMe& b) {
        b.Command3->click();
    });
    desk.w.Command1->click();
    QVERIFY(desk.sandbox.prompts.messages.empty());
    QCOMPARE(desk.w.lblDest->Caption(), QString());
    QVERIFY(desk.copies().isEmpty());
    QCOMPARE(desk.file("d"), QByteArray("cat in d"));
    QCOMPARE(desk.w.lblScan->Caption(), QString("Select Directory and Files"));
    QCOMPARE(desk.w.lstResults->count(), 1);

    desk.acceptAt(desk.backup);
    desk.w.Command1->click();
    desk.w.Findme->setPlainText("dog");
    desk.w.Replaceme->setPlainText("emu");
    desk.chooser(elsewhere, [](BrowseMe& b) {
        b.close();
    });
    desk.w.Command1->click();
    QCOMPARE(desk.sandbox.prompts.dialogs.size(), 3);
    QCOMPARE(desk.copy("d"), QByteArray("dog in d"));
    QCOMPARE(desk.file("d"), QByteArray("emu in d"));
    QCOMPARE(desk.sandbox.setting("Dir1BU"), elsewhere);
}

QTEST_MAIN(ProcessTest)
#include "tst_process.moc"
