#pragma once

#include <QDialog>
#include <QLabel>

class QGroupBox;
class QPushButton;

namespace about
{

// A picture that reports a click of the left mouse button released over it.
class Picture : public QLabel
{
    Q_OBJECT
public:
    explicit Picture(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};

} // namespace about

// The about box: the program's title and version, what it is, a warning, the maker's links and the
// system information tool. One at a time, modeless; closing it deletes it.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    about::Picture* picIcon;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QGroupBox* Frame1;
    QLabel* lblDisclaimer;
    QGroupBox* Frame2;
    QLabel* lblDescription;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
    about::Picture* Image1;

    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void picIcon_Click();
    void Image1_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void createControls();
    void connectEvents();
    void colourTexts();
};
