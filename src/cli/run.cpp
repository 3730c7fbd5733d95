#include "cli/cli.h"
#include "cli/options.h"
#include "cli/orderedwork.h"
#include "cli/output.h"
#include "cli/stopsignals.h"
#include "cli/targets.h"
#include "cli/unifieddiff.h"
#include "engine/document.h"
#include "engine/files/bytechanges.h"
#include "engine/files/journal.h"
#include "engine/runjournal/runjournal.h"
#include "fileops/files.h"

#include <algorithm>
#include <new>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <set>
#include <thread>

using engine::LoadOutcome;
using engine::SaveOutcome;

namespace cli
{

namespace
{
    enum class Next { GoOn, Stop };

    // A refusal that concerns only this file lets the run go on, as in the window; a folder that cannot
    // be written, a full disk or an unknown failure end it. Unlike the window, a file that cannot be
    // read does not: names given on a command line or met in a tree are often stale or locked.
    Next afterRefusal(SaveOutcome outcome)
    {
        switch (outcome) {
        case SaveOutcome::FolderNotWritable:
        case SaveOutcome::DiskFull:
        case SaveOutcome::Failed:
            return Next::Stop;
        default:
            return Next::GoOn;
        }
    }

    // The files worked on `threads` at once, one larger than 8 MB while no other is, so that the run
    // never holds two of them at once.
    OrderedWork workOver(const std::vector<Target>& targets, int threads)
    {
        OrderedWork work;
        work.count = targets.size();
        work.threads = threads;
        work.alone = [&targets](std::size_t i) {
            return targets[i].size > (8 << 20);
        };
        return work;
    }

    // Two threads a processor: while one waits for the file system, another works. More would only hold
    // more files.
    int workerCount(const std::vector<Target>& targets)
    {
        const int processors = int(std::thread::hardware_concurrency());
        return int(std::min<std::size_t>(targets.size(), std::size_t(std::clamp(2 * processors, 2, 8))));
    }

    int searchOptions(const Options& o)
    {
        return (o.wholeWord ? engine::rtfWholeWord : 0) | (o.matchCase ? engine::rtfMatchCase : 0);
    }

    // What became of one file, kept until its line is printed; the run's totals, its journal and the
    // file systems to flush are kept as the lines are printed, in the order of the files.
    struct Processed {
        FileReport report;
        Next next = Next::GoOn;
        bool written = false;
        engine::ByteChanges changes; // with --journal: what the write changed
    };

    class Run
    {
    public:
        Run(const Options& options, Output& output, StopSignals& stop)
            : o(options)
            , out(output)
            , m_stop(stop)
        {
        }

        // Loads the file and replaces every match in the document, as the window's engine does; the
        // report tells what became of it so far.
        bool replaceIn(engine::Document& document, const Target& target, FileReport& report,
            std::vector<Replacement>* replacements, QString* before) const
        {
            const LoadOutcome loaded = document.load(target.path, engine::LoadMode::RichOrText);
            if (loaded != LoadOutcome::Loaded) {
                report.outcome = loaded == LoadOutcome::Missing || loaded == LoadOutcome::Unreadable
                    ? FileOutcome::NotRead
                    : FileOutcome::Skipped;
                report.reason = engine::describe(loaded);
                return false;
            }
            if (document.isStreamed())
                return false; // only its start is held: see replaceStreamed
            document.setSelStart(0);
            document.find(o.find, {}, {}, searchOptions(o));
            if (document.selLength() == 0)
                return false;
            if (before)
                *before = document.text();
            do {
                if (replacements)
                    replacements->push_back(
                        { document.selStart(), document.selLength(), qsizetype(o.replacement.size()) });
                document.setSelText(o.replacement);
                ++report.count;
                // The search goes on after the inserted text, which is never searched again.
                document.find(o.find, document.selStart(), {}, searchOptions(o));
            } while (document.selLength() > 0);
            return true;
        }

