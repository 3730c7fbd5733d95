#include "platform/folderlist.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStyle>

namespace platform
{

namespace
{
    constexpr int PathRole = Qt::UserRole + 1;

    QString normalised(const QString& path)
    {
        return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    }
} // namespace

FolderList::FolderList(QWidget* parent)
    : QListWidget(parent)
    , m_path(normalised(QDir::currentPath()))
{
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemActivated, this, &FolderList::enter);
    fill();
}

bool FolderList::setPath(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    if (!info.isDir() || !info.isReadable())
        return false;
    const QString target = normalised(path);
    if (target == m_path)
        return true;
    m_path = target;
    fill();
    emit Change();
    return true;
}

void FolderList::Refresh()
{
    fill();
}

void FolderList::fill()
{
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

    QStringList chain;
    for (QDir dir(m_path);;) {
        chain.prepend(dir.absolutePath());
        if (dir.isRoot() || !dir.cdUp())
            break;
    }
    int depth = 0;
    for (const QString& folder : chain) {
        const QString name = depth == 0 ? QDir::toNativeSeparators(folder) : QFileInfo(folder).fileName();
        auto* item = new QListWidgetItem(open, QString(depth * 2, ' ') + name, this);
        item->setData(PathRole, folder);
        ++depth;
    }
    setCurrentRow(count() - 1);

    const QStringList subfolders = QDir(m_path).entryList(
        QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QString& name : subfolders) {
        auto* item = new QListWidgetItem(closed, QString(depth * 2, ' ') + name, this);
        item->setData(PathRole, QDir(m_path).filePath(name));
    }
}

void FolderList::enter(QListWidgetItem* item)
{
    if (item)
        setPath(item->data(PathRole).toString());
}

} // namespace platform
