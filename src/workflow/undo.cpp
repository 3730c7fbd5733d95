#include "workflow/undo.h"

#include "engine/files/filenames.h"
#include "engine/runjournal/runjournal.h"
#include "mainform/mainform.h"
#include "platform/label.h"
#include "platform/yield.h"
#include "richtext/rtftext.h"
#include "workflow/preview.h"
#include "workflow/replacerun.h"
#include "workflow/runguard.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

namespace workflow
{

namespace
{
    // Puts back what the last run wrote, file by file, with a result line for each and the summary. A
    // file changed since the run keeps its bytes.
    void takeBackLastRun(MainForm& w)
    {
        w.lblTotal->hide();
        w.lblScan->show();
        w.lstResults->clear();
        w.lblTotal->setCaption(QStringLiteral("0"));
        QApplication::setOverrideCursor(Qt::WaitCursor);
        // The preview holds the run's text of its last file, which is about to be taken back; its memory
        // goes first.
        w.rtftext->setText(QString());
        const std::shared_ptr<engine::RunJournal> journal = std::move(w.journal);
        const auto& entries = journal ? journal->entries() : std::vector<engine::RunJournalEntry>();
        for (const engine::RunJournalEntry& entry : entries) {
            const QString name = engine::shownFileName(entry.path.section(u'/', -1));
            w.lblScan->setCaption(QStringLiteral("Processing ") + name);
            platform::DoEvents();
            const engine::UndoResult undone = engine::undoEntry(entry, [] {
                platform::DoEvents();
            });
            if (undone.outcome == engine::UndoOutcome::Restored) {
                const QString count = QString::number(entry.replacements);
                w.lblTotal->setCaption(
                    QString::number(w.lblTotal->Caption().toLongLong() + entry.replacements));
                w.lstResults->addItem(name + QStringLiteral(" - ") + count
                    + (entry.replacements == 1 ? QStringLiteral(" String replaced")
                                               : QStringLiteral(" Strings replaced")));
            } else {
                w.lstResults->addItem(name + QStringLiteral(" - ") + engine::describe(undone));
            }
            if (w.closeAfterRun)
                break;
        }
        QApplication::restoreOverrideCursor();
        w.lblTotal->setCaption(runSummary(w.lblTotal->Caption(), int(entries.size())));
        w.lblTotal->show();
        w.lblScan->hide();
        lstFiles_Click(w);
    }
} // namespace

void cmdUndo_Click(MainForm& w)
{
    if (w.runInProgress)
        return;
    // The boxes show the last run's strings swapped while it is taken back.
    w.Findme->setPlainText(w.Text2);
    w.Replaceme->setPlainText(w.Text1);
    // Nothing is copied for an Undo, and the box stays unticked.
    w.chkBackup->setChecked(false);
    {
        const RunGuard guard(w);
        takeBackLastRun(w);
    }
    // One Undo per run.
    w.cmdUndo->setEnabled(false);
    w.mnuUndo->setEnabled(false);
    platform::DoEventsNow();
    w.Findme->setPlainText(w.Text1);
    w.Replaceme->setPlainText(w.Text2);
}

void mnuUndo_Click(MainForm& w)
{
    cmdUndo_Click(w);
}

} // namespace workflow
