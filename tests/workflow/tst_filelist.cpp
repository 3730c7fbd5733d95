#include "platform/combobox.h"
#include "platform/drivelist.h"
#include "platform/folderlist.h"
#include "platform/label.h"
#include "richtext/rtftext.h"
#include "support/windowtest.h"
#include "workflow/filelist.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <sys/stat.h>

using testing::listedNames;
using testing::tickedNames;

class FileListTest : public QObject
{
    Q_OBJECT
private slots:
    void listing_data();
    void listing();
    void specialEntries();
    void searchPathAtRoot();
    void rebuildDropsTicksAndPreview();
    void selectAllAndDeselect();
    void deselectOnEmptyList();
    void focusAfterPickingButNotTyping();
    void driveChanges();
};

// Names ending in "/" are made as folders; the others as files.
void FileListTest::listing_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("listed");

    QTest::newRow("order ignores case")
        << QStringList { "c.txt", "B.txt", "a.txt" } << "*.txt" << QStringList { "a.txt", "B.txt", "c.txt" };
    QTest::newRow("pattern ignores case") << QStringList { "ONE.TXT", "two.Txt", "three.doc" } << "*.txt"
                                          << QStringList { "ONE.TXT", "two.Txt" };
    QTest::newRow("hidden files and folders left out") << QStringList { ".secret.txt", "notes.txt/",
        "plain.txt", "sub/" } << "*.txt" << QStringList { "plain.txt" };
    QTest::newRow("question mark is one character")
        << QStringList { "a1.txt", "a12.txt", "a.txt" } << "a?.txt" << QStringList { "a1.txt" };
    QTest::newRow("star retried until the rest fits")
        << QStringList { "xaxxb.txt", "xaxbx.txt" } << "*a*b.txt" << QStringList { "xaxxb.txt" };
    QTest::newRow("accented letters ignore case") << QStringList { "\u00C9T\u00C9.txt", "ete.txt" }
                                                  << "\u00e9t\u00e9.*" << QStringList { "\u00C9T\u00C9.txt" };
    QTest::newRow("star runs to the end only when asked")
        << QStringList { "x.txt.bak", "x.txt", "x.txtx" } << "*.txt" << QStringList { "x.txt" };
    QTest::newRow("no matching file") << QStringList { "a.doc" } << "*.txt" << QStringList {};
    QTest::newRow("empty pattern lists nothing") << QStringList { "a.txt" } << "" << QStringList {};
    QTest::newRow("pattern pointing into a subfolder")
        << QStringList { "sub/", "sub/a.txt", "a.txt" } << "sub/*.txt" << QStringList {};
    QTest::newRow("brackets are no character class")
        << QStringList { "[x].txt", "x.txt" } << "[x]*" << QStringList { "[x].txt" };
}

void FileListTest::listing()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, pattern);
    QFETCH(QStringList, listed);

    testing::Sandbox box;
    for (const QString& entry : entries) {
        if (entry.endsWith('/'))
            QDir(box.workFolder()).mkpath(entry);
        else
            box.writeFile(entry, "x");
    }
    auto w = testing::openWindow(box);
    w->Combo1->setText(pattern);
    QCOMPARE(listedNames(*w->lstFiles), listed);
    QCOMPARE(w->lstFiles->ListIndex(), -1);
    QVERIFY(box.prompts.messages.empty());
}

