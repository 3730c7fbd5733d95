#pragma once

#include <QComboBox>
#include <QHash>

namespace platform
{

// The machine's drives: drive letters on Windows, the roots of the mounted file systems elsewhere
// ("/" always, then the mounts a user browses; pseudo file systems are left out). Change is raised
// when another drive is chosen, by the user or by the program. Each drive keeps its own current
// folder, as a drive does on Windows: the folder last shown on it, at first its root (or the
// process's current folder on the drive that holds it).
class DriveList : public QComboBox
{
    Q_OBJECT
public:
    explicit DriveList(QWidget* parent = nullptr);

    // The chosen drive's root path ("/" or "/media/usb" here).
    QString Drive() const;
    // Chooses the drive that holds `path`. Change is raised when that is another drive.
    void setDrive(const QString& path);
    // Chooses the drive that holds `path` without raising Change: the list goes back to the drive of
    // the folder shown when another drive could not be read.
    void showDriveOf(const QString& path);

    // The root of the listed drive that holds `path` ("/" when no other does).
    QString driveOf(const QString& path) const;
    // Records `folder` as the current folder of the drive that holds it.
    void rememberFolder(const QString& folder);
    // The current folder of the chosen drive.
    QString CurrentFolder() const;

    // The drives a user may browse, "/" first.
    static QStringList drives();
    // Reads the drives again (a stick plugged in since); the chosen drive stays chosen.
    void Refresh();

    // Opening the list reads the drives again.
    void showPopup() override;

signals:
    void Change();

private:
    int m_current = -1;
    QHash<QString, QString> m_folders;
};

} // namespace platform
