#include "workflow/rtffunctions.h"

#include "engine/files/filenames.h"
#include "engine/runjournal/runjournal.h"
#include "fileops/files.h"
#include "mainform/mainform.h"
#include "platform/checklist.h"
#include "platform/combobox.h"
#include "platform/folderlist.h"
#include "platform/label.h"
#include "platform/yield.h"
#include "review/reviewset.h"
#include "richtext/rtftext.h"
#include "termination/termination.h"

#include <new>
#include <QCheckBox>
#include <QFileInfo>
#include <QListWidget>

using engine::LoadOutcome;
using engine::SaveOutcome;
using richtext::RichTextBox;

namespace RtfFunctions
{

namespace
{

    enum class Next { GoOn, Stop };

    // The file an item stands for: the folder path, a separator and the item's name.
    QString itemPath(const MainForm& w, const QString& name)
    {
        return platform::joinPath(w.Dir1->Path(), name);
    }

    // A refusal that concerns only this file lets the run go on with the next one. A folder that
    // cannot be written holds the other files too, a full disk takes the next file as well, and an
    // unknown failure may: those end the run.
    Next afterRefusal(SaveOutcome outcome)
    {
        switch (outcome) {
        case SaveOutcome::Written:
        case SaveOutcome::Unencodable:
        case SaveOutcome::UnsupportedCodePage:
        case SaveOutcome::Signed:
        case SaveOutcome::NotXmlCharacter:
        case SaveOutcome::ChangedByAnotherProgram:
        case SaveOutcome::ReadOnly:
        case SaveOutcome::TooLargeToHold:
            return Next::GoOn;
        case SaveOutcome::FolderNotWritable:
        case SaveOutcome::DiskFull:
        case SaveOutcome::Failed:
        case SaveOutcome::NotRestored:
            break;
        }
        return Next::Stop;
    }

    void report(MainForm& w, const QString& name, const QString& what)
    {
        w.lstResults->addItem(engine::shownFileName(name) + QStringLiteral(" - ") + what);
    }

    // The yields inside the replacement loop. The event queue is visited at most every few
    // milliseconds anyway; asking the clock on every 16th yield only keeps a million replacements from
    // paying for four million clock reads.
    void yieldInLoop()
    {
        static unsigned calls = 0;
        if (++calls % 16 == 0)
            platform::DoEvents();
    }

    // With both boxes ticked, only whole words whose case matches, in every search.
    int searchOptions(const MainForm& w)
    {
        int options = engine::rtfNoOptions;
        if (w.chkWhlWrd->isChecked())
            options |= engine::rtfWholeWord;
        if (w.chkCase->isChecked())
            options |= engine::rtfMatchCase;
        return options;
    }

    // The engine's pass: writing, or finding what it would write (`collecting`, with writing held back).
    struct Pass {
        review::ReviewSet* collecting = nullptr;
        platform::WrittenDisks* written = nullptr; // the file systems written to, for one flush at the end
        // Where a refusal goes: the result list, or the review's list of files that would be refused.
        void refuse(MainForm& w, const QString& name, const QString& path, const QString& why) const
        {
            if (collecting)
                collecting->files.push_back({ name, path, {}, 0, {}, {}, why });
            else
                report(w, name, why);
        }
    };

    // Applies the ticked matches of a reviewed file, at the places the review found them: the text is
    // the one reviewed, so no search is needed and none can find more. False when nothing is ticked.
    bool applyReviewed(
        MainForm& w, RichTextBox& document, const review::FileChanges& reviewed, const QString& replacement)
    {
        qsizetype shift = 0;
        bool any = false;
        for (std::size_t k = 0; k < reviewed.starts.size(); ++k) {
            if (!reviewed.ticked[k])
                continue;
            const qsizetype at = reviewed.starts[k] + shift;
            document.setSelStart(at);
            document.setSelLength(reviewed.matchLength);
            document.setSelText(replacement);
            shift = document.SelStart() - (reviewed.starts[k] + reviewed.matchLength);
            w.lblTotal->increment();
            w.lblTotal2->increment();
            any = true;
            yieldInLoop();
        }
        return any;
    }

    void resultLine(MainForm& w, const QString& name)
    {
        const QString count = w.lblTotal2->Caption();
        report(w, name,
            count == QLatin1String("1") ? count + QStringLiteral(" String replaced")
                                        : count + QStringLiteral(" Strings replaced"));
    }

    void addTo(platform::Label& counter, qint64 count)
    {
        counter.setCaption(QString::number(counter.Caption().toLongLong() + count));
    }

