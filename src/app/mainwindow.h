#pragma once

#include "app/layout.h"
#include "mainform/mainform.h"

#include <array>

namespace termination
{
class CloseRequests;
}

// The program's one working window: builds the form's controls and menus, wires their events to the
// handlers, and runs the start-up and closing sequences and the layout.
class MainWindow : public MainForm
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Runs the start-up sequence, then shows the window centred, in the state it restored. A folder or
    // file given (from the command line) takes the place of the saved folder.
    void start(const QString& folder = QString());

    // Window state as the settings keep it: 0 normal, 1 minimized, 2 maximized.
    int WindowState() const;
    // False, and nothing changes, for any other value.
    bool setWindowState(int state);

    void Form_Load();
    void Form_Unload();
    void Form_Resize();
    void cmdClose_Click();
    void mnuExit_Click();
    // A folder dropped on the window becomes the current folder; a dropped file, its folder with that
    // file current. Nothing is taken while a run works.
    void Form_DragDrop(QDropEvent* event);
    void closeRequests_Received();

    // True once the closing sequence has run: the program ends, also when that came before its event loop.
    bool isUnloaded() const { return m_unloaded; }

    // Where the layout controls stand now, in twips.
    const layout::Arrangement& arrangement() const { return m_arrangement; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createMenus();
    void setTabOrder();
    void nameControls();
    void connectEvents();
    // Runs `handler` with this window whenever `sender` raises `event`.
    template <class Sender, class Event> void on(Sender* sender, Event event, void (*handler)(MainForm&))
    {
        connect(sender, event, this, [this, handler] {
            handler(*this);
        });
    }
    void applyArrangement();
    void setNormalSize();
    void showInState(int state);
    void saveChoices();

    termination::CloseRequests* m_closeRequests = nullptr;
    layout::Arrangement m_arrangement;
    std::array<QWidget*, layout::ControlCount> m_controls {};
    int m_pendingState = 0;
    bool m_unloaded = false;
};
