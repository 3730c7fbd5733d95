#pragma once

#include <QComboBox>

namespace platform
{

// The machine's drives: drive letters on Windows, the roots of the mounted file systems elsewhere.
// Change is raised when another drive is chosen, by the user or by the program.
class DriveList : public QComboBox
{
    Q_OBJECT
public:
    explicit DriveList(QWidget* parent = nullptr);

    // The chosen drive's root path ("/" or "/media/usb" here).
    QString Drive() const;
    // Chooses the drive that holds `path`. Change is raised when that is another drive.
    void setDrive(const QString& path);

    // The drives a user may browse.
    static QStringList drives();
    // The root of the drive that holds `path`.
    static QString driveOf(const QString& path);

signals:
    void Change();

private:
    int m_current = -1;
};

} // namespace platform
