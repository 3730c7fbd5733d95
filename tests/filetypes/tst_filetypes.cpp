#include "fileops/files.h"
#include "filetypes/filetypes.h"
#include "platform/combobox.h"
#include "support/windowtest.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

// Entries are written joined by "|" in the tables below.
class FileTypesTest : public QObject
{
    Q_OBJECT
private slots:
    void loading_data();
    void loading();
    void savingAndDeleting_data();
    void savingAndDeleting();
    void newExtension();
    void fileThatCannotBeWritten();
    void installedProgramKeepsEachUsersOwn();
};

static QString entries(const platform::ComboBox& combo)
{
    return testing::listedNames(combo).join('|');
}

void FileTypesTest::loading_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("CR LF lines") << QByteArray("*.txt\r\n*.doc\r\n") << "*.txt|*.doc";
    QTest::newRow("bare LF, no final end") << QByteArray("*.txt\n*.doc") << "*.txt|*.doc";
    QTest::newRow("comma ends a field") << QByteArray("*.txt,*.doc\r\n") << "*.txt|*.doc";
    QTest::newRow("leading blanks go") << QByteArray("   *.txt,  *.doc \r\n") << "*.txt|*.doc ";
    QTest::newRow("quotes keep commas") << QByteArray("\"a,b\",c\r\n\"*.md\"\r\n") << "a,b|c|*.md";
    QTest::newRow("blank lines dropped, repeats kept")
        << QByteArray("*.txt\r\n\r\n ,*.txt\r\n") << "*.txt|*.txt";
    QTest::newRow("UTF-8") << QByteArray("*.ma\xc3\xb1"
                                         "ana\r\n*.\xd0\xb4\xd0\xbe\xd0\xba\r\n")
                           << "*.ma\u00f1ana|*.\u0434\u043e\u043a";
    QTest::newRow("UTF-8 byte order mark") << QByteArray("\xef\xbb\xbf*.txt\r\n") << "*.txt";
    QTest::newRow("not UTF-8: Windows-1252") << QByteArray("\x80\xe9.txt\r\n") << "\u20AC\u00e9.txt";
}

void FileTypesTest::loading()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    testing::Sandbox box;
    platform::ComboBox combo;
    combo.setText("*.txt");
    filetypes::Load_Combo(box.writeFile(box.programFolder() + "/cmb.ftl", bytes), combo);
    QCOMPARE(entries(combo), expected);
    QCOMPARE(combo.Text(), QString("*.txt"));
    QCOMPARE(combo.ListIndex(), -1);
}

// Each line of cmb.ftl is written here followed by "|". The action is "save " and what is typed,
// "delete " and what is typed, or "delete #" and the entry picked.
void FileTypesTest::savingAndDeleting_data()
{
    QTest::addColumn<QString>("before"); // empty: there is no cmb.ftl
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("selected");
    // clang-format off
    QTest::newRow("save new") << "*.txt|*.doc|" << "save *.rtf" << "*.txt|*.doc|*.rtf|" << "*.rtf";
    QTest::newRow("save listed picks last") << "*.doc|*.txt|" << "save *.doc" << "*.doc|*.txt|" << "*.txt";
    QTest::newRow("save empty") << "*.txt|*.doc|" << "save " << "*.txt|*.doc|" << "*.doc";
    QTest::newRow("save upper case") << "*.txt|" << "save *.TXT" << "*.txt|*.TXT|" << "*.TXT";
    QTest::newRow("save cleans") << "*.a||*.b,*.a| |" << "save *.c" << "*.a|*.b|*.c|" << "*.c";
    QTest::newRow("save blanks") << "*.txt|" << "save   " << "*.txt|  |" << "  ";
    QTest::newRow("save keeps every character") << "*.txt|" << "save *.док" << "*.txt|*.док|" << "*.док";
    QTest::newRow("save several wildcards as one") << "*.txt|" << "save *.txt;*.md" << "*.txt|*.txt;*.md|" << "*.txt;*.md";
    QTest::newRow("save creates file") << "" << "save *.log" << "*.log|" << "*.log";
    QTest::newRow("delete picked") << "*.txt|*.doc|*.rtf|" << "delete #1" << "*.txt|*.rtf|" << "*.txt";
    QTest::newRow("delete only") << "*.txt|" << "delete #0" << "" << "";
    QTest::newRow("delete typed") << "*.doc||*.doc|*.txt|" << "delete *.x" << "*.doc|*.txt|" << "*.doc";
    // clang-format on
}

