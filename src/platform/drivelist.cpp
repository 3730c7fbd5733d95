#include "platform/drivelist.h"

#include <QDir>
#include <QSignalBlocker>
#include <QStorageInfo>

namespace platform
{

QStringList DriveList::drives()
{
    static const QStringList pseudo = { "proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2",
        "securityfs", "pstore", "debugfs", "tracefs", "configfs", "fusectl", "mqueue", "hugetlbfs", "bpf",
        "binfmt_misc", "autofs", "rpc_pipefs", "nsfs", "efivarfs", "squashfs", "overlay", "tmpfs", "ramfs" };
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString type = QString::fromLatin1(volume.fileSystemType());
        const QString root = volume.rootPath();
        if (root != "/"
            && (pseudo.contains(type) || root.startsWith("/proc") || root.startsWith("/sys")
                || root.startsWith("/dev") || root.startsWith("/run")))
            continue;
        if (!roots.contains(root))
            roots << root;
    }
    if (!roots.contains("/"))
        roots.prepend("/");
    roots.sort();
    return roots;
}

QString DriveList::driveOf(const QString& path)
{
    QString best = "/";
    const QString clean = QDir::cleanPath(path);
    for (const QString& root : drives()) {
        if ((clean == root || clean.startsWith(root.endsWith('/') ? root : root + '/'))
            && root.size() > best.size())
            best = root;
    }
    return best;
}

DriveList::DriveList(QWidget* parent)
    : QComboBox(parent)
{
    addItems(drives());
    m_current = findText(driveOf(QDir::currentPath()));
    setCurrentIndex(m_current);
    connect(this, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int index) {
        if (index == m_current)
            return;
        m_current = index;
        emit Change();
    });
}

QString DriveList::Drive() const
{
    return currentText();
}

void DriveList::setDrive(const QString& path)
{
    const int index = findText(driveOf(path));
    if (index >= 0)
        setCurrentIndex(index);
}

} // namespace platform
