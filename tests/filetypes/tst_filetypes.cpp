#include "filetypes/filetypes.h"
#include "platform/combobox.h"
#include "support/windowtest.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class FileTypesTest : public QObject
{
    Q_OBJECT
private slots:
    void loading_data();
    void loading();
    void saving_data();
    void saving();
    void deleting_data();
    void deleting();
    void newExtension();
    void unwritableFile();
};

namespace
{
QStringList entries(const platform::ComboBox& combo)
{
    QStringList list;
    for (int i = 0; i < combo.ListCount(); ++i)
        list << combo.List(i);
    return list;
}

void writePatternFile(const testing::Sandbox& box, const QByteArray& bytes)
{
    QFile file(box.programFolder() + "/cmb.ftl");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray patternFile(const testing::Sandbox& box)
{
    QFile file(box.programFolder() + "/cmb.ftl");
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
} // namespace

void FileTypesTest::loading_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("one pattern a line")
        << QByteArray("*.txt\r\n*.doc\r\n") << QStringList { "*.txt", "*.doc" };
    QTest::newRow("last line without an end")
        << QByteArray("*.txt\r\n*.doc") << QStringList { "*.txt", "*.doc" };
    QTest::newRow("bare line feeds") << QByteArray("*.txt\n*.doc\n") << QStringList { "*.txt", "*.doc" };
    QTest::newRow("comma ends a field") << QByteArray("*.txt,*.doc\r\n") << QStringList { "*.txt", "*.doc" };
    QTest::newRow("blanks before a field skipped")
        << QByteArray("   *.txt,  *.doc \r\n") << QStringList { "*.txt", "*.doc " };
    QTest::newRow("quotes keep commas and go")
        << QByteArray("\"a,b\",c\r\n\"*.md\"\r\n") << QStringList { "a,b", "c", "*.md" };
    QTest::newRow("empty and repeated lines kept")
        << QByteArray("*.txt\r\n\r\n*.txt\r\n") << QStringList { "*.txt", "", "*.txt" };
    QTest::newRow("Windows-1252 characters")
        << QByteArray("\x80.txt\r\n\xe9t\xe9.txt\r\n") << QStringList { "\u20AC.txt", "\u00e9t\u00e9.txt" };
    QTest::newRow("empty file") << QByteArray() << QStringList {};
}

void FileTypesTest::loading()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    testing::Sandbox box;
    writePatternFile(box, bytes);
    platform::ComboBox combo;
    combo.setText("*.txt");
    filetypes::Load_Combo(filetypes::patternFilePath(), combo);
    QCOMPARE(entries(combo), expected);
    QCOMPARE(combo.Text(), QString("*.txt"));
    QCOMPARE(combo.ListIndex(), -1);

    platform::ComboBox nothing;
    filetypes::Load_Combo(box.programFolder() + "/absent.ftl", nothing);
    QCOMPARE(nothing.ListCount(), 0);
}

void FileTypesTest::saving_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QString>("selected");

    QTest::newRow("new pattern") << QByteArray("*.txt\r\n*.doc\r\n") << "*.rtf"
                                 << QStringList { "*.txt", "*.doc", "*.rtf" }
                                 << QByteArray("*.txt\r\n*.doc\r\n*.rtf\r\n") << "*.rtf";
    QTest::newRow("pattern already listed picks the last entry")
        << QByteArray("*.doc\r\n*.txt\r\n") << "*.doc" << QStringList { "*.doc", "*.txt" }
        << QByteArray("*.doc\r\n*.txt\r\n") << "*.txt";
    QTest::newRow("empty pattern adds nothing")
        << QByteArray("*.txt\r\n*.doc\r\n") << "" << QStringList { "*.txt", "*.doc" }
        << QByteArray("*.txt\r\n*.doc\r\n") << "*.doc";
    QTest::newRow("case counts") << QByteArray("*.txt\r\n") << "*.TXT" << QStringList { "*.txt", "*.TXT" }
                                 << QByteArray("*.txt\r\n*.TXT\r\n") << "*.TXT";
    QTest::newRow("comma line saved as two lines")
        << QByteArray("*.txt,*.doc\r\n") << "*.md" << QStringList { "*.txt", "*.doc", "*.md" }
        << QByteArray("*.txt\r\n*.doc\r\n*.md\r\n") << "*.md";
    QTest::newRow("blank and repeated entries cleaned")
        << QByteArray("*.txt\r\n\r\n*.txt\r\n*.doc\r\n\r\n") << "*.doc" << QStringList { "*.txt", "*.doc" }
        << QByteArray("*.txt\r\n*.doc\r\n") << "*.doc";
    QTest::newRow("first of equal entries stays")
        << QByteArray("*.a\r\n*.b\r\n*.a\r\n") << "*.c" << QStringList { "*.a", "*.b", "*.c" }
        << QByteArray("*.a\r\n*.b\r\n*.c\r\n") << "*.c";
    QTest::newRow("blank entries are not empty")
        << QByteArray(" \r\n") << "  " << QStringList { "  " } << QByteArray("  \r\n") << "  ";
    QTest::newRow("first pattern creates the file")
        << QByteArray() << "*.log" << QStringList { "*.log" } << QByteArray("*.log\r\n") << "*.log";
    QTest::newRow("written in Windows-1252")
        << QByteArray() << "\u20AC\u00e9.txt" << QStringList { "\u20AC\u00e9.txt" }
        << QByteArray("\x80\xe9.txt\r\n") << "\u20AC\u00e9.txt";
}

