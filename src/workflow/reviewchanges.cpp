#include "workflow/reviewchanges.h"

#include "mainform/mainform.h"
#include "platform/checklist.h"
#include "platform/label.h"
#include "platform/paintfreeze.h"
#include "platform/prompts.h"
#include "review/frmreview.h"
#include "review/reviewset.h"
#include "richtext/rtftext.h"
#include "workflow/preview.h"
#include "workflow/process.h"
#include "workflow/rtffunctions.h"
#include "workflow/runguard.h"

#include <QApplication>
#include <QPlainTextEdit>

namespace workflow
{

namespace
{
    // Finds every change the run would make, as the run itself does, writing nothing. The status line
    // shows the progress and is put back afterwards.
    review::ReviewSet findChanges(MainForm& w)
    {
        const RunGuard guard(w);
        review::ReviewSet changes { w.Findme->toPlainText(), w.Replaceme->toPlainText(), {} };
        const QString status = w.lblScan->Caption();
        const bool summaryShown = !w.lblTotal->isHidden();
        const QString count = w.lblTotal2->Caption();
        w.lblTotal->hide();
        w.lblScan->show();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        platform::LockWindowUpdate(w.rtftext);
        RtfFunctions::ReviewInFiles(w, *w.rtftext, changes.find, changes.replacement, changes);
        // The last file with every change made in it is no preview of anything; its memory goes back
        // before the review window reads its own lines.
        w.rtftext->setText(QString());
        platform::LockWindowUpdate(nullptr);
        QApplication::restoreOverrideCursor();
        w.lblScan->setCaption(status);
        w.lblScan->setVisible(!summaryShown);
        w.lblTotal->setVisible(summaryShown);
        w.lblTotal2->setCaption(count);
        return changes;
    }

    // The match in the preview, selected where it is.
    void showMatch(MainForm& w, const QString& path, qsizetype start, qsizetype length)
    {
        w.rtftext->setText(QString());
        w.rtftext->LoadFile(path);
        w.rtftext->setSelStart(start);
        w.rtftext->setSelLength(length);
        w.Label7->setCaption(QStringLiteral("Highlight the String to find"));
    }
} // namespace

void mnuReview_Click(MainForm& w)
{
    if (w.runInProgress)
        return;
    // The checks and messages of Process and of the replace run, in their order.
    if (!FindStringGiven(w))
        return;
    if (w.lstFiles->SelCount() == 0) {
        platform::MsgBox(QStringLiteral("Select file(s) to change by placing a Check in the box     "),
            QStringLiteral("Nothing Selected"), platform::Icon::Information);
        return;
    }
    review::ReviewSet changes = findChanges(w);
    if (w.closeAfterRun)
        return;
    review::frmReview window(changes, &w);
    QObject::connect(&window, &review::frmReview::ShowMatch, &w,
        [&w](const QString& path, qsizetype start, qsizetype length) {
            showMatch(w, path, start, length);
        });
    if (!platform::prompts().runModal(window)) {
        lstFiles_Click(w);
        return;
    }
    // The normal Process, applying only what is ticked.
    w.reviewed = &changes;
    Command1_Click(w);
    w.reviewed = nullptr;
}

} // namespace workflow
