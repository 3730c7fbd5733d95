#pragma once

#include <QString>

class MainForm;

// The replace run behind the hidden cmdReplace button.
namespace workflow
{

// Checks that files are ticked, keeps the two strings for Undo, runs the per-file engine over the
// ticked files with the preview's painting frozen and shows the summary. Process is its only caller
// and guards it (see RunGuard); a close asked for during the run waits for the current file, the
// rest are not visited.
void cmdReplace_Click(MainForm& w);

// The summary line: "3 Strings found scanning 1 file".
QString runSummary(const QString& total, int files);

} // namespace workflow
