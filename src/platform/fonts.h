#pragma once

#include <QFont>

namespace platform
{

// "MS Sans Serif" at `points`, falling back to a sans font of similar width (Arial's metrics) and then
// to the platform's own sans font at the same size.
QFont classicFont(double points, bool bold = false);

} // namespace platform
