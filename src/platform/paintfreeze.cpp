#include "platform/paintfreeze.h"

#include <QPointer>
#include <QWidget>

namespace platform
{

namespace
{
    QPointer<QWidget> frozen;
}

void LockWindowUpdate(QWidget* widget)
{
    if (frozen && frozen != widget) {
        QWidget* previous = frozen;
        frozen = nullptr;
        previous->setUpdatesEnabled(true);
        if (auto* aware = dynamic_cast<PaintFreezeAware*>(previous))
            aware->paintingResumed();
        previous->update();
    }
    if (widget) {
        frozen = widget;
        widget->setUpdatesEnabled(false);
    }
}

} // namespace platform
