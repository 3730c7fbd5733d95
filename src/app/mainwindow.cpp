#include "app/mainwindow.h"

#include "about/about.h"
#include "engine/files/journal.h"
#include "fileops/files.h"
#include "filetypes/filetypes.h"
#include "platform/accessible.h"
#include "platform/appicon.h"
#include "platform/buttonkeys.h"
#include "platform/centring.h"
#include "platform/checklist.h"
#include "platform/combobox.h"
#include "platform/drivelist.h"
#include "platform/folderlist.h"
#include "platform/fonts.h"
#include "platform/label.h"
#include "platform/placing.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "richtext/rtftext.h"
#include "termination/termination.h"
#include "workflow/filelist.h"
#include "workflow/preview.h"
#include "workflow/process.h"
#include "workflow/replacerun.h"
#include "workflow/reviewchanges.h"
#include "workflow/undo.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QWindowStateChangeEvent>

namespace
{

const QString settingsApp = QStringLiteral("Textmend");
const QString settingsSection = QStringLiteral("Presets");

// The client area at normal size, in twips.
constexpr int normalWidth = 9075;
constexpr int normalHeight = 6795;

QRect pixels(int left, int top, int width, int height)
{
    return platform::pixels({ left, top, width, height });
}

platform::Label* banner(const QString& caption, QWidget* parent)
{
    auto* label = new platform::Label(caption, parent);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, QColor(128, 128, 128));
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    label->setFont(platform::classicFont(9.75));
    return label;
}

QPlainTextEdit* stringBox(QWidget* parent)
{
    auto* box = new QPlainTextEdit(parent);
    // Tab moves on to the next control; Enter stays a new line.
    box->setTabChangesFocus(true);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return box;
}

QString checkValue(const QCheckBox* box)
{
    return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

// A stored check box value: 0 unticked, 1 ticked; anything else leaves the box as it is.
void restoreCheck(QCheckBox* box, const QString& key)
{
    const auto value = platform::toWholeNumber(platform::GetSetting(settingsApp, settingsSection, key, "0"));
    if (value == 0 || value == 1)
        box->setChecked(*value == 1);
}

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : MainForm(parent)
    , m_closeRequests(new termination::CloseRequests(this))
    , m_arrangement(layout::initialArrangement())
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(appTitle());
    setWindowIcon(platform::applicationIcon());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
        | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(platform::classicFont(8));
    setAcceptDrops(true);

    createControls();
    createMenus();
    setTabOrder();
    nameControls();
    connectEvents();
    platform::enterClicksFocusedButton(this);
    applyArrangement();
    platform::keepBelowTitle(Frame1);
    platform::keepBelowTitle(Frame2);
    // The buttons and the frame's text keep the design's sizes: their font gives way instead.
    for (QWidget* control :
        std::initializer_list<QWidget*> { Label1, cmdCmbAdd, cmdCmbDel, Command1, cmdUndo, cmdClose })
        platform::fitCaption(control);
    setNormalSize();
}

MainWindow::~MainWindow() = default;

