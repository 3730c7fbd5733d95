#pragma once

#include <QListWidget>

namespace platform
{

// A folder list: the current folder's ancestors from the root down (open folders, indented one step
// per level), then its subfolders in name order (closed folders, one step further in). Hidden folders
// (a leading dot) are not offered, as hidden files are not listed either; a path inside one can still
// be assigned. A double click or Enter enters a folder; assigning the path moves the list. Change is
// raised whenever the path really changes, by the user or by the program.
class FolderList : public QListWidget
{
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent = nullptr);

    // The current folder: no trailing separator except at a root.
    QString Path() const { return m_path; }
    // Moves the list to `path`. False (and the list stays) when it is not a folder that can be read.
    bool setPath(const QString& path);
    // Reads the folders on disk again; the path stays.
    void Refresh();

    // The folder an entry stands for, "" outside the list.
    QString folderAt(int row) const;
    // Entries 0 to ancestorCount() - 1 are the path and its ancestors; the rest are subfolders.
    int ancestorCount() const { return m_ancestors; }

signals:
    void Change();

private:
    void fill();
    void enter(QListWidgetItem* item);

    QString m_path;
    int m_ancestors = 0;
};

} // namespace platform
