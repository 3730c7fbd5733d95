#include "workflow/undo.h"

#include "mainform/mainform.h"
#include "platform/yield.h"
#include "workflow/process.h"

#include <QAction>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>

namespace workflow
{

namespace
{
    // The last run's strings, swapped: its replacement becomes the string to find.
    void swapInLastStrings(MainForm& w)
    {
        w.Findme->setPlainText(w.Text2);
        w.Replaceme->setPlainText(w.Text1);
    }
} // namespace

void cmdUndo_Click(MainForm& w)
{
    swapInLastStrings(w);
    // The reverse run makes no backup copies, and the box stays unticked.
    w.chkBackup->setChecked(false);
    Command1_Click(w);
    // The reverse run enabled Undo again; one Undo per run.
    w.cmdUndo->setEnabled(false);
    w.mnuUndo->setEnabled(false);
    platform::DoEventsNow();
    // After a reverse run this puts the first run's strings back in the boxes.
    swapInLastStrings(w);
}

void mnuUndo_Click(MainForm& w)
{
    cmdUndo_Click(w);
}

} // namespace workflow
