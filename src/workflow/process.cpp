#include "workflow/process.h"

#include "backupdir/browseme.h"
#include "mainform/mainform.h"
#include "platform/checklist.h"
#include "platform/files.h"
#include "platform/folderlist.h"
#include "platform/label.h"
#include "platform/prompts.h"
#include "platform/yield.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>

namespace workflow
{

namespace
{
    // Copies every ticked file into `destination` (a folder path ending in a separator) under its own
    // name. A copy that cannot be made is skipped; the run goes on without it.
    void backUpTickedFiles(MainForm& w, const QString& destination)
    {
        const QString folder = w.Dir1->Path();
        for (int i = 0; i < w.lstFiles->ListCount(); ++i) {
            if (!w.lstFiles->Selected(i))
                continue;
            const QString name = w.lstFiles->List(i);
            platform::copyFileReplacing(platform::joinPath(folder, name), destination + name);
        }
    }
} // namespace

void Command1_Click(MainForm& w)
{
    // Nothing may copy or change files under a run that is still working.
    if (w.runInProgress)
        return;
    if (w.Findme->toPlainText().isEmpty()) {
        platform::MsgBox(QStringLiteral("Please enter a search sting     "),
            QStringLiteral("Nothing to Search for"), platform::Icon::Information);
        w.Findme->setFocus();
        return;
    }
    if (w.chkBackup->isChecked()) {
        if (w.lstFiles->SelCount() == 0) {
            platform::MsgBox(QStringLiteral("Select file(s) to change by placing a Check in the box     "),
                QStringLiteral("Nothing Selected"), platform::Icon::Information);
            return;
        }
        {
            BrowseMe chooser(w, &w);
            platform::prompts().runModal(chooser);
        }
        const QString destination = w.lblDest->Caption();
        if (destination.isEmpty())
            return;
        // The copies do not yield, so the status line is painted before the first one.
        w.lblScan->setCaption(QStringLiteral("Backing up files . . ."));
        w.lblScan->repaint();
        backUpTickedFiles(w, destination);
        platform::DoEventsNow();
    }
    w.cmdReplace->click();
}

void mnuProcess_Click(MainForm& w)
{
    Command1_Click(w);
}

} // namespace workflow
