#pragma once

class MainForm;

// Undo: the last run once more, with its two strings swapped.
namespace workflow
{

void cmdUndo_Click(MainForm& w);
void mnuUndo_Click(MainForm& w);

} // namespace workflow
