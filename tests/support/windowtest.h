#pragma once

#include "app/mainwindow.h"
#include "platform/checklist.h"
#include "support/sandbox.h"

#include <memory>
#include <QFile>
#include <QStringList>
#include <QTest>

namespace testing
{

// The main window as a user finds it: started inside `box`, showing its work folder.
inline std::unique_ptr<MainWindow> openWindow(const Sandbox& box)
{
    box.setSetting("Dir1", box.workFolder());
    auto window = std::make_unique<MainWindow>();
    window->start();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qWarning("the main window was not exposed");
    return window;
}

// The names the file list shows, top to bottom.
inline QStringList listedNames(const platform::CheckList& list)
{
    QStringList names;
    for (int i = 0; i < list.ListCount(); ++i)
        names << list.List(i);
    return names;
}

// The names that carry a tick.
inline QStringList tickedNames(const platform::CheckList& list)
{
    QStringList names;
    for (int i = 0; i < list.ListCount(); ++i) {
        if (list.Selected(i))
            names << list.List(i);
    }
    return names;
}

} // namespace testing