void MainWindow::createControls()
{
    auto* client = new QWidget(this);
    setCentralWidget(client);
    client->installEventFilter(this);
    client->resize(layout::toPixels(normalWidth), layout::toPixels(normalHeight));

    lblScan = banner(QStringLiteral("Select Directory and Files"), client);
    lblTotal = banner(QStringLiteral("0"), client);
    lblTotal->hide();

    Label4 = new platform::Label(QStringLiteral("Drive/Directory"), client);
    Label5 = new platform::Label(QStringLiteral("Files in Directory"), client);
    Label2 = new platform::Label(QStringLiteral("Find What String"), client);
    Label3 = new platform::Label(QStringLiteral("Replace With String"), client);
    Label6 = new platform::Label(QStringLiteral("Results of Scan"), client);
    Label7 = new platform::Label(QStringLiteral("Preview"), client);
    Label7->setAutoSize(true); // its caption grows to "Highlight the String to find"
    chkAll = new QCheckBox(QStringLiteral("Select All"), client);

    Drive1 = new platform::DriveList(client);
    Dir1 = new platform::FolderList(client);
    lstFiles = new platform::CheckList(client);
    Findme = stringBox(client);
    Replaceme = stringBox(client);
    lstResults = new QListWidget(client);
    lstResults->setUniformItemSizes(true);
    rtftext = new richtext::RichTextBox(client);

    Frame1 = new QGroupBox(QStringLiteral("File Type Manager"), client);
    Label1 =
        new platform::Label(QStringLiteral("Select a file type to scan or add your own by typing it in and "
                                           "clicking Save.")
                + QString(30, ' ') + QStringLiteral("(format: *.txt)"),
            Frame1);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setGeometry(pixels(160, 240, 2325, 855));
    Combo1 = new platform::ComboBox(Frame1);
    Combo1->setText(QStringLiteral("*.txt"));
    Combo1->setGeometry(pixels(600, 1155, 1455, 315));
    cmdCmbAdd = new QPushButton(QStringLiteral("&Save"), Frame1);
    cmdCmbAdd->setGeometry(pixels(300, 1620, 975, 315));
    cmdCmbDel = new QPushButton(QStringLiteral("&Delete"), Frame1);
    cmdCmbDel->setGeometry(pixels(1515, 1620, 855, 315));

    Frame2 = new QGroupBox(QStringLiteral("Options"), client);
    chkCase = new QCheckBox(QStringLiteral("Match Case"), Frame2);
    platform::placeCaption(chkCase, pixels(360, 360, 1815, 195));
    chkWhlWrd = new QCheckBox(QStringLiteral("Whole Word Only"), Frame2);
    platform::placeCaption(chkWhlWrd, pixels(360, 720, 1935, 195));
    chkBackup = new QCheckBox(QStringLiteral("Backup First"), Frame2);
    platform::placeCaption(chkBackup, pixels(360, 1080, 1215, 255));
    Image1 = new platform::Label(QString(), Frame2);
    Image1->setPixmap(platform::applicationPixmap(48));
    Image1->setGeometry(pixels(840, 1320, 720, 720));

    Command1 = new QPushButton(QStringLiteral("&Process"), client);
    Command1->setToolTip(QStringLiteral("Process selected files"));
    cmdUndo = new QPushButton(QStringLiteral("&Undo"), client);
    cmdUndo->setToolTip(QStringLiteral("Undo last action"));
    cmdUndo->setEnabled(false);
    cmdClose = new QPushButton(QStringLiteral("&Close"), client);
    cmdClose->setToolTip(QStringLiteral("Close Textmend"));

    // Hidden fields, outside the visible area.
    cmdReplace = new QPushButton(QStringLiteral("&Replace"), client);
    cmdReplace->hide();
    lblTotal2 = new platform::Label(QStringLiteral("0"), client);
    lblTotal2->hide();
    lblDest = new platform::Label(QString(), client);
    lblDest->hide();

    // In the order of layout::Control.
    m_controls = { lblScan, lblTotal, Label4, Label5, chkAll, Label2, Drive1, lstFiles, Findme, Dir1, Label3,
        Replaceme, Label6, Label7, lstResults, rtftext, Frame1, Frame2, Command1, cmdUndo, cmdClose };
}

void MainWindow::createMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    mnuExit = file->addAction(QStringLiteral("&Exit"));
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    mnuProcess = edit->addAction(QStringLiteral("&Process Files"));
    mnuReview = edit->addAction(QStringLiteral("&Review Changes..."));
    mnuUndo = edit->addAction(QStringLiteral("&Undo Last Action"));
    mnuUndo->setEnabled(false);
    mnuNewExt = edit->addAction(QStringLiteral("&New Extension"));
    mnuSelectAll = edit->addAction(QStringLiteral("&Select All Files"));
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuContent = help->addAction(QStringLiteral("&Content"));
    mnuAbout = help->addAction(QStringLiteral("&About"));
}

void MainWindow::setTabOrder()
{
    const QList<QWidget*> chain = { Dir1, lstFiles, Findme, Replaceme, rtftext, Combo1, cmdCmbAdd, cmdCmbDel,
        chkCase, chkWhlWrd, chkBackup, Command1, cmdClose, Drive1, lstResults, cmdUndo, chkAll };
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    for (QWidget* label : std::initializer_list<QWidget*> {
             lblScan, lblTotal, Label1, Label2, Label3, Label4, Label5, Label6, Label7, Image1 })
        label->setFocusPolicy(Qt::NoFocus);
}