    // A file too large to hold is replaced as it is read, piece by piece; the counters grow a piece at
    // a time, and the document shows the start of the new text. Such a file keeps no record for Undo.
    Next processStreamed(MainForm& w, RichTextBox& document, const QString& name, const QString& path,
        const QString& find, const QString& replacement, platform::WrittenDisks* written)
    {
        const QString totalBefore = w.lblTotal->Caption();
        engine::ByteChanges changes;
        const engine::StreamResult result = document.ReplaceStreamed(
            find, replacement, searchOptions(w),
            [&w](qint64 replaced) {
                if (replaced > 0) {
                    addTo(*w.lblTotal, replaced);
                    addTo(*w.lblTotal2, replaced);
                }
                platform::DoEvents();
            },
            w.journal ? &changes : nullptr);
        if (result.outcome != SaveOutcome::Written) {
            w.lblTotal->setCaption(totalBefore);
            report(w, name, QStringLiteral("not written: ") + engine::describe(result.outcome));
            return afterRefusal(result.outcome);
        }
        if (result.replaced > 0) {
            resultLine(w, name);
            if (written)
                written->note(path);
            if (w.journal)
                w.journal->add(path, result.replaced, std::move(changes));
        }
        platform::DoEvents();
        return Next::GoOn;
    }

    // A file too large to hold in a review: listed with the number of its changes, which are not shown
    // and cannot be ticked, or with the reason the run would refuse it.
    void collectStreamed(MainForm& w, RichTextBox& document, const QString& name, const QString& path,
        const QString& find, const QString& replacement, review::ReviewSet& into)
    {
        const engine::StreamResult counted =
            document.document().countStreamed(find, replacement, searchOptions(w), [](qint64) {
                platform::DoEvents();
            });
        review::FileChanges file { name, path, document.document().loadedIdentity(), 0, {}, {}, {} };
        if (counted.outcome != SaveOutcome::Written)
            file.refusal = QStringLiteral("not written: ") + engine::describe(counted.outcome);
        else if (counted.replaced > 0)
            file.refusal =
                QStringLiteral("not reviewed: too large to hold (%1)")
                    .arg(counted.replaced == 1 ? QStringLiteral("1 change")
                                               : QStringLiteral("%1 changes").arg(counted.replaced));
        into.files.push_back(std::move(file));
    }

