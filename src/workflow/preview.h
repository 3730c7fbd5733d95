#pragma once

class MainWindow;

// The preview: the current file of the list, and picking the find string from it.
namespace workflow
{

void lstFiles_Click(MainWindow& w);
void rtftext_MouseUp(MainWindow& w);

} // namespace workflow
