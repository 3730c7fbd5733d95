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
};

namespace
{
QString entries(const platform::ComboBox& combo)
{
    QStringList list;
    for (int i = 0; i < combo.ListCount(); ++i)
        list << combo.List(i);
    return list.join('|');
}

QString patternFile(const testing::Sandbox& box)
{
    return box.programFolder() + "/cmb.ftl";
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}
} // namespace

void FileTypesTest::loading_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("CR LF lines") << QByteArray("*.txt\r\n*.doc\r\n") << "*.txt|*.doc";
    QTest::newRow("bare LF, no final end") << QByteArray("*.txt\n*.doc") << "*.txt|*.doc";
    QTest::newRow("comma ends a field") << QByteArray("*.txt,*.doc\r\n") << "*.txt|*.doc";
    QTest::newRow("leading blanks go") << QByteArray("   *.txt,  *.doc \r\n") << "*.txt|*.doc ";
    QTest::newRow("quotes keep commas") << QByteArray("\"a,b\",c\r\n\"*.md\"\r\n") << "a,b|c|*.md";
    QTest::newRow("empty, repeated lines") << QByteArray("*.txt\r\n\r\n*.txt\r\n") << "*.txt||*.txt";
    QTest::newRow("Windows-1252") << QByteArray("\x80\xe9.txt\r\n") << "\u20AC\u00e9.txt";
}

void FileTypesTest::loading()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    testing::Sandbox box;
    writeAll(patternFile(box), bytes);
    platform::ComboBox combo;
    combo.setText("*.txt");
    filetypes::Load_Combo(patternFile(box), combo);
    QCOMPARE(entries(combo), expected);
    QCOMPARE(combo.Text(), QString("*.txt"));
    QCOMPARE(combo.ListIndex(), -1);
}

void FileTypesTest::savingAndDeleting_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("picked"); // -1: a pattern is typed instead
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("selected");

    QTest::newRow("save new") << QByteArray("*.txt\r\n*.doc\r\n") << "save" << -1 << "*.rtf"
                              << "*.txt|*.doc|*.rtf"
                              << "*.rtf";
    QTest::newRow("save listed picks last") << QByteArray("*.doc\r\n*.txt\r\n") << "save" << -1 << "*.doc"
                                            << "*.doc|*.txt"
                                            << "*.txt";
    QTest::newRow("save empty") << QByteArray("*.txt\r\n*.doc\r\n") << "save" << -1 << ""
                                << "*.txt|*.doc"
                                << "*.doc";
    QTest::newRow("save upper case") << QByteArray("*.txt\r\n") << "save" << -1 << "*.TXT"
                                     << "*.txt|*.TXT"
                                     << "*.TXT";
    QTest::newRow("save cleans") << QByteArray("*.a\r\n\r\n*.b,*.a\r\n \r\n") << "save" << -1 << "*.c"
                                 << "*.a|*.b|*.c"
                                 << "*.c";
    QTest::newRow("save blanks") << QByteArray("*.txt\r\n") << "save" << -1 << "  "
                                 << "*.txt|  "
                                 << "  ";
    QTest::newRow("save creates file") << QByteArray() << "save" << -1 << "*.log"
                                       << "*.log"
                                       << "*.log";
    QTest::newRow("delete picked") << QByteArray("*.txt\r\n*.doc\r\n*.rtf\r\n") << "delete" << 1 << ""
                                   << "*.txt|*.rtf"
                                   << "*.txt";
    QTest::newRow("delete only") << QByteArray("*.txt\r\n") << "delete" << 0 << ""
                                 << ""
                                 << "";
    QTest::newRow("delete after typing")
        << QByteArray("*.doc\r\n\r\n*.doc\r\n*.txt\r\n") << "delete" << -1 << "*.x"
        << "*.doc|*.txt"
        << "*.doc";
}

void FileTypesTest::savingAndDeleting()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, button);
    QFETCH(int, picked);
    QFETCH(QString, typed);
    QFETCH(QString, after);
    QFETCH(QString, selected);

    testing::Sandbox box;
    if (!before.isEmpty())
        writeAll(patternFile(box), before);
    for (const char* name : { "a.txt", "b.doc", "c.rtf" })
        box.writeFile(name, "x");
    auto w = testing::openWindow(box);
    if (picked >= 0) {
        w->Combo1->setListIndex(picked);
    } else {
        w->Combo1->setText(QString());
        QTest::keyClicks(w->Combo1->lineEdit(), typed);
    }
    QTest::mouseClick(button == "save" ? w->cmdCmbAdd : w->cmdCmbDel, Qt::LeftButton);

    QCOMPARE(entries(*w->Combo1), after);
    QCOMPARE(readAll(patternFile(box)),
        after.isEmpty() ? QByteArray() : (after.split('|').join("\r\n") + "\r\n").toLatin1());
    QCOMPARE(w->Combo1->ListIndex(), after.isEmpty() ? -1 : int(after.split('|').indexOf(selected)));
    if (!after.isEmpty()) {
        QCOMPARE(w->Combo1->Text(), selected);
        // Picking the entry lists the folder for it.
        QCOMPARE(
            testing::listedNames(*w->lstFiles), QDir(box.workFolder()).entryList({ selected }, QDir::Files));
    }
}

void FileTypesTest::newExtension()
{
    testing::Sandbox box;
    writeAll(patternFile(box), "*.txt\r\n");
    for (const char* name : { "a.txt", "odd.", "plain" })
        box.writeFile(name, "x");
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
    // Typing goes on after the point; nothing joins the collection until Save, which writes 1252.
    QTest::keyClicks(w->Combo1->lineEdit(), "txt");
    QCOMPARE(testing::listedNames(*w->lstFiles), QStringList { "a.txt" });
    QCOMPARE(readAll(patternFile(box)), QByteArray("*.txt\r\n"));
    w->Combo1->setText("\u20AC.txt");
    w->cmdCmbAdd->click();
    QCOMPARE(readAll(patternFile(box)), QByteArray("*.txt\r\n\x80.txt\r\n"));
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

QTEST_MAIN(FileTypesTest)
#include "tst_filetypes.moc"
