#pragma once

#include <QString>

class MainForm;
namespace platform
{
class ComboBox;
}

// The user's collection of file name patterns in the "File Type Manager" frame, kept in "cmb.ftl".
namespace filetypes
{

// Where the collection is kept: beside the program, unless the program is installed or its folder
// cannot be written; then in the user's own data folder, so that every user keeps their own.
QString patternFilePath();
// Where start-up loads the collection from: where it is kept, or, until the user first saves or
// deletes a pattern there, the collection beside the program or the default one installed with it.
QString patternFileToLoad();

// Appends the fields of the file at `Path` (see readPatternFields) to `Combo` as entries; empty fields
// (blank lines) are dropped. A file that cannot be read adds nothing.
void Load_Combo(const QString& Path, platform::ComboBox& Combo);
// Overwrites the file at `Path` (making its folder when missing) with the entries in UTF-8, one per
// line, each ended by CR LF. A file that cannot be written is left as it was.
void Save_Combo(const QString& Path, const platform::ComboBox& Combo);
// Removes the empty entries.
void ClearBlanks2(platform::ComboBox& Combo);
// Removes every entry equal (exactly, case-sensitively) to one before it.
void ClearDoubles2(platform::ComboBox& Combo);

void cmdCmbAdd_Click(MainForm& w);
void cmdCmbDel_Click(MainForm& w);
void mnuNewExt_Click(MainForm& w);

} // namespace filetypes
