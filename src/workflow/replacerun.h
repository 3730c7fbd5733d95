#pragma once

class MainForm;

// The replace run behind the hidden cmdReplace button.
namespace workflow
{

// Checks that files are ticked, keeps the two strings for Undo, runs the per-file engine over the
// ticked files with the preview's painting frozen and shows the summary. While it works the window
// repaints, but user input to it is ignored and a close waits for the current file.
void cmdReplace_Click(MainForm& w);

} // namespace workflow
