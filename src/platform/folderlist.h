#pragma once

#include <QListWidget>

namespace platform
{

// A folder list: the current folder's ancestors from the root down, then its subfolders in name
// order. A double click enters a folder; assigning the path moves the list. Change is raised whenever
// the path really changes, by the user or by the program.
class FolderList : public QListWidget
{
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent = nullptr);

    // The current folder: no trailing separator except at a root.
    QString Path() const { return m_path; }
    // Moves the list to `path`. False (and the list stays) when it is not a folder that exists.
    bool setPath(const QString& path);
    // Reads the folders on disk again.
    void Refresh();

signals:
    void Change();

private:
    void fill();
    void enter(QListWidgetItem* item);

    QString m_path;
};

} // namespace platform
