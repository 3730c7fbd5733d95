// A folder or file dropped on the main window opens as it does when given on the command line.
#include "app/mainwindow.h"
#include "workflow/filelist.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace
{
// The local file or folder a drag carries first, or "".
QString droppedPath(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            return url.toLocalFile();
    return {};
}
} // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!runInProgress && !droppedPath(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    Form_DragDrop(event);
}

void MainWindow::Form_DragDrop(QDropEvent* event)
{
    if (workflow::openPath(*this, droppedPath(event->mimeData())))
        event->acceptProposedAction();
}
