#pragma once

class QWidget;

namespace platform
{

// Places a top-level window so that its frame, title bar and borders included, stands in the centre
// of its screen's free area. The window manager frames a window only when it is first shown, so the
// window is centred again then, with its real frame; a window first shown maximized is centred when
// it is first restored.
void centreOnScreen(QWidget* window);

} // namespace platform