        // A plain file too large to hold is replaced and written a piece at a time, as the window
        // does: a dry run counts its matches, but its changes cannot be shown before they are written.
        void replaceStreamed(engine::Document& document, Processed& done) const
        {
            FileReport& report = done.report;
            if (o.diff) {
                report.outcome = FileOutcome::Skipped;
                report.reason = QStringLiteral("too large to show its changes before they are written");
                return;
            }
            const engine::StreamResult result = o.dryRun
                ? document.countStreamed(o.find, o.replacement, searchOptions(o))
                : document.replaceStreamed(o.find, o.replacement, searchOptions(o), {},
                    o.journal.isEmpty() ? nullptr : &done.changes);
            report.count = result.replaced;
            if (result.outcome != SaveOutcome::Written) {
                report.outcome = FileOutcome::NotWritten;
                report.reason = engine::describe(result.outcome);
                done.next = o.dryRun ? Next::GoOn : afterRefusal(result.outcome);
            } else if (result.replaced > 0) {
                report.outcome = o.dryRun ? FileOutcome::WouldReplace : FileOutcome::Replaced;
                done.written = !o.dryRun;
            }
        }

        // Replaces in one file with a document of its own; safe to call for several files at once.
        void process(engine::Document& document, const Target& target, Processed& done) const
        {
            FileReport& report = done.report;
            report.name = target.shown;
            if (!target.refusal.isEmpty()) {
                const qsizetype colon = target.refusal.indexOf(QStringLiteral(": "));
                report.outcome = target.refusal.startsWith(QStringLiteral("not read")) ? FileOutcome::NotRead
                                                                                       : FileOutcome::Skipped;
                report.reason = target.refusal.mid(colon + 2);
                return;
            }
            std::vector<Replacement> replacements;
            QString before;
            try {
                if (replaceIn(document, target, report, o.diff ? &replacements : nullptr,
                        o.diff ? &before : nullptr)
                    && !document.isStreamed()) {
                    if (o.diff)
                        report.diff =
                            unifiedDiff(printable(target.shown), before, document.text(), replacements);
                    if (o.dryRun) {
                        // What the run would print: a file it would refuse is refused here too.
                        const SaveOutcome would = document.check(target.path, document.fileType());
                        report.outcome = would == SaveOutcome::Written ? FileOutcome::WouldReplace
                                                                       : FileOutcome::NotWritten;
                        if (would != SaveOutcome::Written) {
                            report.reason = engine::describe(would);
                            report.diff.clear();
                        }
                    } else {
                        const SaveOutcome saved = document.save(
                            target.path, document.fileType(), o.journal.isEmpty() ? nullptr : &done.changes);
                        if (saved == SaveOutcome::Written) {
                            report.outcome = FileOutcome::Replaced;
                            done.written = true;
                        } else {
                            report.outcome = FileOutcome::NotWritten;
                            report.reason = engine::describe(saved);
                            report.diff.clear();
                            done.next = afterRefusal(saved);
                        }
                    }
                } else if (document.isStreamed()) {
                    replaceStreamed(document, done);
                }
            } catch (const std::bad_alloc&) {
                done = Processed { { target.shown, 0, FileOutcome::NotRead, QStringLiteral("out of memory"),
                                       {} },
                    Next::GoOn, false, {} };
            }
            // The document lets go of the file's bytes before the next one is read.
            document.setText(QString());
            document.closeFile();
        }

        // Prints a file's line and counts it, in the order of the files.
        void finish(const Target& target, Processed& done)
        {
            const FileReport& report = done.report;
            if (done.written) {
                written.note(target.path);
                if (!o.journal.isEmpty()
                    && !journal.add(
                        QFileInfo(target.path).absoluteFilePath(), report.count, std::move(done.changes)))
                    out.error(QStringLiteral("textmend-cli: %1: too many changes to record for --undo")
                                  .arg(printable(target.shown)));
            }
            total += report.count;
            if (report.outcome == FileOutcome::Replaced || report.outcome == FileOutcome::WouldReplace)
                ++changed;
            else if (report.outcome != FileOutcome::NoMatch)
                ++refused;
            out.file(report);
        }