void FileListTest::specialEntries()
{
    testing::Sandbox box;
    const QString readOnly = box.writeFile("locked.txt", "x");
    QFile::setPermissions(readOnly, QFile::ReadOwner);
    const QString target = box.writeFile("target.txt", "x");
    QFile::link(target, box.workFolder() + "/link.txt");
    QFile::link(box.workFolder() + "/gone", box.workFolder() + "/dangling.txt");
    QDir(box.workFolder()).mkdir("folder");
    QFile::link(box.workFolder() + "/folder", box.workFolder() + "/folderlink.txt");
    QCOMPARE(mkfifo(QFile::encodeName(box.workFolder() + "/pipe.txt").constData(), 0600), 0);

    auto w = testing::openWindow(box);
    QCOMPARE(listedNames(*w->lstFiles), (QStringList { "link.txt", "locked.txt", "target.txt" }));

    // A folder that cannot be listed adds nothing and says nothing.
    workflow::FillFileList(*w, *w->lstFiles, box.workFolder() + "/missing");
    QCOMPARE(w->lstFiles->ListCount(), 3);
    QVERIFY(box.prompts.messages.empty());
}

void FileListTest::searchPathAtRoot()
{
    QCOMPARE(workflow::searchPath("/", "*.txt"), QString("/*.txt"));
    QCOMPARE(workflow::searchPath("/home/ann", "*.txt"), QString("/home/ann/*.txt"));
}

void FileListTest::rebuildDropsTicksAndPreview()
{
    testing::Sandbox box;
    box.writeFile("a.txt", "alpha");
    box.writeFile("b.txt", "beta");
    box.writeFile("sub/c.txt", "gamma");
    auto w = testing::openWindow(box);

    w->lstFiles->setSelected(1, true);
    w->lstFiles->setListIndex(0);
    QCOMPARE(w->Label7->Caption(), QString("Highlight the String to find"));

    // One typed character rebuilds the list: every tick gone, the preview emptied.
    QTest::keyClick(w->Combo1->lineEdit(), Qt::Key_End);
    QTest::keyClick(w->Combo1->lineEdit(), Qt::Key_Backspace);
    QCOMPARE(w->Combo1->Text(), QString("*.tx"));
    QCOMPARE(w->Combo1->ListIndex(), -1);
    QCOMPARE(listedNames(*w->lstFiles), QStringList {});
    QTest::keyClicks(w->Combo1->lineEdit(), "t");
    QCOMPARE(listedNames(*w->lstFiles), (QStringList { "a.txt", "b.txt" }));
    QCOMPARE(tickedNames(*w->lstFiles), QStringList {});
    QCOMPARE(w->Label7->Caption(), QString("Preview"));
    QCOMPARE(w->rtftext->Text(), QString());

    // A folder change does the same.
    w->lstFiles->setListIndex(1);
    QVERIFY(w->Dir1->setPath(box.workFolder() + "/sub/"));
    QCOMPARE(w->Dir1->Path(), box.workFolder() + "/sub");
    QCOMPARE(listedNames(*w->lstFiles), QStringList { "c.txt" });
    QCOMPARE(w->lstFiles->ListIndex(), -1);
    QCOMPARE(w->Label7->Caption(), QString("Preview"));
    QCOMPARE(w->rtftext->Text(), QString());
}

void FileListTest::selectAllAndDeselect()
{
    testing::Sandbox box;
    for (const char* name : { "a.txt", "b.txt", "c.txt" })
        box.writeFile(name, "text");
    auto w = testing::openWindow(box);
    w->lstFiles->setListIndex(2);

    w->mnuSelectAll->trigger();
    QCOMPARE(tickedNames(*w->lstFiles), (QStringList { "a.txt", "b.txt", "c.txt" }));
    QCOMPARE(w->lstFiles->ListIndex(), -1);
    QVERIFY(w->chkAll->isChecked());
    QCOMPARE(w->mnuSelectAll->text(), QString("&Deselect All Files"));
    // Selecting all leaves the preview alone.
    QCOMPARE(w->rtftext->Text(), QString("text"));
    QCOMPARE(w->Label7->Caption(), QString("Highlight the String to find"));
    QVERIFY(w->lstFiles->updatesEnabled());

    w->mnuSelectAll->trigger();
    QCOMPARE(tickedNames(*w->lstFiles), QStringList {});
    QVERIFY(!w->chkAll->isChecked());
    QCOMPARE(w->mnuSelectAll->text(), QString("&Select All Files"));
    QCOMPARE(w->rtftext->Text(), QString());
    QCOMPARE(w->Label7->Caption(), QString("Preview"));

    // The check box drives the same branches, and a rebuild resets neither it nor the menu.
    QTest::mouseClick(w->chkAll, Qt::LeftButton);
    QCOMPARE(w->lstFiles->SelCount(), 3);
    w->Combo1->setText("*.TXT");
    QVERIFY(w->chkAll->isChecked());
    QCOMPARE(w->mnuSelectAll->text(), QString("&Deselect All Files"));
    QCOMPARE(w->lstFiles->SelCount(), 0);
    w->lstFiles->setSelected(0, true);
    w->mnuSelectAll->trigger();
    QVERIFY(!w->chkAll->isChecked());
    QCOMPARE(w->lstFiles->SelCount(), 0);
}

