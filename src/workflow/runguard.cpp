#include "workflow/runguard.h"

#include "mainform/mainform.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace workflow
{

namespace
{
    // The Edit menu, found through one of its entries.
    QAction* editMenu(const MainForm& w)
    {
        for (QObject* owner : w.mnuProcess->associatedObjects()) {
            if (auto* menu = qobject_cast<QMenu*>(owner))
                return menu->menuAction();
        }
        return nullptr;
    }
} // namespace

RunGuard::RunGuard(MainForm& w)
    : m_window(w)
    , m_outermost(!w.runInProgress)
{
    if (!m_outermost)
        return;
    m_window.runInProgress = true;
    qApp->installEventFilter(this);
    // Its entries start a run, undo one, change the pattern or the ticks.
    QAction* edit = editMenu(m_window);
    if (edit && edit->isEnabled()) {
        edit->setEnabled(false);
        m_disabledMenu = edit;
    }
}

RunGuard::~RunGuard()
{
    if (!m_outermost)
        return;
    if (m_disabledMenu)
        m_disabledMenu->setEnabled(true);
    qApp->removeEventFilter(this);
    m_window.runInProgress = false;
    if (m_window.closeAfterRun) {
        m_window.closeAfterRun = false;
        m_window.close();
    }
}

bool RunGuard::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::InputMethod:
    case QEvent::Wheel:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::Drop:
    case QEvent::TouchBegin:
        return blocks(watched);
    default:
        return false;
    }
}

bool RunGuard::blocks(QObject* receiver) const
{
    // The way to "&Close" and File > Exit stays open.
    if (receiver == m_window.cmdClose || receiver == m_window.menuBar())
        return false;
    // The chooser, message boxes, the about box and the menus are windows of their own.
    if (auto* widget = qobject_cast<QWidget*>(receiver))
        return widget->window() == &m_window;
    // A shortcut of a menu entry, or anything else of the window's that is not a widget.
    for (QObject* o = receiver; o; o = o->parent()) {
        if (o == &m_window)
            return receiver != m_window.mnuExit;
    }
    return false;
}

} // namespace workflow
