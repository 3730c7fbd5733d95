#include "about/about.h"

#include "app/mainwindow.h"

namespace about
{

void mnuAbout_Click(MainWindow& w)
{
    Q_UNUSED(w);
}

void mnuContent_Click(MainWindow& w)
{
    Q_UNUSED(w);
}

} // namespace about
