#include "platform/folderlist.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>

namespace platform
{

namespace
{
    constexpr int PathRole = Qt::UserRole + 1;
    constexpr int DepthRole = Qt::UserRole + 2;
    constexpr int indentStep = 8;

    QString normalised(const QString& path)
    {
        return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    }

    // Shifts each entry right by its depth, so the picture moves with the name.
    class IndentDelegate : public QStyledItemDelegate
    {
    public:
        using QStyledItemDelegate::QStyledItemDelegate;

        void paint(
            QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
        {
            QStyleOptionViewItem shifted(option);
            shifted.rect.setLeft(option.rect.left() + indentStep * index.data(DepthRole).toInt());
            QStyledItemDelegate::paint(painter, shifted, index);
        }

        QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
        {
            QSize size = QStyledItemDelegate::sizeHint(option, index);
            size.rwidth() += indentStep * index.data(DepthRole).toInt();
            return size;
        }
    };
} // namespace

FolderList::FolderList(QWidget* parent)
    : QListWidget(parent)
    , m_path(normalised(QDir::currentPath()))
{
    setItemDelegate(new IndentDelegate(this));
    connect(this, &QListWidget::itemActivated, this, &FolderList::enter);
    fill();
}

bool FolderList::setPath(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QString target = normalised(path);
    const QFileInfo info(target);
    // A folder must be readable and searchable for its subfolders and files to be listed.
    if (!info.isDir() || !info.isReadable() || !info.isExecutable())
        return false;
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

QString FolderList::folderAt(int row) const
{
    const QListWidgetItem* entry = item(row);
    return entry ? entry->data(PathRole).toString() : QString();
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
        auto* entry = new QListWidgetItem(open, name, this);
        entry->setData(PathRole, folder);
        entry->setData(DepthRole, depth);
        ++depth;
    }
    m_ancestors = count();
    setCurrentRow(m_ancestors - 1);

    const QDir here(m_path);
    const QStringList subfolders =
        here.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QString& name : subfolders) {
        auto* entry = new QListWidgetItem(closed, name, this);
        entry->setData(PathRole, here.filePath(name));
        entry->setData(DepthRole, depth);
    }
}

void FolderList::enter(QListWidgetItem* entry)
{
    if (entry)
        setPath(entry->data(PathRole).toString());
}

} // namespace platform
