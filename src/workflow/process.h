#pragma once

class MainForm;

// Process: the user's command for a replace run, with the optional backup copies.
namespace workflow
{

void Command1_Click(MainForm& w);
void mnuProcess_Click(MainForm& w);

} // namespace workflow
