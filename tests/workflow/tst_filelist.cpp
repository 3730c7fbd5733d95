#include "engine/files/filenames.h"
#include "platform/combobox.h"
#include "platform/drivelist.h"
#include "support/windowtest.h"
#include "workflow/filelist.h"
#include "workflow/replacerun.h"

#include <fcntl.h>
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <sys/stat.h>
#include <unistd.h>

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
    void focusAfterPickingButNotTyping();
    void driveChanges();
    void folderNameNotUtf8();
};

// Entries are joined by "|"; names ending in "/" are made as folders, the others as files.
void FileListTest::listing_data()
{
    QTest::addColumn<QString>("entries");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("listed");
    // clang-format off
    QTest::newRow("order ignores case") << "c.txt|B.txt|a.txt" << "*.txt" << "a.txt|B.txt|c.txt";
    QTest::newRow("pattern ignores case") << "ONE.TXT|two.Txt|three.doc" << "*.txt" << "ONE.TXT|two.Txt";
    QTest::newRow("hidden, folders out") << ".secret.txt|notes.txt/|plain.txt|sub/" << "*.txt" << "plain.txt";
    QTest::newRow("question mark is one character") << "a1.txt|a12.txt|a.txt" << "a?.txt" << "a1.txt";
    QTest::newRow("star retried until the rest fits") << "xaxxb.txt|xaxbx.txt" << "*a*b.txt" << "xaxxb.txt";
    QTest::newRow("accented letters ignore case") << "ÉTÉ.txt|ete.txt" << "été.*" << "ÉTÉ.txt";
    QTest::newRow("star runs to the end only when asked") << "x.txt.bak|x.txt|x.txtx" << "*.txt" << "x.txt";
    QTest::newRow("no matching file") << "a.doc" << "*.txt" << "";
    QTest::newRow("empty pattern lists nothing") << "a.txt" << "" << "";
    QTest::newRow("pattern pointing into a subfolder") << "sub/|sub/a.txt|a.txt" << "sub/*.txt" << "";
    QTest::newRow("star dot star lists every file") << "README|a.txt|b.tar.gz|odd." << "*.*" << "a.txt|b.tar.gz|odd.|README";
    QTest::newRow("name dot star takes the bare name") << "notes|notes.txt|notesx|x.notes" << "NOTES.*" << "notes|notes.txt";
    QTest::newRow("star dot lists names without extension") << "README|Makefile|a.txt|odd." << "*." << "Makefile|odd.|README";
    QTest::newRow("brackets are no character class") << "[x].txt|x.txt" << "[x]*" << "[x].txt";
    QTest::newRow("several wildcards") << "a.txt|b.md|c.rtf|d.doc" << "*.txt;*.md; *.rtf" << "a.txt|b.md|c.rtf";
    QTest::newRow("a name two wildcards match is listed once") << "a.txt|A.TXT2" << "*.txt;*.TXT" << "a.txt";
    QTest::newRow("trailing separator") << "a.txt|b.md" << "*.txt;" << "a.txt";
    QTest::newRow("separator alone lists nothing") << "a.txt" << ";" << "";
    // clang-format on
}

void FileListTest::listing()
{
    QFETCH(QString, entries);
    QFETCH(QString, pattern);
    QFETCH(QString, listed);

    testing::Sandbox box;
    testing::makeEntries(box, entries.split('|'));
    auto w = testing::openWindow(box);
    w->Combo1->setText(pattern);
    QCOMPARE(listedNames(*w->lstFiles).join('|'), listed);
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
    testing::makeEntries(box, { "a.txt", "b.txt", "sub/c.txt" });
    auto w = testing::openWindow(box);

    w->lstFiles->setSelected(1, true);
    w->lstFiles->setListIndex(0);
    QCOMPARE(w->Label7->Caption(), QString("Highlight the String to find"));

    // One typed character rebuilds the list: every tick gone, the preview emptied.
    QTest::keyClick(w->Combo1->lineEdit(), Qt::Key_End);
    QTest::keyClick(w->Combo1->lineEdit(), Qt::Key_Backspace);
    QCOMPARE(listedNames(*w->lstFiles), QStringList {});
    QTest::keyClicks(w->Combo1->lineEdit(), "t");
    QCOMPARE(listedNames(*w->lstFiles), (QStringList { "a.txt", "b.txt" }));
    QCOMPARE(tickedNames(*w->lstFiles), QStringList {});
    QCOMPARE(testing::preview(*w), QString("Preview: "));

    // A folder change does the same.
    w->lstFiles->setListIndex(1);
    QVERIFY(w->Dir1->setPath(box.workFolder() + "/sub/"));
    QCOMPARE(listedNames(*w->lstFiles), QStringList { "c.txt" });
    QCOMPARE(w->lstFiles->ListIndex(), -1);
    QCOMPARE(testing::preview(*w), QString("Preview: "));
}

