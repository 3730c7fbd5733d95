#pragma once

#include <QDialog>

class MainForm;
class QLabel;
class QLineEdit;
class QPushButton;

namespace platform
{
class DriveList;
class FolderList;
} // namespace platform

// The backup folder chooser: the user picks or creates the folder that receives the backup copies.
// OK leaves that folder, followed by a separator, in the main window's lblDest; Cancel empties
// lblDest; the close box leaves it as it was. However it closes, the folder it showed is remembered
// as "Dir1BU" and shown again next time.
class BrowseMe : public QDialog
{
    Q_OBJECT
public:
    explicit BrowseMe(MainForm& main, QWidget* parent = nullptr);

    platform::FolderList* Dir1;
    platform::DriveList* Drive1;
    QPushButton* Command4; // move up a folder
    QPushButton* Command5; // create a new folder
    QPushButton* Command1; // OK
    QPushButton* Command3; // Cancel
    QLineEdit* txtPath; // hidden: the folder list's current path
    QLineEdit* txtName; // hidden: what to append to txtPath for a new folder
    QLabel* Label1;

    void Form_Load();
    void Form_Unload();
    void Dir1_Change();
    void Drive1_Change();
    void Command1_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createControls();
    void connectEvents();

    MainForm& m_main;
    bool m_unloaded = false;
    bool m_placed = false;
    bool m_restoringDrive = false;
};
