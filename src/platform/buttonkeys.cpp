#include "platform/buttonkeys.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

namespace platform
{

namespace
{
    // Sees the keys that the window's controls leave unanswered; a push button without a default
    // role is one that leaves Enter so.
    class EnterClicks : public QObject
    {
    public:
        using QObject::QObject;

    protected:
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() != QEvent::KeyPress)
                return false;
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool enter = (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
                && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
            auto* button = qobject_cast<QPushButton*>(static_cast<QWidget*>(watched)->focusWidget());
            if (!enter || !button || !button->isEnabled())
                return false;
            if (!key->isAutoRepeat())
                button->click();
            return true;
        }
    };
} // namespace

void enterClicksFocusedButton(QWidget* window)
{
    window->installEventFilter(new EnterClicks(window));
}

} // namespace platform