// A screen reader names each control by the caption above it; the pattern box by its frame's title.
void MainWindow::nameControls()
{
    using platform::nameAfter;
    nameAfter(Label4, { Drive1, Dir1 });
    nameAfter(Label5, { lstFiles });
    nameAfter(Label2, { Findme });
    nameAfter(Label3, { Replaceme });
    nameAfter(Label6, { lstResults });
    nameAfter(Label7, { rtftext, rtftext->view() });
    for (QWidget* patternBox : std::initializer_list<QWidget*> { Combo1, Combo1->lineEdit() })
        patternBox->setAccessibleName(platform::spokenCaption(Frame1->title()));
}

void MainWindow::connectEvents()
{
    on(Dir1, &platform::FolderList::Change, workflow::Dir1_Change);
    on(Drive1, &platform::DriveList::Change, workflow::Drive1_Change);
    on(Combo1, &platform::ComboBox::Change, workflow::Combo1_Change);
    on(Combo1, &platform::ComboBox::Click, workflow::Combo1_Click);
    on(chkAll, &QCheckBox::toggled, workflow::chkAll_Click);
    on(lstFiles, &platform::CheckList::Click, workflow::lstFiles_Click);
    on(rtftext, &richtext::RichTextBox::MouseUp, workflow::rtftext_MouseUp);
    on(Command1, &QPushButton::clicked, workflow::Command1_Click);
    on(cmdReplace, &QPushButton::clicked, workflow::cmdReplace_Click);
    on(cmdUndo, &QPushButton::clicked, workflow::cmdUndo_Click);
    connect(cmdClose, &QPushButton::clicked, this, &MainWindow::cmdClose_Click);
    on(cmdCmbAdd, &QPushButton::clicked, filetypes::cmdCmbAdd_Click);
    on(cmdCmbDel, &QPushButton::clicked, filetypes::cmdCmbDel_Click);
    connect(mnuExit, &QAction::triggered, this, &MainWindow::mnuExit_Click);
    connect(
        m_closeRequests, &termination::CloseRequests::received, this, &MainWindow::closeRequests_Received);
    on(mnuProcess, &QAction::triggered, workflow::mnuProcess_Click);
    on(mnuReview, &QAction::triggered, workflow::mnuReview_Click);
    on(mnuUndo, &QAction::triggered, workflow::mnuUndo_Click);
    on(mnuNewExt, &QAction::triggered, filetypes::mnuNewExt_Click);
    on(mnuSelectAll, &QAction::triggered, workflow::mnuSelectAll_Click);
    on(mnuContent, &QAction::triggered, about::mnuContent_Click);
    on(mnuAbout, &QAction::triggered, about::mnuAbout_Click);
}

void MainWindow::applyArrangement()
{
    for (std::size_t c = 0; c < layout::ControlCount; ++c) {
        const layout::Box& box = m_arrangement[c];
        QWidget* widget = m_controls[c];
        const QRect place = platform::pixels(box);
        // The captions stand above the lists and boxes: one taller than its place grows upwards.
        if ((qobject_cast<QLabel*>(widget) || qobject_cast<QCheckBox*>(widget)) && widget != lblScan
            && widget != lblTotal)
            platform::placeCaption(widget, place, platform::Growth::Upward);
        else
            widget->setGeometry(place);
    }
}

void MainWindow::setNormalSize()
{
    // The normal size is the smallest: the window grows when it is maximized (or when a window manager
    // lets its edges be dragged), and the layout follows it at any size.
    const QSize normal(
        layout::toPixels(normalWidth), layout::toPixels(normalHeight) + menuBar()->sizeHint().height());
    setMinimumSize(normal);
    resize(normal);
}

int MainWindow::WindowState() const
{
    if (isHidden())
        return m_pendingState;
    if (windowState() & Qt::WindowMinimized)
        return 1;
    if (windowState() & Qt::WindowMaximized)
        return 2;
    return 0;
}

bool MainWindow::setWindowState(int state)
{
    if (state < 0 || state > 2)
        return false;
    if (isHidden()) {
        m_pendingState = state;
        return true;
    }
    showInState(state);
    return true;
}

