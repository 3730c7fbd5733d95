#pragma once

#include "app/layout.h"

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

// The program's one working window, `main`. It owns every control of the search-and-replace
// workflow; the handlers of the other parts of the program reach the controls through it.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Runs the start-up sequence, then shows the window centred, in the state it restored.
    void start();

    // Window state as the settings keep it: 0 normal, 1 minimized, 2 maximized.
    int WindowState() const;
    // False, and nothing changes, for any other value.
    bool setWindowState(int state);

    // The program's title, used as the title of its message boxes.
    static QString appTitle() { return QStringLiteral("Textmend"); }

    // Visible controls.
    platform::FolderList* Dir1;
    platform::CheckList* lstFiles;
    QPlainTextEdit* Findme;
    QPlainTextEdit* Replaceme;
    richtext::RichTextBox* rtftext;
    platform::ComboBox* Combo1;
    QPushButton* cmdCmbAdd;
    QPushButton* cmdCmbDel;
    QCheckBox* chkCase;
    QCheckBox* chkWhlWrd;
    QCheckBox* chkBackup;
    QPushButton* Command1;
    QPushButton* cmdClose;
    platform::DriveList* Drive1;
    QListWidget* lstResults;
    QPushButton* cmdUndo;
    QCheckBox* chkAll;

    platform::Label* lblScan;
    platform::Label* lblTotal;
    platform::Label* Label1;
    platform::Label* Label2;
    platform::Label* Label3;
    platform::Label* Label4;
    platform::Label* Label5;
    platform::Label* Label6;
    platform::Label* Label7;
    QGroupBox* Frame1;
    QGroupBox* Frame2;
    platform::Label* Image1;

    // Hidden fields: working storage shared between handlers.
    QPushButton* cmdReplace;
    QString Text1; // the find string of the last replace run
    QString Text2; // the replacement string of the last replace run
    platform::Label* lblTotal2;
    platform::Label* lblDest;

    // Menus.
    QAction* mnuExit;
    QAction* mnuProcess;
    QAction* mnuUndo;
    QAction* mnuNewExt;
    QAction* mnuSelectAll;
    QAction* mnuContent;
    QAction* mnuAbout;

    // The about box while it is open (Help > About creates it once).
    frmAbout* aboutBox = nullptr;

    // True while a replace run works through the files. Commands that would start another run, load
    // another file into rtftext or rebuild the file list leave things alone while it is set.
    bool runInProgress = false;
    // The window was asked to close during a run: the run finishes its current file, then closes it.
    bool closeAfterRun = false;

    void Form_Load();
    void Form_Unload();
    void Form_Resize();
    void cmdClose_Click();
    void mnuExit_Click();

    // Where the layout controls stand now, in twips.
    const layout::Arrangement& arrangement() const { return m_arrangement; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createMenus();
    void setTabOrder();
    void connectEvents();
    // Runs `handler` with this window whenever `sender` raises `event`.
    template <class Sender, class Event> void on(Sender* sender, Event event, void (*handler)(MainWindow&))
    {
        connect(sender, event, this, [this, handler] {
            handler(*this);
        });
    }
    void applyArrangement();
    void fixBorder();
    void showInState(int state);
    void saveChoices();

    layout::Arrangement m_arrangement;
    std::array<QWidget*, layout::ControlCount> m_controls {};
    int m_pendingState = 0;
    bool m_unloaded = false;
};
