#pragma once

#include <memory>
#include <QMainWindow>

class QAction;
class QCheckBox;
class QGroupBox;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace platform
{
class CheckList;
class ComboBox;
class DriveList;
class FolderList;
class Label;
} // namespace platform
namespace richtext
{
class RichTextBox;
}
class frmAbout;
namespace engine
{
class RunJournal;
}
namespace review
{
struct ReviewSet;
}

// The main window's form, `main`: its controls, hidden fields and run state. The handlers of every
// part of the program read their inputs from these controls and leave their results in them; the
// window that builds the form and wires its events lives above them.
class MainForm : public QMainWindow
{
public:
    using QMainWindow::QMainWindow;

    // The program's title, used as the title of its message boxes.
    static QString appTitle() { return QStringLiteral("Textmend"); }

    // Visible controls.
    platform::FolderList* Dir1 = nullptr;
    platform::CheckList* lstFiles = nullptr;
    QPlainTextEdit* Findme = nullptr;
    QPlainTextEdit* Replaceme = nullptr;
    richtext::RichTextBox* rtftext = nullptr;
    platform::ComboBox* Combo1 = nullptr;
    QPushButton* cmdCmbAdd = nullptr;
    QPushButton* cmdCmbDel = nullptr;
    QCheckBox* chkCase = nullptr;
    QCheckBox* chkWhlWrd = nullptr;
    QCheckBox* chkBackup = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* cmdClose = nullptr;
    platform::DriveList* Drive1 = nullptr;
    QListWidget* lstResults = nullptr;
    QPushButton* cmdUndo = nullptr;
    QCheckBox* chkAll = nullptr;

    platform::Label* lblScan = nullptr;
    platform::Label* lblTotal = nullptr;
    platform::Label* Label1 = nullptr;
    platform::Label* Label2 = nullptr;
    platform::Label* Label3 = nullptr;
    platform::Label* Label4 = nullptr;
    platform::Label* Label5 = nullptr;
    platform::Label* Label6 = nullptr;
    platform::Label* Label7 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    platform::Label* Image1 = nullptr;

    // Hidden fields: working storage shared between handlers.
    QPushButton* cmdReplace = nullptr;
    QString Text1; // the find string of the last replace run
    QString Text2; // the replacement string of the last replace run
    platform::Label* lblTotal2 = nullptr;
    platform::Label* lblDest = nullptr;
    // What the last replace run wrote, for Undo to take back; none before the first run.
    std::shared_ptr<engine::RunJournal> journal;
    // While Replace Checked runs: the changes reviewed and the ticks kept.
    const review::ReviewSet* reviewed = nullptr;

    // Menus.
    QAction* mnuExit = nullptr;
    QAction* mnuProcess = nullptr;
    QAction* mnuReview = nullptr;
    QAction* mnuUndo = nullptr;
    QAction* mnuNewExt = nullptr;
    QAction* mnuSelectAll = nullptr;
    QAction* mnuContent = nullptr;
    QAction* mnuAbout = nullptr;

    // The about box while it is open (Help > About creates it once).
    frmAbout* aboutBox = nullptr;

    // True while Process works, from the moment it passes its first check until its summary is shown
    // (workflow::RunGuard). No input reaches the window then, except for closing it.
    bool runInProgress = false;
    // The window was asked to close while Process worked: the copy or file in hand is finished, no
    // other is started, and the window closes when Process ends.
    bool closeAfterRun = false;
};
