#pragma once

#include <QString>

class MainWindow;
namespace platform
{
class CheckList;
}

// Keeping the file list in step with the drive, the folder and the pattern.
namespace workflow
{

// Appends the plain files of `folder` that match the pattern text of Combo1 to `list`; it does not
// empty the list first. A folder that cannot be listed adds nothing.
void FillFileList(MainWindow& w, platform::CheckList& list, const QString& folder);

// True when `name` matches `pattern`: "*" any run of characters, "?" any one, case ignored.
bool matchesPattern(const QString& name, const QString& pattern);

void Dir1_Change(MainWindow& w);
void Drive1_Change(MainWindow& w);
void Combo1_Change(MainWindow& w);
void Combo1_Click(MainWindow& w);
void chkAll_Click(MainWindow& w);
void mnuSelectAll_Click(MainWindow& w);

} // namespace workflow
