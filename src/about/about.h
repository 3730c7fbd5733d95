#pragma once

class MainWindow;

// Help > About and Help > Content.
namespace about
{

void mnuAbout_Click(MainWindow& w);
void mnuContent_Click(MainWindow& w);

} // namespace about