void FileTypesTest::savingAndDeleting()
{
    QFETCH(QString, before);
    QFETCH(QString, action);
    QFETCH(QString, after);
    QFETCH(QString, selected);

    testing::Sandbox box;
    const QString ftl = box.programFolder() + "/cmb.ftl";
    if (!before.isEmpty())
        box.writeFile(ftl, before.replace('|', "\r\n").toUtf8());
    testing::makeEntries(box, { "a.txt", "b.doc", "c.rtf", "d.док" });
    auto w = testing::openWindow(box);
    const QString typed = action.section(' ', 1);
    if (typed.startsWith('#')) {
        w->Combo1->setListIndex(typed.mid(1).toInt());
    } else {
        w->Combo1->setText(QString());
        // One key per character, each carrying its text, as a keyboard of any language types it.
        for (const QChar c : typed)
            QTest::sendKeyEvent(QTest::Click, w->Combo1->lineEdit(), Qt::Key_unknown, QString(c), {});
    }
    QTest::mouseClick(action.startsWith("save") ? w->cmdCmbAdd : w->cmdCmbDel, Qt::LeftButton);

    const QStringList listed = after.split('|', Qt::SkipEmptyParts);
    QCOMPARE(entries(*w->Combo1) + (after.isEmpty() ? "" : "|"), after);
    QCOMPARE(box.readFile(ftl), after.replace('|', "\r\n").toUtf8());
    QCOMPARE(w->Combo1->ListIndex(), int(listed.indexOf(selected)));
    if (!after.isEmpty()) {
        QCOMPARE(w->Combo1->Text(), selected);
        // Picking the entry lists the folder for it.
        QCOMPARE(testing::listedNames(*w->lstFiles),
            QDir(box.workFolder()).entryList(selected.split(';'), QDir::Files));
    }
}

void FileTypesTest::newExtension()
{
    testing::Sandbox box;
    const QString ftl = box.writeFile(box.programFolder() + "/cmb.ftl", "*.txt\r\n");
    testing::makeEntries(box, { "a.txt", "odd.", "plain" });
    auto w = testing::openWindow(box);
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));

    w->mnuNewExt->trigger();
    QCOMPARE(w->Combo1->Text(), QString("*."));
    QCOMPARE(w->Combo1->ListIndex(), -1);
    QVERIFY(w->Combo1->hasFocus());
    QCOMPARE(testing::listedNames(*w->lstFiles), QStringList({ "odd.", "plain" }));
    // Typing goes on after the point, nothing selected; nothing joins the collection until Save, which
    // writes UTF-8.
    QTest::keyClicks(w->Combo1->lineEdit(), "txt");
    QCOMPARE(testing::listedNames(*w->lstFiles), QStringList { "a.txt" });
    QCOMPARE(box.readFile(ftl), QByteArray("*.txt\r\n"));
    w->Combo1->setText("\u20AC.txt");
    w->cmdCmbAdd->click();
    QCOMPARE(box.readFile(ftl), QByteArray("*.txt\r\n\xe2\x82\xac.txt\r\n"));
}

void FileTypesTest::fileThatCannotBeWritten()
{
    testing::Sandbox box;
    QDir(box.programFolder()).mkdir("cmb.ftl");
    auto w = testing::openWindow(box);
    QCOMPARE(w->Combo1->Text(), QString("*.txt"));
    w->Combo1->setText("*.md");
    w->cmdCmbAdd->click();
    QCOMPARE(entries(*w->Combo1), QString("*.md"));
    QCOMPARE(w->Combo1->ListIndex(), 0);
    QVERIFY(box.prompts.messages.empty());
}

// Installed, the program's folder is not the user's: the default collection shipped with it seeds the
// list, and Save and Delete keep the user's own in $XDG_DATA_HOME/Textmend, where the next start finds it.
void FileTypesTest::installedProgramKeepsEachUsersOwn()
{
    testing::Sandbox box;
    const QString root = box.workFolder() + "/root", shipped = root + "/usr/share/textmend/cmb.ftl";
    QDir().mkpath(root + "/usr/bin");
    box.writeFile(shipped, "*.txt\r\n*.doc\r\n");
    platform::setProgramFolder(root + "/usr/bin");
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(box.workFolder() + "/data"));
    const QString own = box.workFolder() + "/data/Textmend/cmb.ftl";

    auto w = testing::openWindow(box);
    QCOMPARE(entries(*w->Combo1), QString("*.txt|*.doc"));
    w->Combo1->setText("*.md");
    QTest::mouseClick(w->cmdCmbAdd, Qt::LeftButton);
    w->close();
    w = testing::openWindow(box);
    const QString seen = entries(*w->Combo1);
    w->Combo1->setListIndex(0);
    QTest::mouseClick(w->cmdCmbDel, Qt::LeftButton);
    w->close();
    qputenv("XDG_DATA_HOME", dataHome);

    QCOMPARE(seen, QString("*.txt|*.doc|*.md"));
    QCOMPARE(box.readFile(own), QByteArray("*.doc\r\n*.md\r\n"));
    QCOMPARE(box.readFile(shipped), QByteArray("*.txt\r\n*.doc\r\n"));
    QCOMPARE(QDir(root + "/usr/bin").entryList(QDir::Files), QStringList {});
}

QTEST_MAIN(FileTypesTest)
#include "tst_filetypes.moc"
