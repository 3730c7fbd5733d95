#include "app/mainwindow.h"
#include "platform/checklist.h"
#include "platform/combobox.h"
#include "platform/drivelist.h"
#include "platform/folderlist.h"
#include "platform/label.h"
#include "richtext/rtftext.h"
#include "support/interruptedwrite.h"
#include "support/windowtest.h"

#include <csignal>
#include <memory>
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>
#include <unistd.h>

namespace
{

const QStringList sixKeys = { "Dir1", "chkCase", "chkWhlWrd", "chkBackup", "combo1", "WinState" };

// The restored choices as a user sees them: window state, folder (relative to `work`), the three
// options, the selected pattern entry and text, and the files listed.
QString restored(const MainWindow& w, const QString& work)
{
    QStringList files;
    for (int i = 0; i < w.lstFiles->ListCount(); ++i)
        files << w.lstFiles->List(i);
    return QStringList { QString::number(w.WindowState()), QDir(work).relativeFilePath(w.Dir1->Path()),
        w.chkCase->isChecked() ? "case" : "-", w.chkWhlWrd->isChecked() ? "word" : "-",
        w.chkBackup->isChecked() ? "backup" : "-", QString::number(w.Combo1->ListIndex()), w.Combo1->Text(),
        files.join(',') }
        .join(' ');
}

QStringList menuCaptions(const QMenuBar* bar)
{
    QStringList captions;
    for (const QAction* menu : bar->actions()) {
        captions << menu->text();
        for (const QAction* entry : menu->menu()->actions())
            captions << "  " + entry->text() + (entry->isEnabled() ? "" : " (disabled)");
    }
    return captions;
}

void writePatterns(const testing::Sandbox& sandbox, const QByteArray& lines)
{
    QFile file(QDir(sandbox.programFolder()).filePath("cmb.ftl"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(lines);
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void controlsAsDesigned();
    void tabOrderAndFocus();
    void screenReaderNames();
    void startUp_data();
    void startUp();
    void openedFromOutside_data();
    void openedFromOutside();
    void startPutsBackAnInterruptedWrite();
    void closingSavesSixChoices_data();
    void closingSavesSixChoices();
    void closingClosesOtherWindows();
    void layoutFollowsTheWindow();

private:
    std::unique_ptr<testing::Sandbox> sandbox;
    QString startFolder;
};

void MainWindowTest::init()
{
    sandbox = std::make_unique<testing::Sandbox>();
    startFolder = QDir::currentPath();
    QDir::setCurrent(sandbox->workFolder());
}

void MainWindowTest::cleanup()
{
    QDir::setCurrent(startFolder);
    QVERIFY2(sandbox->prompts.unexpected.isEmpty(), qPrintable(sandbox->prompts.unexpected.join(", ")));
    sandbox.reset();
}

void MainWindowTest::controlsAsDesigned()
{
    MainWindow w;
    w.start();
    QCOMPARE(w.windowTitle(), QString("Textmend"));
    QCOMPARE(w.windowIcon().availableSizes().size(), 3);

    QVERIFY(w.lblScan->isVisible() && !w.lblTotal->isVisible());
    QCOMPARE(w.lblScan->palette().color(QPalette::Window), QColor(128, 128, 128));
    QCOMPARE(w.lblScan->palette().color(QPalette::WindowText), QColor(Qt::white));
    QCOMPARE(w.lblTotal->font().pointSizeF(), 9.75);

    const QStringList captions = { w.lblScan->Caption(), w.lblTotal->Caption(), w.Label4->text(),
        w.Label5->text(), w.Label2->text(), w.Label3->text(), w.Label6->text(), w.Label7->text(),
        w.Label1->text(), w.Frame1->title(), w.Frame2->title(), w.Combo1->Text(), w.cmdCmbAdd->text(),
        w.cmdCmbDel->text(), w.chkCase->text(), w.chkWhlWrd->text(), w.chkBackup->text(), w.chkAll->text(),
        w.Command1->text(), w.cmdClose->text(), w.cmdUndo->text(), w.cmdReplace->text(),
        w.Command1->toolTip(), w.cmdClose->toolTip(), w.cmdUndo->toolTip() };
    const QStringList designed = { "Select Directory and Files", "0", "Drive/Directory", "Files in Directory",
        "Find What String", "Replace With String", "Results of Scan", "Preview",
        "Select a file type to scan or add your own by typing it in and clicking Save." + QString(30, ' ')
            + "(format: *.txt)",
        "File Type Manager", "Options", "*.txt", "&Save", "&Delete", "Match Case", "Whole Word Only",
        "Backup First", "Select All", "&Process", "&Close", "&Undo", "&Replace", "Process selected files",
        "Close Textmend", "Undo last action" };
    QCOMPARE(captions, designed);
    QCOMPARE(testing::clippedCaptions(w).join(" | "), QString());
    if (!testing::onlyFont().isEmpty())
        QCOMPARE(QFontInfo(w.Command1->font()).family(), testing::onlyFont());
    QCOMPARE(w.Combo1->parentWidget(), w.Frame1);
    QCOMPARE(w.chkBackup->parentWidget(), w.Frame2);

    // Initial states and the hidden fields.
    QVERIFY(!w.chkCase->isChecked() && !w.chkWhlWrd->isChecked() && !w.chkBackup->isChecked());
    QVERIFY(!w.chkAll->isChecked() && !w.cmdUndo->isEnabled());
    QVERIFY(w.Findme->toPlainText().isEmpty() && w.Replaceme->toPlainText().isEmpty());
    QCOMPARE(w.lstResults->count(), 0);
    QVERIFY(!w.cmdReplace->isVisible() && !w.lblTotal2->isVisible() && !w.lblDest->isVisible());
    QCOMPARE(
        w.lblTotal2->Caption() + "|" + w.lblDest->Caption() + "|" + w.Text1 + "|" + w.Text2, QString("0|||"));

    const QStringList menus = { "&File", "  &Exit", "&Edit", "  &Process Files", "  &Review Changes...",
        "  &Undo Last Action (disabled)", "  &New Extension", "  &Select All Files", "&Help", "  &Content",
        "  &About" };
    QCOMPARE(menuCaptions(w.menuBar()), menus);
}

void MainWindowTest::tabOrderAndFocus()
{
    MainWindow w;
    w.start();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.Dir1));

    const QList<QWidget*> expected = { w.Dir1, w.lstFiles, w.Findme, w.Replaceme, w.rtftext, w.Combo1,
        w.cmdCmbAdd, w.cmdCmbDel, w.chkCase, w.chkWhlWrd, w.chkBackup, w.Command1, w.cmdClose, w.Drive1,
        w.lstResults, w.chkAll };
    // Undo is disabled, so the focus passes it by; the chain otherwise follows the design's order.
    QList<QWidget*> seen;
    for (int i = 0; i < expected.size(); ++i) {
        QWidget* focus = QApplication::focusWidget();
        while (focus && !expected.contains(focus))
            focus = focus->parentWidget();
        seen << focus;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(seen, expected);

    // Enter in the find box is a new line, not a move.
    w.Findme->setFocus();
    QTest::keyClicks(w.Findme, "a");
    QTest::keyClick(w.Findme, Qt::Key_Return);
    QTest::keyClicks(w.Findme, "b");
    QCOMPARE(w.Findme->toPlainText(), QString("a\nb"));
}

// Each control is named by the caption that stands for it on screen, the preview by the caption it has
// now; the captions themselves are checked above.
void MainWindowTest::screenReaderNames()
{
    sandbox->writeFile("a.txt", "x");
    auto w = testing::openWindow(*sandbox);
    QCOMPARE(testing::unnamedControls(*w).join(", "), QString());
    const auto heard = [&w] {
        QStringList names;
        for (QWidget* control : std::initializer_list<QWidget*> { w->Drive1, w->Dir1, w->lstFiles, w->Findme,
                 w->Replaceme, w->lstResults, w->rtftext->view(), w->Combo1, w->chkAll })
            names << testing::heardName(control);
        return names;
    };
    QCOMPARE(heard(),
        QStringList({ "Drive/Directory", "Drive/Directory", "Files in Directory", "Find What String",
            "Replace With String", "Results of Scan", "Preview", "File Type Manager", "Select All" }));
    w->lstFiles->setListIndex(0);
    QCOMPARE(heard().at(6), QString("Highlight the String to find"));
}

void MainWindowTest::startUp_data()
{
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QString>("seen");
    // clang-format off
    QTest::newRow("empty store") << QStringList {} << "0 . - - - 0 *.txt b.txt";
    QTest::newRow("saved choices") << QStringList { "Dir1=<work>/docs", "chkCase=1", "chkBackup=1", "combo1=1" } << "0 docs case - backup 1 *.doc letter.doc";
    QTest::newRow("minimized") << QStringList { "WinState=1" } << "1 . - - - 0 *.txt b.txt";
    QTest::newRow("maximized") << QStringList { "WinState=2" } << "2 . - - - 0 *.txt b.txt";
    QTest::newRow("not a window state") << QStringList { "WinState=3" } << "0 . - - - 0 *.txt b.txt";
    QTest::newRow("WinState not a number") << QStringList { "WinState=big" } << "0 . - - - 0 *.txt b.txt";
    QTest::newRow("chkCase not a number") << QStringList { "chkCase=yes" } << "0 . - - - 0 *.txt b.txt";
    QTest::newRow("chkCase out of range") << QStringList { "chkCase=7" } << "0 . - - - 0 *.txt b.txt";
    QTest::newRow("chkBackup greyed") << QStringList { "chkBackup=2" } << "0 . - - - 0 *.txt b.txt";
    QTest::newRow("no pattern entry") << QStringList { "combo1=-1" } << "0 . - - - -1 *.txt b.txt";
    QTest::newRow("entry beyond the list") << QStringList { "combo1=5" } << "0 . - - - -1 *.txt b.txt";
    QTest::newRow("entry not a short") << QStringList { "combo1=99999999999" } << "0 . - - - -1 *.txt b.txt";
    QTest::newRow("folder deleted") << QStringList { "Dir1=/no/such/folder", "chkCase=1" } << "0 . case - - 0 *.txt b.txt";
    // clang-format on
}

void MainWindowTest::startUp()
{
    QFETCH(QStringList, stored);
    QFETCH(QString, seen);
    writePatterns(*sandbox, "*.txt\r\n*.doc\r\n");
    for (const char* name : { "b.txt", "a.doc", "docs/letter.doc", "docs/notes.txt" })
        sandbox->writeFile(name, "x");
    for (const QString& entry : stored)
        sandbox->setSetting(
            entry.section('=', 0, 0), entry.section('=', 1).replace("<work>", sandbox->workFolder()));
    MainWindow w;
    w.start();
    QCOMPARE(restored(w, sandbox->workFolder()), seen);
    QCOMPARE(w.lstFiles->ListIndex(), -1);
    // The closing sequence writes clean values over odd ones.
    w.close();
    for (const char* key : { "chkCase", "chkWhlWrd", "chkBackup" })
        QVERIFY(QStringList({ "0", "1" }).contains(sandbox->setting(key)));
    QCOMPARE(sandbox->setting("WinState"), seen.left(1));
}

void MainWindowTest::openedFromOutside_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<bool>("dropped");
    QTest::addColumn<bool>("running");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("current");
    QTest::newRow("folder on the command line") << "docs" << false << false << "docs"
                                                << "";
    QTest::newRow("file on the command line") << "docs/notes.txt" << false << false << "docs"
                                              << "notes.txt";
    QTest::newRow("missing path: the saved folder") << "nope" << false << false << "."
                                                    << "";
    QTest::newRow("folder dropped") << "docs" << true << false << "docs"
                                    << "";
    QTest::newRow("file dropped") << "docs/notes.txt" << true << false << "docs"
                                  << "notes.txt";
    QTest::newRow("file the pattern hides, dropped") << "docs/letter.doc" << true << false << "docs"
                                                     << "";
    QTest::newRow("nothing dropped while a run works") << "docs" << true << true << "."
                                                       << "";
}

void MainWindowTest::openedFromOutside()
{
    QFETCH(QString, given);
    QFETCH(bool, dropped);
    QFETCH(bool, running);
    QFETCH(QString, folder);
    QFETCH(QString, current);
    testing::makeEntries(*sandbox, { "b.txt", "docs/a.txt", "docs/notes.txt", "docs/letter.doc" });
    sandbox->setSetting("Dir1", sandbox->workFolder());
    const QString path = QDir(sandbox->workFolder()).filePath(given);
    MainWindow w;
    w.start(dropped ? QString() : path);
    if (dropped) {
        w.runInProgress = running;
        QMimeData data;
        data.setUrls({ QUrl::fromLocalFile(path) });
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &enter);
        QCOMPARE(enter.isAccepted(), !running);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &drop);
        w.runInProgress = false;
    }
    QCOMPARE(QDir(sandbox->workFolder()).relativeFilePath(w.Dir1->Path()), folder);
    QCOMPARE(w.lstFiles->ListIndex() < 0 ? QString() : w.lstFiles->List(w.lstFiles->ListIndex()), current);
}

