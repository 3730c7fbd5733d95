#pragma once

class MainForm;

// Undo: takes back exactly what the last run wrote.
namespace workflow
{

void cmdUndo_Click(MainForm& w);
void mnuUndo_Click(MainForm& w);

} // namespace workflow
