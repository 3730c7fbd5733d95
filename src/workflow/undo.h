#pragma once

class MainWindow;

// Undo: the last run once more, with its two strings swapped.
namespace workflow
{

void cmdUndo_Click(MainWindow& w);
void mnuUndo_Click(MainWindow& w);

} // namespace workflow
