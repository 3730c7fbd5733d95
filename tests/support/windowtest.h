#pragma once

#include "app/mainwindow.h"
#include "backupdir/browseme.h"
#include "platform/checklist.h"
#include "platform/folderlist.h"
#include "platform/label.h"
#include "richtext/rtftext.h"
#include "support/sandbox.h"

#include <memory>
#include <QAccessible>
#include <QCheckBox>
#include <QDir>
#include <QFontInfo>
#include <QGroupBox>
#include <QPushButton>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionButton>
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

// The captions of `window` that are cut short: a button whose text is wider than the room its style
// paints text in, a check box smaller than it asks to be or than the style's box, a one-line label smaller
// than it asks to be, a wrapped label whose lines run past its bottom, a frame whose title is wider than
// the frame; a check box or label with text that another control (not a picture or caption) covers in
// part; and any control that starts inside its frame's title.
inline QStringList clippedCaptions(const QWidget& window)
{
    QStringList clipped;
    for (const QWidget* control : window.findChildren<QWidget*>()) {
        if (!control->isVisibleTo(&window))
            continue;
        bool fits = true;
        QString caption = control->objectName();
        if (const auto* frame = qobject_cast<const QGroupBox*>(control->parentWidget()))
            fits = control->y() >= frame->contentsRect().top();
        const auto* text = qobject_cast<const QLabel*>(control);
        if (qobject_cast<const QCheckBox*>(control) || (text && !text->text().isEmpty())) {
            for (const QWidget* other :
                control->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                fits = fits
                    && (other == control || !other->isVisibleTo(&window) || qobject_cast<const QLabel*>(other)
                        || !other->geometry().intersects(control->geometry()));
        }
        if (const auto* button = qobject_cast<const QPushButton*>(control)) {
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = caption = button->text();
            const QRect room =
                button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            fits = fits && button->fontMetrics().size(Qt::TextShowMnemonic, caption).width() <= room.width();
        } else if (const auto* box = qobject_cast<const QCheckBox*>(control)) {
            caption = box->text();
            fits = fits && box->sizeHint().width() <= box->width()
                && box->sizeHint().height() <= box->height()
                && box->style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, box) <= box->height();
        } else if (const auto* label = qobject_cast<const QLabel*>(control)) {
            caption = label->text();
            fits = fits
                && (caption.isEmpty()
                    || (label->wordWrap() ? label->heightForWidth(label->width()) <= label->height()
                                          : label->sizeHint().width() <= label->width()
                                && label->sizeHint().height() <= label->height()));
        } else if (const auto* frame = qobject_cast<const QGroupBox*>(control)) {
            caption = frame->title();
            fits = fits && frame->fontMetrics().horizontalAdvance(caption) + 16 <= frame->width();
        }
        if (!fits)
            clipped << caption + " (" + QFontInfo(control->font()).family() + ")";
    }
    return clipped;
}

// What a screen reader says a control is called: its name, or for a combo box (whose name on Linux is
// its text) the name of what labels it.
inline QString heardName(QWidget* control)
{
    QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(control);
    if (spoken->role() != QAccessible::ComboBox)
        return spoken->text(QAccessible::Name);
    const auto labels = spoken->relations(QAccessible::Label);
    return labels.isEmpty() ? QString() : labels.first().first->text(QAccessible::Name);
}

// The controls of `window` that take the focus by Tab and have no name a screen reader could say.
inline QStringList unnamedControls(const QWidget& window)
{
    QStringList unnamed;
    for (QWidget* control : window.findChildren<QWidget*>()) {
        if (control->isVisibleTo(&window) && (control->focusPolicy() & Qt::TabFocus)
            && heardName(control).isEmpty())
            unnamed << control->metaObject()->className() + (" " + control->objectName());
    }
    return unnamed;
}

// The font family the captions must be drawn with when a test run hides every other font
// (TEXTMEND_ONLY_FONT), so that the caption checks cannot pass on a font they were not meant for.
inline QString onlyFont()
{
    return qEnvironmentVariable("TEXTMEND_ONLY_FONT");
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
