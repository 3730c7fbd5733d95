#pragma once

class MainForm;

// The preview: the current file of the list, and picking the find string from it.
namespace workflow
{

void lstFiles_Click(MainForm& w);
void rtftext_MouseUp(MainForm& w);

} // namespace workflow
