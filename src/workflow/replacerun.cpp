#include "workflow/replacerun.h"

#include "mainform/mainform.h"
#include "platform/checklist.h"
#include "platform/label.h"
#include "platform/paintfreeze.h"
#include "platform/prompts.h"
#include "richtext/rtftext.h"
#include "workflow/rtffunctions.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

namespace workflow
{

namespace
{

    // For the length of a run: marks the window busy and drops the user's input to it (clicks, keys,
    // wheel, shortcuts), so that no command can start a second run, load the preview or rebuild the
    // file list under the engine's feet. Painting and the close box still work.
    class RunInProgress : public QObject
    {
    public:
        explicit RunInProgress(MainForm& w)
            : m_window(w)
        {
            m_window.runInProgress = true;
            qApp->installEventFilter(this);
        }
        ~RunInProgress() override
        {
            qApp->removeEventFilter(this);
            m_window.runInProgress = false;
        }

    protected:
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::Wheel:
            case QEvent::Shortcut:
            case QEvent::ShortcutOverride:
            case QEvent::ContextMenu:
            case QEvent::Drop:
            case QEvent::TouchBegin:
                return belongsToWindow(watched);
            default:
                return false;
            }
        }

    private:
        bool belongsToWindow(QObject* object) const
        {
            for (QObject* o = object; o; o = o->parent()) {
                if (o == &m_window)
                    return true;
            }
            return false;
        }

        MainForm& m_window;
    };

    void nothingSelected()
    {
        platform::MsgBox(QStringLiteral("Select file(s) to change by placing a Check in the box     "),
            QStringLiteral("Nothing Selected"), platform::Icon::Information);
    }

    QString summary(const QString& total, int tickedFiles)
    {
        const QString files = tickedFiles == 1 ? QStringLiteral(" file") : QStringLiteral(" files");
        const QString found = total == QLatin1String("1") ? QStringLiteral(" String found scanning ")
                                                          : QStringLiteral(" Strings found scanning ");
        return total + found + QString::number(tickedFiles) + files;
    }

} // namespace

void cmdReplace_Click(MainForm& w)
{
    // A run started while another one works (from a handler that ran during a yield) is dropped.
    if (w.runInProgress)
        return;

    const QString find = w.Findme->toPlainText();
    const QString replacement = w.Replaceme->toPlainText();

    if (w.lstFiles->SelCount() == 0) {
        nothingSelected();
        return;
    }

    w.Text1 = find;
    w.Text2 = replacement;

    w.lblTotal->hide();
    w.lblScan->show();
    w.lstResults->clear();
    w.lblTotal->setCaption(QStringLiteral("0"));

    if (w.Findme->toPlainText().isEmpty()) {
        platform::MsgBox(QStringLiteral("Nothing to replace."), MainForm::appTitle(), platform::Icon::None);
    } else {
        {
            RunInProgress busy(w);
            QApplication::setOverrideCursor(Qt::WaitCursor);
            platform::LockWindowUpdate(w.rtftext);
            RtfFunctions::ReplaceInFiles(w, *w.rtftext, w.Findme->toPlainText(), w.Replaceme->toPlainText());
            platform::LockWindowUpdate(nullptr);
            QApplication::restoreOverrideCursor();
        }
        w.lblTotal->setCaption(summary(w.lblTotal->Caption(), w.lstFiles->SelCount()));
    }

    w.lblTotal->show();
    w.lblScan->hide();
    w.cmdUndo->setEnabled(true);
    w.mnuUndo->setEnabled(true);

    if (w.closeAfterRun) {
        w.closeAfterRun = false;
        w.close();
    }
}

} // namespace workflow
