#include "platform/placing.h"

#include <QGroupBox>
#include <QLabel>

namespace platform
{

namespace
{
    bool wraps(const QWidget* control)
    {
        const auto* label = qobject_cast<const QLabel*>(control);
        return label && label->wordWrap();
    }
} // namespace

void placeCaption(QWidget* caption, const QRect& place, Growth growth)
{
    if (wraps(caption)) {
        caption->setGeometry(place);
        return;
    }
    const QSize drawn = caption->sizeHint();
    QRect room = place;
    room.setWidth(std::max(place.width(), drawn.width()));
    if (growth == Growth::Upward)
        room.setTop(place.bottom() + 1 - std::max(place.height(), drawn.height()));
    else
        room.setHeight(std::max(place.height(), drawn.height()));
    caption->setGeometry(room);
}

void keepBelowTitle(QGroupBox* frame)
{
    const int contentsTop = frame->contentsRect().top();
    for (QWidget* control : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        QRect place = control->geometry();
        if (place.top() >= contentsTop)
            continue;
        if (wraps(control))
            place.setTop(contentsTop);
        else
            place.moveTop(contentsTop);
        control->setGeometry(place);
    }
}

} // namespace platform