        // Copies every file that will change into the backup folder before any file changes. False when
        // the run must not go on: the backup folder holds files to change, or a copy failed.
        bool backUp(const std::vector<Target>& targets, std::vector<engine::Document>& documents)
        {
            const QString folder = QDir::cleanPath(o.backupDir);
            if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder)) {
                out.error(QStringLiteral("textmend-cli: the backup folder %1 cannot be made")
                              .arg(printable(folder)));
                return false;
            }
            // Which files will change is found out on several files at once, as the run itself does.
            enum class Probe : char { Unchanged, WillChange, InBackupFolder };
            std::vector<Probe> probes(targets.size(), Probe::Unchanged);
            std::vector<const Target*> copies;
            std::set<QString> names;
            bool refused = false;
            OrderedWork work = workOver(targets, int(documents.size()));
            work.work = [&](std::size_t i, int worker) {
                const Target& target = targets[i];
                FileReport probe;
                if (!target.refusal.isEmpty())
                    return true;
                engine::Document& document = documents[worker];
                if (platform::sameFolder(folder, QFileInfo(target.path).path()))
                    probes[i] = Probe::InBackupFolder;
                else if (replaceIn(document, target, probe, nullptr, nullptr)
                    || (document.isStreamed()
                        && document.countStreamed(o.find, o.replacement, searchOptions(o)).replaced > 0))
                    probes[i] = Probe::WillChange;
                document.setText(QString());
                document.closeFile();
                return true;
            };
            work.report = [&](std::size_t i) {
                const Target& target = targets[i];
                if (refused || probes[i] == Probe::Unchanged)
                    return;
                if (probes[i] == Probe::InBackupFolder) {
                    out.error(QStringLiteral("textmend-cli: the backup folder is the folder of %1, so the "
                                             "copies would overwrite the files themselves; no file was "
                                             "copied or changed")
                                  .arg(printable(target.shown)));
                    refused = true;
                } else if (!names.insert(target.relative).second) {
                    out.error(QStringLiteral("textmend-cli: two files would have the same backup copy %1; "
                                             "no file was copied or changed")
                                  .arg(printable(target.relative)));
                    refused = true;
                } else {
                    copies.push_back(&target);
                }
            };
            work.stopping = [&] {
                return refused || m_stop.requested();
            };
            if (runInOrder(work) < targets.size() || refused)
                return false;
            QStringList failed;
            for (const Target* target : copies) {
                const QString destination = folder + u'/' + target->relative;
                QDir().mkpath(QFileInfo(destination).path());
                const platform::CopyOutcome copied = platform::copyFileReplacing(target->path, destination);
                if (copied != platform::CopyOutcome::Copied)
                    failed << printable(target->shown) + QStringLiteral(": ") + platform::describe(copied);
                if (m_stop.requested())
                    return false;
            }
            // The originals change only once their copies are on the disk.
            if (!copies.empty() && !platform::flushToDisk(folder)) {
                for (const Target* target : copies)
                    failed << printable(target->shown) + QStringLiteral(": ")
                            + platform::describe(platform::CopyOutcome::NotFlushed);
            }
            if (!failed.isEmpty()) {
                out.error(QStringLiteral("textmend-cli: the backup failed, so no file was changed.\n"
                                         "These files could not be copied to %1:\n%2")
                              .arg(printable(folder), failed.join(u'\n')));
                return false;
            }
            return true;
        }

        const Options& o;
        Output& out;
        platform::WrittenDisks written;
        engine::RunJournal journal; // with --journal: what each file written changed
        qint64 total = 0;
        qsizetype changed = 0;
        qsizetype refused = 0;

    private:
        StopSignals& m_stop;
    };

    // Takes back the run whose journal is `o.undo`: one line per file restored, a refusal for each
    // file that changed since that run.
    int undoRun(const Options& o, Output& output)
    {
        QString why;
        const std::optional<engine::RunJournal> journal = engine::RunJournal::load(o.undo, &why);
        if (!journal) {
            output.error(QStringLiteral("textmend-cli: %1: %2").arg(printable(o.undo), why));
            return 2;
        }
        qint64 total = 0;
        qsizetype changed = 0, refused = 0;
        for (const engine::RunJournalEntry& entry : journal->entries()) {
            const engine::UndoResult undone = engine::undoEntry(entry);
            FileReport report { printable(entry.path), 0, FileOutcome::Replaced, {}, {} };
            if (undone.outcome == engine::UndoOutcome::Restored) {
                report.count = entry.replacements;
                total += entry.replacements;
                ++changed;
            } else {
                report.outcome = FileOutcome::NotWritten;
                report.reason = engine::describe(undone);
                ++refused;
            }
            output.file(report);
        }
        output.summary(total, qsizetype(journal->entries().size()), changed, refused, false);
        return refused > 0 ? 2 : total > 0 ? 0 : 1;
    }

    bool readNameList(const Options& o, QByteArrayList& paths, Output& out)
    {
        QFile list;
        const bool opened = o.filesFrom == QLatin1String("-")
            ? list.open(stdin, QIODevice::ReadOnly)
            : (list.setFileName(o.filesFrom), list.open(QIODevice::ReadOnly));
        if (!opened) {
            out.error(QStringLiteral("textmend-cli: %1: %2").arg(printable(o.filesFrom), list.errorString()));
            return false;
        }
        paths += namesFromList(list.readAll(), o.nulSeparated);
        return true;
    }
} // namespace

