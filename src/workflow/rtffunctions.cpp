#include "workflow/rtffunctions.h"

#include "engine/files/filenames.h"
#include "mainform/mainform.h"
#include "platform/checklist.h"
#include "platform/combobox.h"
#include "platform/files.h"
#include "platform/folderlist.h"
#include "platform/label.h"
#include "platform/yield.h"
#include "richtext/rtftext.h"
#include "termination/termination.h"

#include <new>
#include <QCheckBox>
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
    // a time, and the document shows the start of the new text.
    Next processStreamed(MainForm& w, RichTextBox& document, const QString& name, const QString& path,
        const QString& find, const QString& replacement, platform::WrittenDisks& written)
    {
        const engine::StreamResult result =
            document.ReplaceStreamed(find, replacement, searchOptions(w), [&w](qint64 replaced) {
                if (replaced > 0) {
                    addTo(*w.lblTotal, replaced);
                    addTo(*w.lblTotal2, replaced);
                }
                platform::DoEvents();
            });
        if (result.replaced > 0)
            resultLine(w, name);
        if (result.outcome != SaveOutcome::Written) {
            report(w, name, QStringLiteral("not written: ") + engine::describe(result.outcome));
            return afterRefusal(result.outcome);
        }
        if (result.replaced > 0)
            written.note(path);
        platform::DoEvents();
        return Next::GoOn;
    }

    Next processItem(MainForm& w, RichTextBox& document, int item, const QString& find,
        const QString& replacement, platform::WrittenDisks& written)
    {
        const QString name = w.lstFiles->List(item);
        const QString path = itemPath(w, name);

        // A file is read and written by what it holds, whatever the pattern: an RTF document as rich
        // text (editing its markup as text would destroy it), anything else as plain text, as the
        // preview shows it.
        const LoadOutcome loaded = document.LoadFile(path, engine::rtfRTF);
        switch (loaded) {
        case LoadOutcome::Loaded:
            break;
        case LoadOutcome::Binary:
        case LoadOutcome::Malformed:
        case LoadOutcome::Unsupported:
        case LoadOutcome::TooLarge:
            // What the file holds is not safe to edit; the other files still are.
            report(w, name, QStringLiteral("skipped: ") + engine::describe(loaded));
            return Next::GoOn;
        case LoadOutcome::Missing:
        case LoadOutcome::Unreadable:
            report(w, name, QStringLiteral("not read: ") + engine::describe(loaded));
            return Next::Stop;
        }

        w.lblTotal2->setCaption(QStringLiteral("0"));
        w.lblScan->setCaption(QStringLiteral("Processing ") + engine::shownFileName(name));
        platform::DoEvents();

        if (document.document().isStreamed())
            return processStreamed(w, document, name, path, find, replacement, written);

        document.setSelStart(0);
        platform::DoEvents();

        // Nothing is selected, so the first search covers the whole text.
        document.Find(find, {}, {}, searchOptions(w));
        platform::DoEvents();

        // An empty selection is an empty SelText, without copying the match.
        if (document.SelLength() == 0)
            return Next::GoOn;

        do {
            yieldInLoop();
            document.setSelText(replacement);
            w.lblTotal->increment();
            w.lblTotal2->increment();
            yieldInLoop();
            // The search goes on right after the inserted text, which is never searched again: "a" ->
            // "aa" cannot loop, and "catcat" gives two matches.
            document.Find(find, document.SelStart(), {}, searchOptions(w));
            yieldInLoop();
        } while (document.SelLength() > 0);

        resultLine(w, name);
        platform::DoEvents();

        const auto format = document.isRich() ? engine::rtfRTF : engine::rtfText;
        const SaveOutcome saved = document.SaveFile(path, format);
        if (saved != SaveOutcome::Written) {
            report(w, name, QStringLiteral("not written: ") + engine::describe(saved));
            return afterRefusal(saved);
        }
        written.note(path);
        platform::DoEvents();

        document.setSelStart(0);
        document.setSelLength(0);
        return Next::GoOn;
    }

} // namespace

void ReplaceInFiles(MainForm& w, RichTextBox& document, const QString& find, const QString& replacement)
{
    platform::WrittenDisks written;
    const int count = w.lstFiles->ListCount();
    for (int item = 0; item < count; ++item) {
        if (w.lstFiles->Selected(item)) {
            Next next = Next::Stop;
            try {
                next = processItem(w, document, item, find, replacement, written);
            } catch (const std::bad_alloc&) {
                report(w, w.lstFiles->List(item), QStringLiteral("not processed: out of memory"));
            }
            if (next == Next::Stop)
                break;
        }
        // Ctrl+C, kill or a closed terminal is taken here, before the next file, not only when the
        // event queue is next due for a visit.
        if (termination::pendingCloseSignal() != 0)
            platform::DoEventsNow();
        platform::DoEvents();
        if (w.closeAfterRun)
            break;
    }
    document.closeFile();
    // Once the summary shows, every changed file is on the disk: one flush per file system written.
    QString why;
    if (!written.flush(&why))
        w.lstResults->addItem(QStringLiteral("The changed files could not be flushed to the disk: ") + why);
}

} // namespace RtfFunctions
