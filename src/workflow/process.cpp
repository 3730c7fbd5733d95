#include "workflow/process.h"

#include "app/mainwindow.h"

namespace workflow
{

void Command1_Click(MainWindow& w)
{
    Q_UNUSED(w);
}

void mnuProcess_Click(MainWindow& w)
{
    Command1_Click(w);
}

} // namespace workflow
