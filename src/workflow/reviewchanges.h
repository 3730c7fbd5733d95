#pragma once

class MainForm;

// Review Changes: the run Process would make, with its writing held back, shown change by change;
// the changes kept are then written by the normal Process flow.
namespace workflow
{

void mnuReview_Click(MainForm& w);

} // namespace workflow
