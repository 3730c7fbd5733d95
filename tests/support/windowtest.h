#pragma once

#include "app/mainwindow.h"
#include "backupdir/browseme.h"
#include "platform/checklist.h"
#include "platform/folderlist.h"
#include "platform/label.h"
#include "richtext/rtftext.h"
#include "support/sandbox.h"

#include <memory>
#include <QDir>
#include <QPushButton>
#include <QStringList>
#include <QTest>

namespace testing
{

// Makes each of `entries` in the work folder: names ending in "/" as folders, the others as files.
inline void makeEntries(const Sandbox& box, const QStringList& entries, const QByteArray& bytes = "x")
{
    for (const QString& entry : entries) {
        if (entry.endsWith('/'))
            QDir(box.workFolder()).mkpath(entry);
        else
            box.writeFile(entry, bytes);
    }
}

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

// The entries a list or combo box shows, top to bottom; with `tickedOnly`, those that carry a tick.
template <typename List> QStringList listedNames(const List& list, bool tickedOnly = false)
{
    QStringList names;
    for (int i = 0; i < list.ListCount(); ++i) {
        if constexpr (requires { list.Selected(i); })
            if (tickedOnly && !list.Selected(i))
                continue;
        names << list.List(i);
    }
    return names;
}

inline QStringList tickedNames(const platform::CheckList& list)
{
    return listedNames(list, true);
}

// The next backup folder chooser moves to `folder`, then is left by `button` (none: its close box).
inline void answerChooser(
    Sandbox& box, const QString& folder, QPushButton* BrowseMe::*button = &BrowseMe::Command1)
{
    box.prompts.onModal([folder, button](QDialog& dialog) {
        auto& chooser = static_cast<BrowseMe&>(dialog);
        chooser.Dir1->setPath(folder);
        button ? (chooser.*button)->click() : void(chooser.close());
    });
}

// The preview as the user sees it: its caption, then its text.
inline QString preview(const MainWindow& window)
{
    return window.Label7->Caption() + ": " + window.rtftext->Text();
}

// The message boxes shown so far, each as "title: text".
inline QStringList shownMessages(const Sandbox& box)
{
    QStringList shown;
    for (const auto& message : box.prompts.messages)
        shown << message.title + ": " + message.text;
    return shown;
}

} // namespace testing
