#include "platform/folderlist.h"

#include "engine/files/filenames.h"

#include <algorithm>
#include <dirent.h>
#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <sys/stat.h>
#include <unistd.h>

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

    // A folder's name is bytes, not always UTF-8 (an archive from an older system): paths keep those
    // bytes (see decodeFileName) and reach the system through encodeFileName, never through Qt's own
    // file classes, which would change them.
    bool enterable(const QString& path)
    {
        const QByteArray local = engine::encodeFileName(path);
        struct stat info;
        return ::stat(local.constData(), &info) == 0 && S_ISDIR(info.st_mode)
            && ::access(local.constData(), R_OK | X_OK) == 0;
    }

    // The subfolders of `folder` (links to folders too) in name order, letter case aside; hidden ones
    // (a leading dot) are left out.
    QStringList subfoldersOf(const QString& folder)
    {
        QStringList names;
        DIR* dir = ::opendir(engine::encodeFileName(folder).constData());
        if (!dir)
            return names;
        while (const dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] == '.')
                continue;
            bool isFolder = entry->d_type == DT_DIR;
            if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
                struct stat info;
                isFolder = ::fstatat(::dirfd(dir), entry->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
            }
            if (isFolder)
                names << engine::decodeFileName(entry->d_name);
        }
        ::closedir(dir);
        QCollator order;
        order.setCaseSensitivity(Qt::CaseInsensitive);
        std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
            return order.compare(a, b) < 0;
        });
        return names;
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
    // A folder must be readable and searchable for its subfolders and files to be listed.
    if (!enterable(target))
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

    // The ancestors are found in the path itself, whatever bytes their names hold.
    QStringList chain;
    for (QString folder = m_path;;) {
        chain.prepend(folder);
        const QString parent = QFileInfo(folder).path();
        if (parent == folder)
            break;
        folder = parent;
    }
    int depth = 0;
    for (const QString& folder : chain) {
        const QString name = depth == 0 ? QDir::toNativeSeparators(folder) : QFileInfo(folder).fileName();
        auto* entry = new QListWidgetItem(open, engine::shownFileName(name), this);
        entry->setData(PathRole, folder);
        entry->setData(DepthRole, depth);
        ++depth;
    }
    m_ancestors = count();
    setCurrentRow(m_ancestors - 1);

    const QDir here(m_path);
    for (const QString& name : subfoldersOf(m_path)) {
        auto* entry = new QListWidgetItem(closed, engine::shownFileName(name), this);
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
