#pragma once

#include <QRect>
#include <QWidget>

// Window geometry of the design is in twips: 1/1440 inch, 15 twips to the pixel at 96 dots per inch.
namespace platform
{

constexpr int twipsPerPixel = 15;
constexpr int toPixels(int twips)
{
    return (twips + (twips >= 0 ? twipsPerPixel / 2 : -twipsPerPixel / 2)) / twipsPerPixel;
}

// A control's place in twips: left, top, width, height.
struct Twips {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Twips&) const = default;
};

inline QRect pixels(const Twips& at)
{
    return QRect(toPixels(at.left), toPixels(at.top), toPixels(at.width), toPixels(at.height));
}

inline void place(QWidget* control, const Twips& at)
{
    control->setGeometry(pixels(at));
}

} // namespace platform
