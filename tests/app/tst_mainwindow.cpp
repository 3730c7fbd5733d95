#include "app/mainwindow.h"
#include "platform/checklist.h"
#include "platform/combobox.h"
#include "platform/drivelist.h"
#include "platform/folderlist.h"
#include "platform/label.h"
#include "richtext/rtftext.h"
#include "support/sandbox.h"

#include <memory>
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

namespace
{

const QStringList sixKeys = { "Dir1", "chkCase", "chkWhlWrd", "chkBackup", "combo1", "WinState" };

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
    void firstRunOnEmptyStore();
    void restoresChoices();
    void windowState_data();
    void windowState();
    void oddSettingsAreIgnored_data();
    void oddSettingsAreIgnored();
    void closingSavesSixChoices();
    void exitAndCloseSaveTheSame();
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

    const QStringList menus = { "&File", "  &Exit", "&Edit", "  &Process Files",
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

void MainWindowTest::firstRunOnEmptyStore()
{
    writePatterns(*sandbox, "*.txt\r\n*.doc\r\n");
    sandbox->writeFile("b.txt", "x");
    sandbox->writeFile("a.doc", "x");
    MainWindow w;
    w.start();
    QCOMPARE(w.WindowState(), 0);
    QCOMPARE(w.Dir1->Path(), QDir(sandbox->workFolder()).canonicalPath());
    QCOMPARE(w.Combo1->ListCount(), 2);
    QCOMPARE(w.Combo1->ListIndex(), 0);
    QCOMPARE(w.Combo1->Text(), QString("*.txt"));
    QCOMPARE(w.lstFiles->ListCount(), 1);
    QCOMPARE(w.lstFiles->List(0), QString("b.txt"));
    QCOMPARE(w.lstFiles->ListIndex(), -1);
}

void MainWindowTest::restoresChoices()
{
    writePatterns(*sandbox, "*.txt\r\n*.doc\r\n");
    sandbox->writeFile("docs/letter.doc", "x");
    sandbox->writeFile("docs/notes.txt", "x");
    sandbox->setSetting("Dir1", QDir(sandbox->workFolder()).filePath("docs"));
    sandbox->setSetting("chkCase", "1");
    sandbox->setSetting("chkWhlWrd", "0");
    sandbox->setSetting("chkBackup", "1");
    sandbox->setSetting("combo1", "1");
    MainWindow w;
    w.start();
    QCOMPARE(w.Dir1->Path(), QDir(sandbox->workFolder()).filePath("docs"));
    QVERIFY(w.chkCase->isChecked());
    QVERIFY(!w.chkWhlWrd->isChecked());
    QVERIFY(w.chkBackup->isChecked());
    QCOMPARE(w.Combo1->Text(), QString("*.doc"));
    QCOMPARE(w.lstFiles->ListCount(), 1);
    QCOMPARE(w.lstFiles->List(0), QString("letter.doc"));
}

void MainWindowTest::windowState_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("state");
    QTest::newRow("normal") << "0" << 0;
    QTest::newRow("minimized") << "1" << 1;
    QTest::newRow("maximized") << "2" << 2;
    QTest::newRow("not a state") << "3" << 0;
    QTest::newRow("not a number") << "big" << 0;
}

void MainWindowTest::windowState()
{
    QFETCH(QString, stored);
    QFETCH(int, state);
    sandbox->setSetting("WinState", stored);
    {
        MainWindow w;
        w.start();
        QCOMPARE(w.WindowState(), state);
        w.close();
    }
    QCOMPARE(sandbox->setting("WinState"), QString::number(state));
}

void MainWindowTest::oddSettingsAreIgnored_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("chkCase not a number") << "chkCase"
                                          << "yes";
    QTest::newRow("chkCase out of range") << "chkCase"
                                          << "7";
    QTest::newRow("chkBackup grey") << "chkBackup"
                                    << "2";
    QTest::newRow("combo1 none") << "combo1"
                                 << "-1";
    QTest::newRow("combo1 beyond the list") << "combo1"
                                            << "5";
    QTest::newRow("combo1 huge") << "combo1"
                                 << "99999999999";
    QTest::newRow("folder deleted") << "Dir1"
                                    << "/no/such/folder/anywhere";
}

void MainWindowTest::oddSettingsAreIgnored()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    writePatterns(*sandbox, "*.doc\r\n*.rtf\r\n");
    sandbox->setSetting(key, value);
    {
        MainWindow w;
        w.start();
        QVERIFY(!w.chkCase->isChecked() && !w.chkBackup->isChecked());
        QCOMPARE(w.Dir1->Path(), QDir(sandbox->workFolder()).canonicalPath());
        if (key == "combo1") {
            QCOMPARE(w.Combo1->ListIndex(), -1);
            QCOMPARE(w.Combo1->Text(), QString("*.txt"));
        } else {
            QCOMPARE(w.Combo1->ListIndex(), 0);
        }
        w.close();
    }
    // The next closing writes a clean value over the odd one.
    QCOMPARE(sandbox->setting("chkCase"), QString("0"));
    QCOMPARE(sandbox->setting("Dir1"), QDir(sandbox->workFolder()).canonicalPath());
}

void MainWindowTest::closingSavesSixChoices()
{
    sandbox->writeFile("sub/x.txt", "x");
    writePatterns(*sandbox, "*.txt\r\n");
    MainWindow w;
    w.start();
    w.Dir1->setPath(QDir(sandbox->workFolder()).filePath("sub"));
    w.chkWhlWrd->setChecked(true);
    w.Combo1->setText("*.md");
    w.setWindowState(2);
    w.cmdClose->click();
    QVERIFY(!w.isVisible());
    QCOMPARE(sandbox->setting("Dir1"), QDir(sandbox->workFolder()).filePath("sub"));
    QCOMPARE(sandbox->setting("chkCase"), QString("0"));
    QCOMPARE(sandbox->setting("chkWhlWrd"), QString("1"));
    QCOMPARE(sandbox->setting("chkBackup"), QString("0"));
    QCOMPARE(sandbox->setting("combo1"), QString("-1"));
    QCOMPARE(sandbox->setting("WinState"), QString("2"));
}

void MainWindowTest::exitAndCloseSaveTheSame()
{
    writePatterns(*sandbox, "*.txt\r\n*.log\r\n");
    auto run = [this](bool byExit) {
        MainWindow w;
        w.start();
        w.chkCase->setChecked(true);
        w.Combo1->setListIndex(1);
        if (byExit)
            w.mnuExit->trigger();
        else
            w.cmdClose->click();
        QStringList values { w.isVisible() ? "still open" : "closed" };
        for (const QString& key : sixKeys)
            values << sandbox->setting(key);
        return values;
    };
    const QStringList byClose = run(false);
    const QStringList byExit = run(true);
    QCOMPARE(byExit, byClose);
    QCOMPARE(byExit.at(0), QString("closed"));
    QCOMPARE(byExit.at(2), QString("1"));
    QCOMPARE(byExit.at(5), QString("1"));
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
    QCOMPARE(w.minimumSize(), w.maximumSize());

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
