#include "workflow/replacerun.h"

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

    QString summary(const QString& total, int tickedFiles)
    {
        const QString files = tickedFiles == 1 ? QStringLiteral(" file") : QStringLiteral(" files");
        const QString found = total == QLatin1String("1") ? QStringLiteral(" String found scanning ")
                                                          : QStringLiteral(" Strings found scanning ");
        return total + found + QString::number(tickedFiles) + files;
    }

} // namespace

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
        w.lblTotal->setCaption(summary(w.lblTotal->Caption(), w.lstFiles->SelCount()));
    }

    w.lblTotal->show();
    w.lblScan->hide();
    w.cmdUndo->setEnabled(true);
    w.mnuUndo->setEnabled(true);
}

} // namespace workflow
