#pragma once

#include <QIcon>
#include <QPixmap>

namespace platform
{

// The program's icon, a yellow folder with a magnifying glass, drawn at 48, 32 and 16 pixels.
QIcon applicationIcon();
QPixmap applicationPixmap(int size);

} // namespace platform
