#pragma once

#include <QString>

class MainWindow;
namespace platform
{
class ComboBox;
}

// The user's collection of file name patterns in the "File Type Manager" frame, kept in "cmb.ftl"
// in the program's folder.
namespace filetypes
{

// Where the collection is kept.
QString patternFilePath();

// Appends the fields of the file at `Path` (see readPatternFields) to `Combo` as entries. A file that
// cannot be read adds nothing.
void Load_Combo(const QString& Path, platform::ComboBox& Combo);
// Overwrites the file at `Path` with the entries, one per line, each ended by CR LF. A file that
// cannot be written is left as it was.
void Save_Combo(const QString& Path, const platform::ComboBox& Combo);
// Removes the empty entries.
void ClearBlanks2(platform::ComboBox& Combo);
// Removes every entry equal (exactly, case-sensitively) to one before it.
void ClearDoubles2(platform::ComboBox& Combo);

void cmdCmbAdd_Click(MainWindow& w);
void cmdCmbDel_Click(MainWindow& w);
void mnuNewExt_Click(MainWindow& w);

} // namespace filetypes