// A file left half-written by a rewrite in place that could not put its old bytes back (the file could
// grow no further than one block) gets them back at the next start, and the user is told in one message.
void MainWindowTest::startPutsBackAnInterruptedWrite()
{
    const QByteArray old = testing::linesOfCats();
    const QString file = sandbox->writeFile("linked.txt", old);
    QCOMPARE(testing::interruptRewrite(file), engine::SaveOutcome::NotRestored);

    MainWindow w;
    w.start();
    QCOMPARE(sandbox->prompts.messages.size(), std::size_t(1));
    QCOMPARE(sandbox->prompts.messages.front().title, QString("Interrupted Write"));
    QVERIFY(sandbox->prompts.messages.front().text.contains(file + " was restored"));
    QCOMPARE(sandbox->readFile("linked.txt"), old);
}

void MainWindowTest::closingSavesSixChoices_data()
{
    QTest::addColumn<bool>("byExit");
    QTest::newRow("Close button") << false;
    QTest::newRow("File > Exit") << true;
}

void MainWindowTest::closingSavesSixChoices()
{
    QFETCH(bool, byExit);
    sandbox->writeFile("sub/x.txt", "x");
    writePatterns(*sandbox, "*.txt\r\n*.log\r\n");
    MainWindow w;
    w.start();
    w.Dir1->setPath(QDir(sandbox->workFolder()).filePath("sub"));
    w.chkWhlWrd->setChecked(true);
    w.Combo1->setListIndex(1);
    w.Combo1->setText("*.md"); // a typed pattern leaves no entry selected
    w.setWindowState(2);
    if (byExit)
        w.mnuExit->trigger();
    else
        w.cmdClose->click();
    QVERIFY(!w.isVisible());
    QStringList values;
    for (const QString& key : sixKeys)
        values << sandbox->setting(key);
    QCOMPARE(values, QStringList({ QDir(sandbox->workFolder()).filePath("sub"), "0", "1", "0", "-1", "2" }));
}

