#pragma once

#include <QString>
#include <QStringList>

class MainForm;
namespace platform
{
class CheckList;
}

// Keeping the file list in step with the drive, the folder and the pattern.
namespace workflow
{

// Appends the plain files of `folder` that match the pattern text of Combo1 to `list`; it does not
// empty the list first. Hidden files (a leading dot) and anything but plain files (folders, devices,
// sockets: the system files of this platform) are never listed; read-only files are. A folder that
// cannot be listed adds nothing.
void FillFileList(MainForm& w, platform::CheckList& list, const QString& folder);

// The folder and the pattern joined with exactly one separator: "/" and "*.txt" give "/*.txt".
QString searchPath(const QString& folder, const QString& pattern);

// The names of the plain, not hidden files that a search path such as "/home/ann/*.txt" finds, in
// the order the folder holds them. Empty when the folder cannot be listed.
QStringList listMatchingFiles(const QString& searchPath);

// Makes a folder the current folder, or a file's folder with that file current when the pattern lists
// it. False, and nothing changes, for a path that is neither, or while a run works.
bool openPath(MainForm& w, const QString& path);

void Dir1_Change(MainForm& w);
void Drive1_Change(MainForm& w);
void Combo1_Change(MainForm& w);
void Combo1_Click(MainForm& w);
void chkAll_Click(MainForm& w);
void mnuSelectAll_Click(MainForm& w);

} // namespace workflow
