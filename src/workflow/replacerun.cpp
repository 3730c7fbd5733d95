#include "workflow/replacerun.h"

#include "app/mainwindow.h"

namespace workflow
{

void cmdReplace_Click(MainWindow& w)
{
    Q_UNUSED(w);
}

} // namespace workflow
