#pragma once

#include <QObject>

class MainForm;
class QAction;

namespace workflow
{

// Stands for one Process, from the moment it passes its first check until its summary is shown (or
// for a replace run started on its own). While it stands the main window takes no input that could
// start a second run or change the ticks, the strings, the options, the folder or the pattern:
// clicks, keys, the wheel and shortcuts aimed at the window are dropped, and the Edit menu is
// disabled. The window still repaints, and the program's own boxes (the backup chooser, messages)
// work as usual. Closing stays possible ("&Close", File > Exit, the close box), but only asks for
// the close: the work in hand finishes, then the window closes when the guard goes.
//
// A guard made while another one stands (the replace run inside Process) leaves it all to that one.
class RunGuard : public QObject
{
public:
    explicit RunGuard(MainForm& w);
    ~RunGuard() override;
    RunGuard(const RunGuard&) = delete;
    RunGuard& operator=(const RunGuard&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool blocks(QObject* receiver) const;

    MainForm& m_window;
    bool m_outermost;
    QAction* m_disabledMenu = nullptr;
};

} // namespace workflow
