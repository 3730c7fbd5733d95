#include "platform/drivelist.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QStorageInfo>

namespace platform
{

namespace
{
    // File systems of the kernel and of packaging that hold nothing a user would edit.
    bool isPseudo(const QString& type, const QString& root)
    {
        static const QStringList types = { "proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2",
            "securityfs", "pstore", "debugfs", "tracefs", "configfs", "fusectl", "mqueue", "hugetlbfs", "bpf",
            "binfmt_misc", "autofs", "rpc_pipefs", "nsfs", "efivarfs", "squashfs", "ramfs", "selinuxfs",
            "fuse.gvfsd-fuse", "fuse.portal", "nfsd" };
        static const QStringList places = { "/proc", "/sys", "/dev", "/run", "/snap", "/boot", "/var/lib" };
        if (types.contains(type))
            return true;
        for (const QString& place : places) {
            if (root == place || root.startsWith(place + '/'))
                return true;
        }
        return false;
    }

    bool holds(const QString& root, const QString& path)
    {
        return path == root || root == "/" || path.startsWith(root + '/');
    }
} // namespace

QStringList DriveList::drives()
{
    QStringList roots { "/" };
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        if (root == "/" || !volume.isValid() || isPseudo(QString::fromLatin1(volume.fileSystemType()), root))
            continue;
        // Bind mounts of single files (a container's /etc/hosts) are not drives.
        if (!roots.contains(root) && QFileInfo(root).isDir())
            roots << root;
    }
    std::sort(roots.begin() + 1, roots.end());
    return roots;
}

DriveList::DriveList(QWidget* parent)
    : QComboBox(parent)
{
    addItems(drives());
    const QString here = QDir::cleanPath(QDir::currentPath());
    m_current = findText(driveOf(here));
    setCurrentIndex(m_current);
    rememberFolder(here);
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

QString DriveList::driveOf(const QString& path) const
{
    const QString clean = QDir::cleanPath(path);
    QString best = "/";
    for (int i = 0; i < count(); ++i) {
        const QString root = itemText(i);
        if (root.size() > best.size() && holds(root, clean))
            best = root;
    }
    return best;
}

void DriveList::setDrive(const QString& path)
{
    const int index = findText(driveOf(path));
    if (index >= 0)
        setCurrentIndex(index);
}

void DriveList::showDriveOf(const QString& path)
{
    const int index = findText(driveOf(path));
    if (index < 0)
        return;
    const QSignalBlocker quiet(this);
    setCurrentIndex(index);
    m_current = index;
}

void DriveList::rememberFolder(const QString& folder)
{
    if (!folder.isEmpty())
        m_folders.insert(driveOf(folder), QDir::cleanPath(folder));
}

QString DriveList::CurrentFolder() const
{
    const QString drive = Drive();
    const QString folder = m_folders.value(drive);
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : drive;
}

void DriveList::Refresh()
{
    const QString chosen = Drive();
    QStringList found = drives();
    // A drive gone from the machine stays while it is chosen, so the list still names it.
    if (!chosen.isEmpty() && !found.contains(chosen))
        found << chosen;
    QStringList shown;
    for (int i = 0; i < count(); ++i)
        shown << itemText(i);
    if (found == shown)
        return;
    const QSignalBlocker quiet(this);
    clear();
    addItems(found);
    m_current = findText(chosen);
    setCurrentIndex(m_current);
}

void DriveList::showPopup()
{
    Refresh();
    QComboBox::showPopup();
}

} // namespace platform
