#pragma once

#include <QFont>

class QWidget;

namespace platform
{

// "MS Sans Serif" at `points`, falling back to a sans font of similar width (Arial's metrics) and then
// to the platform's own sans font at the same size.
QFont classicFont(double points, bool bold = false);

// True when `control` shows its whole caption at its present size and font: a push button or a check
// box its caption on one line, a label every line of its text, wrapped to its width when it wraps.
bool captionFits(const QWidget* control);

// Makes a caption fit the place the design gives its control, whatever font the machine substituted
// for the design's: the control's font shrinks a quarter point at a time, down to `smallestPoints`.
// A one-line label that still does not fit is cut short with an ellipsis.
void fitCaption(QWidget* control, double smallestPoints = 6.0);

} // namespace platform
