// An in-place rewrite that is cut short (the program killed, or the old bytes not put back after a
// failure) leaves its journal, and the next start puts the file back from it unless the file changed
// since. Kills come from a child process that stops itself at a given moment of the write.
#include "doc_testing.h"
#include "engine/files/filewrite.h"
#include "engine/files/journal.h"

#include <csignal>
#include <QDir>
#include <QtTest>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using engine::Document;
using engine::LoadMode;
using engine::LoadOutcome;
using engine::SaveOutcome;
using engine::WriteMoment;

namespace
{
QByteArray local(const QString& path)
{
    return QFile::encodeName(path);
}

// 2.5 MB of numbered lines, every tenth a match: the new content takes several pieces to write.
QByteArray oldContent()
{
    QByteArray bytes;
    for (int i = 0; i < 25000; ++i)
        bytes += (i % 10 ? "item " : "line ") + QByteArray::number(i).rightJustified(94, '.') + "\n";
    return bytes;
}

// Rewrites `file` in place with `find` replaced by `with`, in a child process that stops itself with
// `signal` when the write reaches `moment`. Returns the child, stopped or gone.
pid_t interruptedWrite(
    const QString& file, const QString& find, const QString& with, WriteMoment moment, int signal)
{
    const pid_t child = ::fork();
    if (child != 0)
        return child;
    engine::setWriteProbe([=](WriteMoment reached) {
        if (reached == moment)
            ::raise(signal);
    });
    Document doc;
    if (doc.load(file, LoadMode::Text) == LoadOutcome::Loaded && doctest::replaceAll(doc, find, with, 0) > 0)
        doc.save(file, engine::rtfText);
    ::_exit(0);
}
} // namespace

class JournalTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QString file;
    QByteArray old = oldContent();

    QStringList journals() const
    {
        return QDir(engine::journalFolder()).entryList(QDir::Files | QDir::Hidden);
    }

private slots:
    void initTestCase();
    void init();
    void replayAfterKill_data();
    void replayAfterKill();
    void heldJournalIsLeftToItsWriter();
    void killedBeforeTheExchangeLeavesNothing();
    void notRestoredIsPutBackAtTheNextStart();
};

void JournalTest::initTestCase()
{
    qputenv("XDG_STATE_HOME", local(dir.filePath("state")));
    std::signal(SIGXFSZ, SIG_IGN);
}

// A file with a second name, so that it is rewritten in place.
void JournalTest::init()
{
    file = doctest::writeFile(
        dir, QString("%1 %2.txt").arg(QTest::currentTestFunction(), QTest::currentDataTag()), old);
    QVERIFY(::link(local(file), local(file + ".link")) == 0);
}

void JournalTest::replayAfterKill_data()
{
    QTest::addColumn<WriteMoment>("moment");
    QTest::addColumn<QString>("with"); // what replaces "line"
    QTest::addColumn<QString>("since"); // what happened between the kill and the next start
    QTest::addColumn<QString>("said"); // what the next start says, in part
    // clang-format off
    QTest::newRow("killed with the journal on the disk") << WriteMoment::JournalFlushed << "a longer line" << "" << "was restored";
    QTest::newRow("killed halfway, growing") << WriteMoment::PieceWritten << "a longer line" << "" << "was restored";
    QTest::newRow("killed halfway, shrinking") << WriteMoment::PieceWritten << "ln" << "" << "was restored";
    QTest::newRow("killed halfway, written through a link") << WriteMoment::PieceWritten << "ln" << "" << "was restored";
    QTest::newRow("killed halfway, changed since") << WriteMoment::PieceWritten << "ln" << "appended" << "left alone: it was changed";
    QTest::newRow("killed halfway, deleted since") << WriteMoment::PieceWritten << "ln" << "deleted" << "left alone: it is no longer there";
    QTest::newRow("journal not complete") << WriteMoment::JournalFlushed << "ln" << "journal cut" << "";
    // clang-format on
}

