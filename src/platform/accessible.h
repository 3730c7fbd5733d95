#pragma once

#include <QList>
#include <QString>

class QLabel;
class QWidget;

// What a screen reader says for a control: the caption that names it on screen. Captions and access
// keys on screen stay as they are.
namespace platform
{

// A caption as it is spoken: without the marks of its access key, blanks run together.
QString spokenCaption(const QString& caption);

// Each of `controls` is named by the caption of `label`, the label that stands for them on screen;
// the name follows a platform::Label's caption when it changes. The first control becomes the label's
// buddy, which screen readers on Linux take as the name of a combo box (whose own name is its text),
// unless that would turn a "&" of the caption into an access key.
void nameAfter(QLabel* label, const QList<QWidget*>& controls);

// A control that shows only a picture is named by its tooltip.
void nameAfterToolTip(QWidget* control);

} // namespace platform