int run(const QByteArrayList& arguments, std::FILE* out, std::FILE* err)
{
    const Parsed parsed = parseArguments(arguments);
    switch (parsed.request) {
    case Request::Help:
        std::fputs(helpText().toUtf8().constData(), out);
        return 0;
    case Request::Version:
        std::fputs(versionText().toUtf8().constData(), out);
        return 0;
    case Request::Wrong:
        std::fputs(("textmend-cli: " + parsed.error + u'\n' + usageText()).toUtf8().constData(), err);
        return 2;
    case Request::Run:
    case Request::Undo:
        break;
    }
    const Options& o = parsed.options;
    Output output(o, out, err);
    // A rewrite in place that was cut short last time (this program or the window killed mid-write)
    // gets its file's old content back before any file is read.
    for (const QString& sentence : engine::replayJournals())
        output.error(QStringLiteral("textmend-cli: a rewrite was cut short last time: ") + sentence);
    if (parsed.request == Request::Undo)
        return undoRun(o, output);
    StopSignals stop;

    QByteArrayList paths = parsed.options.paths;
    if (!o.filesFrom.isEmpty() && !readNameList(o, paths, output))
        return 2;
    const std::vector<Target> targets =
        collectTargets(paths, { o.patterns.join(u';'), o.recursive, o.backupDir });

    // Several files are worked on at once, their lines printed in the order of the files.
    const int threads = workerCount(targets);
    std::vector<engine::Document> documents(threads);
    Run run(o, output, stop);
    if (!o.backupDir.isEmpty() && !o.dryRun && !run.backUp(targets, documents))
        return stop.signal() ? 128 + stop.signal() : 2;

    // Room for the files in hand and those done but not yet printed, used in turn.
    std::vector<Processed> processed(std::min(targets.size(), itemsAhead(threads)));
    bool stopped = false;
    bool halted = false; // by a file whose refusal ends the run
    OrderedWork work = workOver(targets, threads);
    work.work = [&](std::size_t i, int worker) {
        Processed& done = processed[i % processed.size()];
        run.process(documents[worker], targets[i], done);
        return done.next == Next::GoOn;
    };
    work.report = [&](std::size_t i) {
        output.progress(qsizetype(i), qsizetype(targets.size()), targets[i].shown);
        Processed& done = processed[i % processed.size()];
        halted = halted || done.next == Next::Stop;
        run.finish(targets[i], done);
        done = Processed();
        std::fflush(out);
    };
    // Ctrl+C, SIGTERM, or nobody reading the output any more: the files in hand are finished.
    work.stopping = [&] {
        stopped = stopped || stop.requested() || output.outputGone();
        return stopped;
    };
    const std::size_t begun = runInOrder(work);
    // A refusal that ends the run, or Ctrl+C: the user learns what was left. (A reader that went away
    // hears nothing more.)
    const std::size_t left = targets.size() - begun;
    if (halted || (stop.signal() && left > 0)) {
        output.error(left == 1
                ? QStringLiteral("textmend-cli: stopped; 1 more file was not visited")
                : QStringLiteral("textmend-cli: stopped; %1 more files were not visited").arg(left));
        stopped = true;
    }
    // Once the summary shows, every changed file is on the disk: one flush per file system written.
    QString why;
    if (!run.written.flush(&why)) {
        output.error(
            QStringLiteral("textmend-cli: the changed files could not be flushed to the disk: ") + why);
        ++run.refused;
    }
    if (!o.journal.isEmpty() && !run.journal.save(o.journal, &why)) {
        output.error(QStringLiteral("textmend-cli: the journal %1 could not be written: %2")
                         .arg(printable(o.journal), why));
        ++run.refused;
    }
    output.summary(run.total, qsizetype(targets.size()), run.changed, run.refused, stopped);
    if (stop.signal())
        return 128 + stop.signal();
    if (run.refused > 0 || output.outputGone())
        return 2;
    return run.total > 0 ? 0 : 1;
}

} // namespace cli
