#include "workflow/undo.h"

#include "app/mainwindow.h"

namespace workflow
{

void cmdUndo_Click(MainWindow& w)
{
    Q_UNUSED(w);
}

void mnuUndo_Click(MainWindow& w)
{
    cmdUndo_Click(w);
}

} // namespace workflow
