#pragma once

class MainWindow;

// The replace run behind the hidden cmdReplace button.
namespace workflow
{

void cmdReplace_Click(MainWindow& w);

} // namespace workflow