void FileTypesTest::saving()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, typed);
    QFETCH(QStringList, after);
    QFETCH(QByteArray, written);
    QFETCH(QString, selected);

    testing::Sandbox box;
    if (!before.isEmpty())
        writePatternFile(box, before);
    box.writeFile("a.txt", "a");
    box.writeFile("b.doc", "b");
    box.writeFile("c.rtf", "c");
    auto w = testing::openWindow(box);
    w->Combo1->setText(typed);
    QTest::mouseClick(w->cmdCmbAdd, Qt::LeftButton);

    QCOMPARE(entries(*w->Combo1), after);
    QCOMPARE(patternFile(box), written);
    QCOMPARE(w->Combo1->Text(), selected);
    QCOMPARE(w->Combo1->ListIndex(), after.indexOf(selected));
    // Picking the entry lists the folder for it.
    const QStringList expected = QDir(box.workFolder()).entryList({ selected }, QDir::Files);
    QCOMPARE(testing::listedNames(*w->lstFiles), expected);
}

void FileTypesTest::deleting_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<int>("picked"); // -1: the user types a pattern instead of picking
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<int>("selected");

    QTest::newRow("picked entry removed, first selected")
        << QByteArray("*.txt\r\n*.doc\r\n*.rtf\r\n") << 1 << QStringList { "*.txt", "*.rtf" }
        << QByteArray("*.txt\r\n*.rtf\r\n") << 0;
    QTest::newRow("only entry") << QByteArray("*.txt\r\n") << 0 << QStringList {} << QByteArray() << -1;
    QTest::newRow("after typing nothing removed but still cleaned")
        << QByteArray("*.doc\r\n\r\n*.doc\r\n*.txt\r\n") << -1 << QStringList { "*.doc", "*.txt" }
        << QByteArray("*.doc\r\n*.txt\r\n") << 0;
    QTest::newRow("removing the first of two equal entries")
        << QByteArray("*.txt\r\n*.doc\r\n*.txt\r\n") << 0 << QStringList { "*.doc", "*.txt" }
        << QByteArray("*.doc\r\n*.txt\r\n") << 0;
}

void FileTypesTest::deleting()
{
    QFETCH(QByteArray, before);
    QFETCH(int, picked);
    QFETCH(QStringList, after);
    QFETCH(QByteArray, written);
    QFETCH(int, selected);

    testing::Sandbox box;
    writePatternFile(box, before);
    auto w = testing::openWindow(box);
    if (picked >= 0) {
        w->Combo1->setListIndex(picked);
    } else {
        w->Combo1->setFocus();
        testing::typeInto(w->Combo1->lineEdit(), "x");
    }
    QTest::mouseClick(w->cmdCmbDel, Qt::LeftButton);

    QCOMPARE(entries(*w->Combo1), after);
    QCOMPARE(patternFile(box), written);
    QCOMPARE(w->Combo1->ListIndex(), selected);
    if (selected >= 0)
        QCOMPARE(w->Combo1->Text(), after[selected]);
}

void FileTypesTest::newExtension()
{
    testing::Sandbox box;
    writePatternFile(box, "*.txt\r\n");
    box.writeFile("a.txt", "a");
    box.writeFile("odd.", "o");
    box.writeFile("plain", "p");
    auto w = testing::openWindow(box);
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));

    w->mnuNewExt->trigger();
    QCOMPARE(w->Combo1->Text(), QString("*."));
    QCOMPARE(w->Combo1->ListIndex(), -1);
    QVERIFY(w->Combo1->hasFocus());
    QCOMPARE(w->Combo1->lineEdit()->cursorPosition(), 2);
    QVERIFY(!w->Combo1->lineEdit()->hasSelectedText());
    QCOMPARE(testing::listedNames(*w->lstFiles), QStringList { "odd." });
    // Typing goes on after the point; nothing joins the collection until Save.
    testing::typeInto(w->Combo1->lineEdit(), "txt");
    QCOMPARE(testing::listedNames(*w->lstFiles), QStringList { "a.txt" });
    QCOMPARE(patternFile(box), QByteArray("*.txt\r\n"));
    QCOMPARE(w->Combo1->ListCount(), 1);
}

void FileTypesTest::unwritableFile()
{
    testing::Sandbox box;
    // A folder where the file should be: it can be neither read nor replaced.
    QDir(box.programFolder()).mkdir("cmb.ftl");
    auto w = testing::openWindow(box);
    QCOMPARE(w->Combo1->ListCount(), 0);
    QCOMPARE(w->Combo1->Text(), QString("*.txt"));

    w->Combo1->setText("*.md");
    w->cmdCmbAdd->click();
    QCOMPARE(entries(*w->Combo1), QStringList { "*.md" });
    QCOMPARE(w->Combo1->ListIndex(), 0);
    QVERIFY(QFileInfo(box.programFolder() + "/cmb.ftl").isDir());
    QVERIFY(box.prompts.messages.empty());
}

QTEST_MAIN(FileTypesTest)
#include "tst_filetypes.moc"
