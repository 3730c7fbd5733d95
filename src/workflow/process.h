#pragma once

class MainWindow;

// Process: the user's command for a replace run, with the optional backup copies.
namespace workflow
{

void Command1_Click(MainWindow& w);
void mnuProcess_Click(MainWindow& w);

} // namespace workflow