void JournalTest::replayAfterKill()
{
    QFETCH(WriteMoment, moment);
    QFETCH(QString, with);
    QFETCH(QString, since);
    QFETCH(QString, said);
    const QString tag = QTest::currentDataTag(), link = file + ".symlink";
    QVERIFY(!tag.contains("link") || QFile::link(file, link));
    const pid_t child = interruptedWrite(tag.contains("link") ? link : file, "line", with, moment, SIGKILL);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    if (moment == WriteMoment::PieceWritten)
        QVERIFY(doctest::readFile(file) != old); // torn
    QCOMPARE(journals().size(), 1);

    QByteArray expected = old;
    if (since == "appended") {
        QFile changed(file);
        QVERIFY(changed.open(QIODevice::Append) && changed.write("appended") == 8);
        changed.close();
        expected = doctest::readFile(file);
    }
    if (since == "deleted") {
        QVERIFY(QFile::remove(file) && QFile::remove(file + ".link"));
        expected = "<unreadable>";
    }
    if (since == "journal cut")
        QVERIFY(QFile::resize(QDir(engine::journalFolder()).filePath(journals().first()), 100));

    const QStringList sentences = engine::replayJournals();
    if (said.isEmpty()) {
        QCOMPARE(sentences, QStringList());
    } else {
        QCOMPARE(sentences.size(), 1);
        QVERIFY2(sentences.first().startsWith(file + " ") && sentences.first().contains(said),
            qPrintable(sentences.first()));
    }
    QCOMPARE(doctest::readFile(file), expected);
    QCOMPARE(journals(), QStringList());
    QCOMPARE(engine::replayJournals(), QStringList());
}

// A journal whose writer still runs (another instance of the program) is not replayed under it.
void JournalTest::heldJournalIsLeftToItsWriter()
{
    const pid_t child = interruptedWrite(file, "line", "ln", WriteMoment::PieceWritten, SIGSTOP);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, WUNTRACED), child);
    QVERIFY(WIFSTOPPED(status));
    QCOMPARE(engine::replayJournals(), QStringList());
    QCOMPARE(journals().size(), 1);

    ::kill(child, SIGKILL);
    QCOMPARE(::waitpid(child, &status, 0), child);
    QCOMPARE(engine::replayJournals().size(), 1);
    QCOMPARE(doctest::readFile(file), old);
}

// A file with one name gets a new one through a temporary file that has no name until the exchange:
// a kill before it leaves no file behind, and no journal.
void JournalTest::killedBeforeTheExchangeLeavesNothing()
{
    QVERIFY(QFile::remove(file + ".link"));
    const QStringList before = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    const pid_t child = interruptedWrite(file, "line", "ln", WriteMoment::ContentBuilt, SIGKILL);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFSIGNALED(status));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), before);
    QCOMPARE(doctest::readFile(file), old);
    QCOMPARE(journals(), QStringList());
}

// A write that fails halfway and cannot put the old bytes back either (the file may grow no further
// than its first block) says so, and keeps its journal for the next start.
void JournalTest::notRestoredIsPutBackAtTheNextStart()
{
    rlimit before;
    ::getrlimit(RLIMIT_FSIZE, &before);
    engine::setWriteProbe([&](WriteMoment moment) {
        const rlimit none { 4096, before.rlim_max };
        if (moment == WriteMoment::PieceWritten)
            ::setrlimit(RLIMIT_FSIZE, &none);
    });
    Document doc;
    QCOMPARE(doc.load(file, LoadMode::Text), LoadOutcome::Loaded);
    QVERIFY(doctest::replaceAll(doc, "line", "a longer line", 0) > 0);
    QCOMPARE(doc.save(file, engine::rtfText), SaveOutcome::NotRestored);
    engine::setWriteProbe({});
    ::setrlimit(RLIMIT_FSIZE, &before);
    QVERIFY2(doc.errorString().contains("could not be restored"), qPrintable(doc.errorString()));
    QVERIFY(doctest::readFile(file) != old);

    QCOMPARE(engine::replayJournals().size(), 1);
    QCOMPARE(doctest::readFile(file), old);
    QCOMPARE(doctest::readFile(file + ".link"), old);
}

QTEST_GUILESS_MAIN(JournalTest)
#include "tst_doc_journal.moc"
