#pragma once

#include <QPixmap>

namespace about
{

// The maker's logo as the about box shows it: 67 x 143 pixels, upright.
QPixmap makerLogo();

} // namespace about
