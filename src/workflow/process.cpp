#include "workflow/process.h"

#include "backupdir/browseme.h"
#include "engine/files/filenames.h"
#include "fileops/files.h"
#include "mainform/mainform.h"
#include "platform/checklist.h"
#include "platform/folderlist.h"
#include "platform/label.h"
#include "platform/prompts.h"
#include "platform/yield.h"
#include "workflow/runguard.h"

#include <QCheckBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>

namespace workflow
{

namespace
{
    using platform::CopyOutcome;

    // A message lists this many failed copies at most, then counts the others.
    constexpr int listedFailures = 12;

    struct FailedCopy {
        QString name;
        CopyOutcome outcome;
    };

    void nothingSelected()
    {
        platform::MsgBox(QStringLiteral("Select file(s) to change by placing a Check in the box     "),
            QStringLiteral("Nothing Selected"), platform::Icon::Information);
    }

    void backupFailed(const QString& destination, const std::vector<FailedCopy>& failed)
    {
        QStringList lines;
        for (const FailedCopy& copy : failed) {
            if (lines.size() == listedFailures) {
                lines << QStringLiteral("and %1 other files").arg(failed.size() - listedFailures);
                break;
            }
            lines << engine::shownFileName(copy.name) + QStringLiteral(": ")
                    + platform::describe(copy.outcome);
        }
        const QString text = QStringLiteral("The backup failed, so no file was changed.\n\n"
                                            "These files could not be copied to %1:\n%2");
        platform::MsgBox(text.arg(QDir::cleanPath(destination), lines.join('\n')),
            QStringLiteral("Backup Failed"), platform::Icon::Exclamation);
    }

    // Copies every ticked file into `destination` (a folder path ending in a separator) under its own
    // name, keeping an earlier copy of other content under a numbered name, and returns those that
    // could not be copied, or are not known to be on the disk. The window repaints after each copy; a
    // close asked for then lets the copy in hand finish and starts no other.
    std::vector<FailedCopy> copyTickedFiles(MainForm& w, const QString& destination)
    {
        std::vector<QString> copied;
        std::vector<FailedCopy> failed;
        const QString folder = w.Dir1->Path();
        for (int i = 0; i < w.lstFiles->ListCount() && !w.closeAfterRun; ++i) {
            if (!w.lstFiles->Selected(i))
                continue;
            const QString name = w.lstFiles->List(i);
            const CopyOutcome outcome =
                platform::backUpFile(platform::joinPath(folder, name), destination + name, [] {
                    platform::DoEvents();
                });
            if (outcome != CopyOutcome::Copied)
                failed.push_back({ name, outcome });
            else
                copied.push_back(name);
            platform::DoEventsNow();
        }
        // The originals change only once their copies are on the disk.
        if (!copied.empty() && !platform::WaitYielding([&] {
                return platform::flushToDisk(destination);
            })) {
            for (const QString& name : copied)
                failed.push_back({ name, CopyOutcome::NotFlushed });
        }
        return failed;
    }

    // Lets the user choose the backup folder and copies the ticked files there. False when the run
    // stops here: nothing ticked, the chooser cancelled, the backup folder is the working folder, a
    // copy failed, or the window was asked to close.
    bool backUp(MainForm& w)
    {
        if (w.lstFiles->SelCount() == 0) {
            nothingSelected();
            return false;
        }
        {
            BrowseMe chooser(w, &w);
            platform::prompts().runModal(chooser);
        }
        const QString destination = w.lblDest->Caption();
        if (destination.isEmpty() || w.closeAfterRun)
            return false;
        if (platform::sameFolder(destination, w.Dir1->Path())) {
            const QString text =
                QStringLiteral("The backup folder is the folder whose files would be changed, "
                               "so the copies would overwrite the files themselves.\n\n"
                               "No file was copied or changed. Please choose another folder "
                               "for the backups.");
            platform::MsgBox(text, QStringLiteral("Backup Directory"), platform::Icon::Exclamation);
            return false;
        }

        // The status line shows through the copies, also when an earlier summary stands in its place.
        const QString status = w.lblScan->Caption();
        const bool summaryShown = !w.lblTotal->isHidden();
        w.lblScan->setCaption(QStringLiteral("Backing up files . . ."));
        w.lblTotal->hide();
        w.lblScan->show();
        w.lblScan->repaint();

        const std::vector<FailedCopy> failed = copyTickedFiles(w, destination);
        platform::DoEventsNow();
        if (w.closeAfterRun)
            return false;
        if (!failed.empty()) {
            w.lblScan->setCaption(status);
            w.lblScan->setVisible(!summaryShown);
            w.lblTotal->setVisible(summaryShown);
            backupFailed(destination, failed);
            return false;
        }
        return true;
    }
} // namespace

bool FindStringGiven(MainForm& w)
{
    if (!w.Findme->toPlainText().isEmpty())
        return true;
    platform::MsgBox(QStringLiteral("Please enter a search sting     "),
        QStringLiteral("Nothing to Search for"), platform::Icon::Information);
    w.Findme->setFocus();
    return false;
}

void Command1_Click(MainForm& w)
{
    // A second Process while one works is dropped.
    if (w.runInProgress)
        return;
    if (!FindStringGiven(w))
        return;
    // From here to the summary nothing may start another run or change what this one works on; a
    // close waits for the copy or file in hand, and the window closes when the guard goes.
    const RunGuard guard(w);
    if (w.chkBackup->isChecked() && !backUp(w))
        return;
    w.cmdReplace->click();
}

void mnuProcess_Click(MainForm& w)
{
    Command1_Click(w);
}

} // namespace workflow
