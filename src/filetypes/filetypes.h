#pragma once

#include <QString>

class MainWindow;
namespace platform
{
class ComboBox;
}

// The user's collection of file name patterns in the "File Type Manager" frame, kept in "cmb.ftl".
namespace filetypes
{

void Load_Combo(const QString& Path, platform::ComboBox& Combo);
void Save_Combo(const QString& Path, const platform::ComboBox& Combo);
void ClearBlanks2(platform::ComboBox& Combo);
void ClearDoubles2(platform::ComboBox& Combo);

void cmdCmbAdd_Click(MainWindow& w);
void cmdCmbDel_Click(MainWindow& w);
void mnuNewExt_Click(MainWindow& w);

} // namespace filetypes