    Next processItem(MainForm& w, RichTextBox& document, int item, const QString& find,
        const QString& replacement, const Pass& pass)
    {
        const QString name = w.lstFiles->List(item);
        const QString path = itemPath(w, name);
        // The total counts what reaches the disk: a file that is not written takes its count back.
        const QString totalBefore = w.lblTotal->Caption();

        // A file is read and written by what it holds, whatever the pattern: an RTF document as rich
        // text (editing its markup as text would destroy it), a word-processing document as its
        // package, anything else as plain text, as the preview shows it.
        const LoadOutcome loaded = document.LoadFile(path, engine::rtfRTF);
        switch (loaded) {
        case LoadOutcome::Loaded:
            break;
        case LoadOutcome::Binary:
        case LoadOutcome::Malformed:
        case LoadOutcome::Unsupported:
        case LoadOutcome::TooLarge:
        case LoadOutcome::Damaged:
        case LoadOutcome::Encrypted:
        case LoadOutcome::OldWordDocument:
            // What the file holds is not safe to edit; the other files still are.
            pass.refuse(w, name, path, QStringLiteral("skipped: ") + engine::describe(loaded));
            return Next::GoOn;
        case LoadOutcome::Missing:
        case LoadOutcome::Unreadable:
            pass.refuse(w, name, path, QStringLiteral("not read: ") + engine::describe(loaded));
            return pass.collecting ? Next::GoOn : Next::Stop;
        }

        w.lblTotal2->setCaption(QStringLiteral("0"));
        w.lblScan->setCaption(QStringLiteral("Processing ") + engine::shownFileName(name));
        platform::DoEvents();

        const review::FileChanges* reviewed =
            !pass.collecting && w.reviewed ? w.reviewed->file(name) : nullptr;
        if (document.document().isStreamed()) {
            // Replaced as it is read: there is no holding its writing back, so a review only counts
            // its changes, and Replace Checked leaves it as it is.
            if (pass.collecting) {
                collectStreamed(w, document, name, path, find, replacement, *pass.collecting);
                return Next::GoOn;
            }
            if (reviewed) {
                if (!reviewed->refusal.isEmpty())
                    report(w, name, reviewed->refusal);
                return Next::GoOn;
            }
            return processStreamed(w, document, name, path, find, replacement, pass.written);
        }

        document.setSelStart(0);
        platform::DoEvents();

        if (reviewed) {
            if (!reviewed->refusal.isEmpty() && reviewed->ticked.empty()) {
                report(w, name, reviewed->refusal);
                return Next::GoOn;
            }
            if (document.document().loadedIdentity() != reviewed->identity) {
                report(w, name, QStringLiteral("not written: changed since it was reviewed"));
                return Next::GoOn;
            }
            // A file with nothing ticked is not written and gets no result line.
            if (!applyReviewed(w, document, *reviewed, replacement))
                return Next::GoOn;
        } else {
            // Nothing is selected, so the first search covers the whole text.
            document.Find(find, {}, {}, searchOptions(w));
            platform::DoEvents();

            // An empty selection is an empty SelText, without copying the match.
            if (document.SelLength() == 0) {
                if (pass.collecting)
                    pass.collecting->files.push_back(
                        { name, path, document.document().loadedIdentity(), 0, {}, {}, {} });
                return Next::GoOn;
            }

            std::vector<qsizetype> starts;
            const qsizetype matchLength = document.SelLength();
            qsizetype shift = 0;
            do {
                yieldInLoop();
                const qsizetype at = document.SelStart();
                document.setSelText(replacement);
                if (pass.collecting) {
                    starts.push_back(at - shift);
                    shift = document.SelStart() - (at - shift + matchLength);
                } else {
                    w.lblTotal->increment();
                    w.lblTotal2->increment();
                }
                yieldInLoop();
                // The search goes on right after the inserted text, which is never searched again: "a"
                // -> "aa" cannot loop, and "catcat" gives two matches.
                document.Find(find, document.SelStart(), {}, searchOptions(w));
                yieldInLoop();
            } while (document.SelLength() > 0);

            if (pass.collecting) {
                const SaveOutcome refused = document.document().check(path, document.document().fileType());
                review::FileChanges changes { name, path, document.document().loadedIdentity(), matchLength,
                    std::move(starts), {}, {} };
                if (refused != SaveOutcome::Written)
                    changes.refusal = QStringLiteral("not written: ") + engine::describe(refused);
                else
                    changes.ticked.assign(changes.starts.size(), true);
                pass.collecting->files.push_back(std::move(changes));
                return Next::GoOn;
            }
        }

        platform::DoEvents();

        engine::ByteChanges changes;
        const SaveOutcome saved =
            document.SaveFile(path, document.document().fileType(), w.journal ? &changes : nullptr);
        if (saved != SaveOutcome::Written) {
            w.lblTotal->setCaption(totalBefore);
            report(w, name, QStringLiteral("not written: ") + engine::describe(saved));
            return afterRefusal(saved);
        }
        if (pass.written)
            pass.written->note(path);
        const QString count = w.lblTotal2->Caption();
        if (w.journal)
            w.journal->add(path, count.toLongLong(), std::move(changes));
        report(w, name,
            count == QLatin1String("1") ? count + QStringLiteral(" String replaced")
                                        : count + QStringLiteral(" Strings replaced"));
        platform::DoEvents();

        document.setSelStart(0);
        document.setSelLength(0);
        return Next::GoOn;
    }

    void visitTicked(
        MainForm& w, RichTextBox& document, const QString& find, const QString& replacement, const Pass& pass)
    {
        const int count = w.lstFiles->ListCount();
        for (int item = 0; item < count; ++item) {
            if (w.lstFiles->Selected(item)) {
                Next next = Next::Stop;
                const QString totalBefore = w.lblTotal->Caption();
                try {
                    next = processItem(w, document, item, find, replacement, pass);
                } catch (const std::bad_alloc&) {
                    w.lblTotal->setCaption(totalBefore);
                    pass.refuse(w, w.lstFiles->List(item), itemPath(w, w.lstFiles->List(item)),
                        QStringLiteral("not processed: out of memory"));
                }
                if (next == Next::Stop)
                    return;
            }
            // Ctrl+C, kill or a closed terminal is taken here, before the next file, not only when
            // the event queue is next due for a visit.
            if (termination::pendingCloseSignal() != 0)
                platform::DoEventsNow();
            platform::DoEvents();
            if (w.closeAfterRun)
                return;
        }
    }

} // namespace

void ReplaceInFiles(MainForm& w, RichTextBox& document, const QString& find, const QString& replacement)
{
    platform::WrittenDisks written;
    visitTicked(w, document, find, replacement, { nullptr, &written });
    document.closeFile();
    // Once the summary shows, every changed file is on the disk: one flush per file system written.
    QString why;
    if (!platform::WaitYielding([&] {
            return written.flush(&why);
        }))
        w.lstResults->addItem(QStringLiteral("The changed files could not be flushed to the disk: ") + why);
}

void ReviewInFiles(MainForm& w, RichTextBox& document, const QString& find, const QString& replacement,
    review::ReviewSet& into)
{
    visitTicked(w, document, find, replacement, { &into, nullptr });
    document.closeFile();
}

} // namespace RtfFunctions