void FileListTest::deselectOnEmptyList()
{
    testing::Sandbox box;
    auto w = testing::openWindow(box);
    QCOMPARE(w->lstFiles->ListCount(), 0);
    w->rtftext->setText("kept");
    w->Label7->setCaption("Highlight the String to find");

    w->chkAll->setChecked(true);
    w->chkAll->setChecked(false);
    QCOMPARE(w->mnuSelectAll->text(), QString("&Select All Files"));
    QCOMPARE(w->rtftext->Text(), QString("kept"));
    QCOMPARE(w->Label7->Caption(), QString("Highlight the String to find"));
}

void FileListTest::focusAfterPickingButNotTyping()
{
    testing::Sandbox box;
    box.writeFile("a.txt", "a");
    box.writeFile("b.doc", "b");
    auto w = testing::openWindow(box);
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    w->Combo1->AddItem("*.txt");
    w->Combo1->AddItem("*.doc");

    w->Combo1->setFocus();
    QTest::keyClicks(w->Combo1->lineEdit(), "x");
    QVERIFY(w->Combo1->hasFocus());

    w->Combo1->setListIndex(1);
    QCOMPARE(w->Combo1->Text(), QString("*.doc"));
    QCOMPARE(listedNames(*w->lstFiles), QStringList { "b.doc" });
    QVERIFY(w->Command1->hasFocus());
}

void FileListTest::driveChanges()
{
    testing::Sandbox box;
    box.writeFile("a.txt", "a");
    auto w = testing::openWindow(box);
    const QString start = w->Dir1->Path();
    const QString startDrive = w->Drive1->Drive();

    // A drive that went away between listing and choosing it: nothing moves, the user is told.
    const QString gone = box.workFolder() + "/unmounted";
    w->Drive1->addItem(gone);
    w->Drive1->setCurrentIndex(w->Drive1->findText(gone));
    QCOMPARE(w->Dir1->Path(), start);
    QCOMPARE(w->Drive1->Drive(), startDrive);
    QCOMPARE(listedNames(*w->lstFiles), QStringList { "a.txt" });
    QCOMPARE(int(box.prompts.messages.size()), 1);
    QVERIFY(box.prompts.messages[0].text.contains(gone));

    // A readable drive opens at its own current folder, its root the first time.
    QDir(box.workFolder()).mkdir("usb");
    box.writeFile("usb/b.txt", "b");
    const QString usb = box.workFolder() + "/usb";
    w->Drive1->addItem(usb);
    w->Drive1->setCurrentIndex(w->Drive1->findText(usb));
    QCOMPARE(w->Dir1->Path(), usb);
    QCOMPARE(listedNames(*w->lstFiles), QStringList { "b.txt" });
    QCOMPARE(int(box.prompts.messages.size()), 1);

    // Back on the first drive, the folder left there comes back.
    w->Drive1->setCurrentIndex(w->Drive1->findText(startDrive));
    QCOMPARE(w->Dir1->Path(), start);
}

QTEST_MAIN(FileListTest)
#include "tst_filelist.moc"
