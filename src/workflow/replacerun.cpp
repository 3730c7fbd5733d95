#include "workflow/replacerun.h"

#include "engine/runjournal/runjournal.h"
#include "mainform/mainform.h"
#include "platform/checklist.h"
#include "platform/label.h"
#include "platform/paintfreeze.h"
#include "platform/prompts.h"
#include "richtext/rtftext.h"
#include "workflow/rtffunctions.h"
#include "workflow/runguard.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

namespace workflow
{

namespace
{

    void nothingSelected()
    {
        platform::MsgBox(QStringLiteral("Select file(s) to change by placing a Check in the box     "),
            QStringLiteral("Nothing Selected"), platform::Icon::Information);
    }

} // namespace

QString runSummary(const QString& total, int files)
{
    const QString word = files == 1 ? QStringLiteral(" file") : QStringLiteral(" files");
    const QString found = total == QLatin1String("1") ? QStringLiteral(" String found scanning ")
                                                      : QStringLiteral(" Strings found scanning ");
    return total + found + QString::number(files) + word;
}

void cmdReplace_Click(MainForm& w)
{
    // Process holds the guard already; a run started on its own takes its own.
    RunGuard guard(w);

    const QString find = w.Findme->toPlainText();
    const QString replacement = w.Replaceme->toPlainText();

    if (w.lstFiles->SelCount() == 0) {
        nothingSelected();
        return;
    }

    w.Text1 = find;
    w.Text2 = replacement;
    // Undo takes back what this run writes, and nothing an earlier run wrote.
    w.journal = std::make_shared<engine::RunJournal>();

    w.lblTotal->hide();
    w.lblScan->show();
    w.lstResults->clear();
    w.lblTotal->setCaption(QStringLiteral("0"));

    if (w.Findme->toPlainText().isEmpty()) {
        platform::MsgBox(QStringLiteral("Nothing to replace."), MainForm::appTitle(), platform::Icon::None);
    } else {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        platform::LockWindowUpdate(w.rtftext);
        RtfFunctions::ReplaceInFiles(w, *w.rtftext, w.Findme->toPlainText(), w.Replaceme->toPlainText());
        platform::LockWindowUpdate(nullptr);
        QApplication::restoreOverrideCursor();
        w.lblTotal->setCaption(runSummary(w.lblTotal->Caption(), w.lstFiles->SelCount()));
    }

    w.lblTotal->show();
    w.lblScan->hide();
    w.cmdUndo->setEnabled(true);
    w.mnuUndo->setEnabled(true);
}

} // namespace workflow
