#pragma once

class MainForm;

// Process: the user's command for a replace run, with the optional backup copies.
namespace workflow
{

// True when there is a string to find; otherwise says so and puts the focus in its box.
bool FindStringGiven(MainForm& w);
void Command1_Click(MainForm& w);
void mnuProcess_Click(MainForm& w);

} // namespace workflow
