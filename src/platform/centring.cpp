#include "platform/centring.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace platform
{

namespace
{
    bool atNormalSize(const QWidget* window)
    {
        return !(window->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
    }

    void moveFrameToCentre(QWidget* window)
    {
        const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
        if (!screen)
            return;
        // The frame as the window manager drew it; before the window is framed, its bare size.
        const QWindow* handle = window->windowHandle();
        const QMargins frame = handle ? handle->frameMargins() : QMargins();
        QRect placed = QRect(QPoint(), window->size()).marginsAdded(frame);
        placed.moveCenter(screen->availableGeometry().center());
        window->move(placed.topLeft());
    }

    // Centres the window once more when its frame is known: when it is first shown at normal size, or,
    // for a window first shown maximized or minimized, when it is first restored. A restore is told to
    // the window before the window manager has given it back its normal size, so for a moment after it
    // each change of size centres it again. Then it goes.
    class CentreWhenFramed : public QObject
    {
    public:
        explicit CentreWhenFramed(QWidget* window)
            : QObject(window)
            , m_window(window)
        {
            window->installEventFilter(this);
        }

    protected:
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            switch (event->type()) {
            case QEvent::Show:
                if (watched == m_window && m_window->windowHandle())
                    m_window->windowHandle()->installEventFilter(this);
                break;
            case QEvent::Expose:
                if (!m_settling && m_window->windowHandle()->isExposed() && atNormalSize(m_window)) {
                    m_settling = true;
                    centreSoon(0);
                }
                break;
            case QEvent::WindowStateChange:
                if (!m_settling && watched == m_window && atNormalSize(m_window)) {
                    m_settling = true;
                    m_restored = true;
                    centreSoon(1000);
                }
                break;
            case QEvent::Resize:
                if (m_restored && watched == m_window)
                    QTimer::singleShot(0, this, [this] {
                        if (m_window && atNormalSize(m_window))
                            moveFrameToCentre(m_window);
                    });
                break;
            default:
                break;
            }
            return false;
        }

    private:
        // Centres the window after the window manager's own moves for this change have arrived, and
        // again on each change of size for `settleMs`; then the filter goes.
        void centreSoon(int settleMs)
        {
            QTimer::singleShot(0, this, [this] {
                if (m_window && atNormalSize(m_window))
                    moveFrameToCentre(m_window);
            });
            QTimer::singleShot(settleMs, this, [this] {
                deleteLater();
            });
        }

        QPointer<QWidget> m_window;
        bool m_settling = false;
        bool m_restored = false;
    };
} // namespace

void centreOnScreen(QWidget* window)
{
    moveFrameToCentre(window);
    new CentreWhenFramed(window);
}

} // namespace platform