void MainWindowTest::closingClosesOtherWindows()
{
    MainWindow w;
    w.start();
    QWidget other;
    other.setWindowTitle("About Textmend");
    other.show();
    w.close();
    QVERIFY(!other.isVisible());
}

void MainWindowTest::layoutFollowsTheWindow()
{
    MainWindow w;
    w.start();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // The first show gives the normal-size layout, not the initial arrangement.
    QCOMPARE(w.centralWidget()->size(), QSize(605, 453));
    QCOMPARE(w.Findme->width(), layout::toPixels(3345));
    QCOMPARE(w.rtftext->height(), layout::toPixels(2895));
    QCOMPARE(w.cmdClose->pos(), QPoint(layout::toPixels(7975), layout::toPixels(6395)));
    // The normal size is the smallest; the window may grow.
    QCOMPARE(w.minimumSize(), w.size());
    QCOMPARE(w.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));

    w.setWindowState(2);
    QTRY_VERIFY(w.centralWidget()->width() > 605);
    const int W = w.centralWidget()->width() * layout::twipsPerPixel;
    QTRY_COMPARE(w.arrangement()[layout::Findme].width, W - 5730);
    QCOMPARE(w.lstFiles->geometry(),
        QRect(layout::toPixels(2280), layout::toPixels(720), layout::toPixels(3255), layout::toPixels(2310)));

    const layout::Arrangement maximized = w.arrangement();
    w.setWindowState(1);
    QCOMPARE(w.arrangement(), maximized);

    w.setWindowState(0);
    QTRY_COMPARE(w.arrangement()[layout::Findme].width, 3345);
    QCOMPARE(w.arrangement()[layout::cmdClose].left, 7975);
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