void MainWindow::showInState(int state)
{
    switch (state) {
    case 1:
        showMinimized();
        break;
    case 2:
        showMaximized();
        break;
    default:
        showNormal();
        break;
    }
}

void MainWindow::start(const QString& folder)
{
    // A rewrite in place that was cut short last time gets its file's old content back before the
    // files are listed; the user learns which, once the window shows.
    const QStringList interrupted = engine::replayJournals();
    Form_Load();
    if (m_unloaded)
        return;
    if (!folder.isEmpty())
        workflow::openPath(*this, folder);
    platform::centreOnScreen(this);
    showInState(m_pendingState);
    Dir1->setFocus();
    Form_Resize();
    if (!interrupted.isEmpty())
        platform::MsgBox(QStringLiteral("Textmend was stopped last time while it was rewriting a file.\n\n")
                + interrupted.join(QLatin1Char('\n')),
            QStringLiteral("Interrupted Write"), platform::Icon::Exclamation);
}

// Start-up: restores the user's last choices, loads the pattern collection and lists the files. A step
// that fails is skipped.
void MainWindow::Form_Load()
{
    using platform::GetSetting;
    using platform::toWholeNumber;

    if (const auto state = toWholeNumber(GetSetting(settingsApp, settingsSection, "WinState", "0")))
        setWindowState(*state);
    Dir1->setPath(GetSetting(settingsApp, settingsSection, "Dir1", QString()));
    restoreCheck(chkCase, "chkCase");
    restoreCheck(chkWhlWrd, "chkWhlWrd");
    restoreCheck(chkBackup, "chkBackup");
    filetypes::Load_Combo(filetypes::patternFileToLoad(), *Combo1);
    lstFiles->Clear();
    workflow::FillFileList(*this, *lstFiles, Dir1->Path());
    if (Combo1->ListCount() > 0) {
        if (const auto index = toWholeNumber(GetSetting(settingsApp, settingsSection, "combo1", "0")))
            Combo1->setListIndex(*index);
    }
    if (lstFiles->ListCount() > 0)
        lstFiles->setListIndex(-1);
}

void MainWindow::saveChoices()
{
    using platform::SaveSetting;
    SaveSetting(settingsApp, settingsSection, "Dir1", Dir1->Path());
    SaveSetting(settingsApp, settingsSection, "chkCase", checkValue(chkCase));
    SaveSetting(settingsApp, settingsSection, "chkWhlWrd", checkValue(chkWhlWrd));
    SaveSetting(settingsApp, settingsSection, "chkBackup", checkValue(chkBackup));
    SaveSetting(settingsApp, settingsSection, "combo1", QString::number(Combo1->ListIndex()));
}

// Closing: saves the choices, closes every other window and ends the program.
void MainWindow::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    saveChoices();
    platform::SaveSetting(settingsApp, settingsSection, "WinState", QString::number(WindowState()));
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != this && window->isVisible())
            window->close();
    }
    QCoreApplication::quit();
}

void MainWindow::cmdClose_Click()
{
    close();
}

void MainWindow::mnuExit_Click()
{
    saveChoices();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() || window == this)
            window->close();
        if (m_unloaded)
            return;
    }
}

// Ctrl+C, kill or a closed terminal: the boxes that are open go as by their close box, and the window
// closes as "&Close" does. A run finishes the copy or file in hand and starts no other.
void MainWindow::closeRequests_Received()
{
    for (QWidget* box = QApplication::activeModalWidget(); box; box = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(box))
            dialog->reject();
        else
            box->close();
        if (box == QApplication::activeModalWidget())
            break;
    }
    close();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (runInProgress) {
        closeAfterRun = true;
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void MainWindow::changeEvent(QEvent* event)
{
    MainForm::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == centralWidget() && event->type() == QEvent::Resize)
        Form_Resize();
    return MainForm::eventFilter(watched, event);
}

// Stretches the text boxes, the preview and the lists and moves the buttons and frames so that the
// right-hand column and the bottom edge follow the window.
void MainWindow::Form_Resize()
{
    if (windowState() & Qt::WindowMinimized)
        return;
    const QSize client = centralWidget()->size();
    m_arrangement = layout::resized(
        m_arrangement, client.width() * layout::twipsPerPixel, client.height() * layout::twipsPerPixel);
    applyArrangement();
}