void FileListTest::selectAllAndDeselect()
{
    testing::Sandbox box;
    testing::makeEntries(box, { "a.txt", "b.txt", "c.txt" }, "text");
    auto w = testing::openWindow(box);
    w->lstFiles->setListIndex(2);

    w->mnuSelectAll->trigger();
    QCOMPARE(tickedNames(*w->lstFiles), (QStringList { "a.txt", "b.txt", "c.txt" }));
    QCOMPARE(w->lstFiles->ListIndex(), -1);
    QVERIFY(w->chkAll->isChecked());
    QCOMPARE(w->mnuSelectAll->text(), QString("&Deselect All Files"));
    // Selecting all leaves the preview alone.
    QCOMPARE(testing::preview(*w), QString("Highlight the String to find: text"));
    QVERIFY(w->lstFiles->updatesEnabled());

    w->mnuSelectAll->trigger();
    QCOMPARE(tickedNames(*w->lstFiles), QStringList {});
    QVERIFY(!w->chkAll->isChecked());
    QCOMPARE(w->mnuSelectAll->text(), QString("&Select All Files"));
    QCOMPARE(testing::preview(*w), QString("Preview: "));

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

    // Deselecting an empty list leaves the preview alone.
    w->Combo1->setText("*.none");
    w->rtftext->setText("kept");
    w->Label7->setCaption("Highlight the String to find");
    w->chkAll->setChecked(true);
    w->chkAll->setChecked(false);
    QCOMPARE(w->mnuSelectAll->text(), QString("&Select All Files"));
    QCOMPARE(testing::preview(*w), QString("Highlight the String to find: kept"));
}

void FileListTest::focusAfterPickingButNotTyping()
{
    testing::Sandbox box;
    testing::makeEntries(box, { "a.txt", "b.doc" });
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
    QVERIFY(testing::shownMessages(box).join('|').contains(gone));

    // A readable drive opens at its own current folder, its root the first time.
    box.writeFile("usb/b.txt", "b");
    const QString usb = box.workFolder() + "/usb";
    w->Drive1->addItem(usb);
    w->Drive1->setCurrentIndex(w->Drive1->findText(usb));
    QCOMPARE(w->Dir1->Path(), usb);
    QCOMPARE(listedNames(*w->lstFiles), QStringList { "b.txt" });
    QCOMPARE(testing::shownMessages(box).size(), 1);

    // Back on the first drive, the folder left there comes back.
    w->Drive1->setCurrentIndex(w->Drive1->findText(startDrive));
    QCOMPARE(w->Dir1->Path(), start);
}

// A folder named in another encoding than UTF-8 (an old archive's Latin-1 "café") is entered, its
// files listed and replaced, with the name's own bytes.
void FileListTest::folderNameNotUtf8()
{
    testing::Sandbox box;
    const QByteArray folder = QFile::encodeName(box.workFolder()) + "/caf\xe9";
    QCOMPARE(::mkdir(folder.constData(), 0755), 0);
    const int fd = ::open((folder + "/a.txt").constData(), O_CREAT | O_WRONLY, 0644);
    QVERIFY(fd >= 0 && ::write(fd, "a cat", 5) == 5);
    ::close(fd);
    auto w = testing::openWindow(box);
    QVERIFY(w->Dir1->setPath(engine::decodeFileName(folder)));
    QCOMPARE(w->Dir1->item(w->Dir1->ancestorCount() - 1)->text(), QString("caf\uFFFD"));
    QCOMPARE(listedNames(*w->lstFiles), QStringList { "a.txt" });
    w->lstFiles->setSelected(0, true);
    w->Findme->setPlainText("cat");
    w->Replaceme->setPlainText("dog");
    workflow::cmdReplace_Click(*w);
    QFile file;
    QVERIFY(file.open(
        ::open((folder + "/a.txt").constData(), O_RDONLY), QIODevice::ReadOnly, QFile::AutoCloseHandle));
    QCOMPARE(file.readAll(), QByteArray("a dog"));
    QVERIFY(testing::shownMessages(box).isEmpty());
    // The sandbox cannot remove a name that is not UTF-8.
    ::unlink((folder + "/a.txt").constData());
    ::rmdir(folder.constData());
}

QTEST_MAIN(FileListTest)
#include "tst_filelist.moc"
