#pragma once

class MainForm;

// Help > About and Help > Content.
namespace about
{

void mnuAbout_Click(MainForm& w);
void mnuContent_Click(MainForm& w);

} // namespace about
