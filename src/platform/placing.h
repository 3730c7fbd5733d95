#pragma once

#include <QRect>

class QGroupBox;
class QWidget;

// Places captions and the contents of frames where the design puts them, made as large as the style
// draws them wherever the design's room is smaller (its sizes come from another font and style).
namespace platform
{

// Which way a caption taller than its place grows: down from its top, or up from its bottom where a
// control below begins at the place's bottom edge.
enum class Growth { Downward, Upward };

// Sets a label, check box or radio button at `place`, made at least as wide and as tall as the style
// draws it. A word-wrapped label keeps its place: its font gives way instead (see fitCaption).
void placeCaption(QWidget* caption, const QRect& place, Growth growth = Growth::Downward);

// Moves the controls of `frame` that begin inside its title, as the style draws it, down to where its
// contents begin. A word-wrapped label keeps its bottom edge (its font gives way); any other control
// moves whole.
void keepBelowTitle(QGroupBox* frame);

} // namespace platform
