// Taking back exactly what a write changed, through a journal file, for every format.
#include "doc_testing.h"
#include "engine/runjournal/runjournal.h"

#include <QtTest>

using engine::RunJournal;
using engine::UndoOutcome;

class RunJournalTest : public QObject
{
    Q_OBJECT
private slots:
    void takeBack_data();
    void takeBack();
    void refused_data();
    void refused();
    void damagedJournal();
    void memoryShare();
};

namespace
{
// Replaces every `find` by `with` in the file at `path` and writes it, with its journal.
RunJournal run(const QString& path, const QString& find, const QString& with, int options = 0)
{
    engine::Document doc;
    if (doc.load(path, engine::LoadMode::RichOrText) != engine::LoadOutcome::Loaded)
        qFatal("cannot load %s", qPrintable(path));
    const int count = doctest::replaceAll(doc, find, with, options);
    engine::ByteChanges changes;
    if (doc.save(path, doc.isRich() ? engine::rtfRTF : engine::rtfText, &changes)
        != engine::SaveOutcome::Written)
        qFatal("cannot write %s: %s", qPrintable(path), qPrintable(doc.errorString()));
    RunJournal journal;
    journal.add(path, count, std::move(changes));
    return journal;
}
} // namespace

void RunJournalTest::takeBack_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("with");
    // clang-format off
    QTest::newRow("the replacement was there before") << QByteArray("cat dog cat") << "cat" << "dog";
    QTest::newRow("a deletion") << QByteArray("a cat, b cat.") << "cat" << "";
    QTest::newRow("adjacent") << QByteArray("catcatcat") << "cat" << "c";
    QTest::newRow("a line break put in, CRLF") << QByteArray("x\r\ncat\r\n") << "cat" << "a\nb";
    QTest::newRow("a lone CR that comes to meet an LF") << QByteArray("x\rcat\ny") << "cat" << "";
    QTest::newRow("UTF-16 with a byte order mark") << QByteArray("\xFF\xFE" "c\0a\0t\0 \0c\0a\0t\0", 16) << "cat" << "\u00E9t\u00E9";
    QTest::newRow("Windows-1252") << QByteArray("caf\xE9 cat") << "cat" << "chat";
    QTest::newRow("UTF-8 with accents") << QByteArray("\xC3\xA9t\xC3\xA9 cat \xC3\xA9t\xC3\xA9") << "\u00E9t\u00E9" << "summer";
    QTest::newRow("RTF across formatting") << QByteArray("{\\rtf1 {\\b ca}t and cat\\par}") << "cat" << "dog";
    QTest::newRow("RTF, a space ends a control word") << QByteArray("{\\rtf1 x\\par-cat}") << "cat" << "1";
    QTest::newRow("RTF, a tab put in") << QByteArray("{\\rtf1 \\b cat\\b0 cat}") << "cat" << "a\tb";
    QTest::newRow("RTF, the last character deleted") << QByteArray("{\\rtf1 cat}") << "cat" << "";
    QTest::newRow("longer than a piece read at a time") << QByteArray("a cat among many other words, to fill a line\n").repeated(200000) << "cat" << "dog";
    // clang-format on
}

void RunJournalTest::takeBack()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, find);
    QFETCH(QString, with);
    QTemporaryDir dir;
    const QString path = doctest::writeFile(dir, "a", before);
    const QString journalFile = dir.filePath("journal");
    QVERIFY(run(path, find, with).save(journalFile));
    QVERIFY(doctest::readFile(path) != before);

    // The journal is read back as another program (the command line) would.
    const std::optional<RunJournal> journal = RunJournal::load(journalFile);
    QVERIFY(journal && journal->entries().size() == 1);
    int pieces = 0; // a caller hears of every 4 MB read
    QCOMPARE(int(engine::undoEntry(journal->entries()[0],
                 [&] {
                     ++pieces;
                 }).outcome),
        int(UndoOutcome::Restored));
    QCOMPARE(doctest::readFile(path), before);
    QVERIFY(pieces >= before.size() >> 22);
}

void RunJournalTest::refused_data()
{
    QTest::addColumn<int>("outcome");
    QTest::newRow("edited since") << int(UndoOutcome::ChangedSinceRun);
    QTest::newRow("written again with the same bytes") << int(UndoOutcome::ChangedSinceRun);
    QTest::newRow("deleted since") << int(UndoOutcome::Missing);
}

void RunJournalTest::refused()
{
    QFETCH(int, outcome);
    QTemporaryDir dir;
    const QString path = doctest::writeFile(dir, "a.txt", "cat");
    const RunJournal journal = run(path, "cat", "dog");
    const QString tag = QTest::currentDataTag();
    QTest::qWait(10); // a later write has a later time
    if (tag == "edited since")
        doctest::writeFile(dir, "a.txt", "dog!");
    if (tag.startsWith("written again"))
        doctest::writeFile(dir, "a.txt", "dog");
    if (tag == "deleted since")
        QFile::remove(path);
    const engine::UndoResult result = engine::undoEntry(journal.entries()[0]);
    QCOMPARE(int(result.outcome), outcome);
    QCOMPARE(doctest::readFile(path),
        tag == "edited since"        ? QByteArray("dog!")
            : tag == "deleted since" ? QByteArray("<unreadable>")
                                     : QByteArray("dog"));
}

void RunJournalTest::damagedJournal()
{
    QTemporaryDir dir;
    const QString path = doctest::writeFile(dir, "a.txt", "cat");
    QVERIFY(run(path, "cat", "dog").save(dir.filePath("journal")));
    const QByteArray whole = doctest::readFile(dir.filePath("journal"));
    QString why;
    doctest::writeFile(dir, "cut", whole.chopped(3));
    QVERIFY(!RunJournal::load(dir.filePath("cut"), &why));
    QCOMPARE(why, QString("the journal is damaged or cut short"));
    doctest::writeFile(dir, "other", "cat");
    QVERIFY(!RunJournal::load(dir.filePath("other"), &why));
    QCOMPARE(why, QString("not a journal of this program"));
}

// A run keeps at most a quarter of the memory for Undo: a file past it is still listed, its Undo
// refused with the reason, and a journal file leaves it out.
void RunJournalTest::memoryShare()
{
    QTemporaryDir dir;
    engine::ByteChanges one, other;
    one.add(0, 3, "cat");
    other.add(0, 3, "cow");
    other.add(10, 3, "cow");
    const qsizetype span = sizeof(engine::ByteChanges::Span);
    RunJournal journal(4 * (2 * span + 6));
    QVERIFY(journal.add(dir.filePath("one"), 1, one));
    QVERIFY(!journal.add(dir.filePath("other"), 2, other));
    QCOMPARE(engine::describe(engine::undoEntry(journal.entries()[1])),
        QString("too many changes to take back: not undone"));
    QVERIFY(journal.save(dir.filePath("journal")));
    const std::optional<RunJournal> saved = RunJournal::load(dir.filePath("journal"));
    QVERIFY(saved && saved->entries().size() == 1 && saved->entries()[0].path == dir.filePath("one"));
}

QTEST_MAIN(RunJournalTest)
#include "tst_runjournal.moc"
