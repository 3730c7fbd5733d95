#include "about/frmabout.h"

#include "about/logo.h"
#include "about/maker.h"
#include "about/sysinfo.h"
#include "mainform/mainform.h"
#include "platform/appicon.h"
#include "platform/centring.h"
#include "platform/desktop.h"
#include "platform/fonts.h"
#include "platform/prompts.h"
#include "platform/twips.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <version.h>

namespace about
{

Picture::Picture(QWidget* parent)
    : QLabel(parent)
{
}

void Picture::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void Picture::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click =
        m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        emit clicked();
}

} // namespace about

namespace
{

using platform::place;
using platform::toPixels;
using platform::Twips;

// Where everything stands, in twips; inside a frame, from the frame's corner.
constexpr int clientWidth = 5730;
constexpr int clientHeight = 3990;
constexpr Twips picIconPlace { 120, 120, 1065, 2205 };
constexpr Twips lblTitlePlace { 1560, 240, 1845, 240 };
constexpr Twips lblVersionPlace { 1560, 600, 1485, 225 };
constexpr Twips Frame1Place { 120, 2405, 4095, 1455 };
constexpr Twips lblDisclaimerPlace { 120, 240, 3870, 1185 };
constexpr Twips Frame2Place { 1560, 840, 3975, 1095 };
constexpr Twips lblDescriptionPlace { 120, 120, 3795, 810 };
constexpr Twips Command1Place { 1560, 2040, 2295, 345 };
constexpr Twips Command2Place { 4290, 2040, 1245, 345 };
constexpr Twips Command3Place { 4290, 2777, 1245, 345 };
constexpr Twips Command4Place { 4290, 3480, 1245, 345 };
constexpr Twips Image1Place { 4800, 120, 720, 720 };

QLabel* heading(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setFont(platform::classicFont(9.75, true));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    label->setPalette(palette);
    return label;
}

QLabel* textLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    return label;
}

QPushButton* button(const QString& caption, const QString& tip, QWidget* parent)
{
    auto* command = new QPushButton(caption, parent);
    command->setToolTip(tip);
    command->setAutoDefault(false);
    command->setDefault(false);
    return command;
}

const QString description = QStringLiteral("Quorvane Software makes more free programs like this one. "
                                           "Press Quorvane to visit our web site, or join our mailing list "
                                           "to hear of new releases.");

const QString disclaimer =
    QStringLiteral("Warning: Textmend rewrites the ticked files in place. Keep your own copies of anything "
                   "you process: backups are your responsibility. This program is provided as is, without "
                   "warranty of any kind.");

} // namespace

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent,
        Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setFont(platform::classicFont(8));
    setWindowIcon(platform::applicationIcon());
    setFixedSize(toPixels(clientWidth), toPixels(clientHeight));
    createControls();
    connectEvents();
    Form_Load();
    // Every text keeps the place the design gives it; the font gives way where the machine's is wider.
    for (QWidget* text : std::initializer_list<QWidget*> {
             lblTitle, lblVersion, lblDisclaimer, lblDescription, Command1, Command2, Command3, Command4 })
        platform::fitCaption(text);
    platform::centreOnScreen(this);
}

void frmAbout::createControls()
{
    picIcon = new about::Picture(this);
    picIcon->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picIcon->setLineWidth(2);
    picIcon->setPixmap(about::makerLogo());
    picIcon->setAlignment(Qt::AlignCenter);
    picIcon->setToolTip(about::maker::name());
    picIcon->setFocusPolicy(Qt::StrongFocus);
    place(picIcon, picIconPlace);

    lblTitle = heading(this);
    place(lblTitle, lblTitlePlace);
    lblVersion = heading(this);
    place(lblVersion, lblVersionPlace);

    Frame1 = new QGroupBox(this);
    place(Frame1, Frame1Place);
    lblDisclaimer = textLabel(disclaimer, Frame1);
    place(lblDisclaimer, lblDisclaimerPlace);

    Frame2 = new QGroupBox(this);
    place(Frame2, Frame2Place);
    lblDescription = textLabel(description, Frame2);
    place(lblDescription, lblDescriptionPlace);

    Command1 = button(
        QStringLiteral("&Join the Quorvane mailing list"), QStringLiteral("Join our mailing list"), this);
    place(Command1, Command1Place);
    Command2 = button(QStringLiteral("&Quorvane"), QStringLiteral("Visit Quorvane"), this);
    place(Command2, Command2Place);
    Command3 = button(QStringLiteral("Clos&e"), QStringLiteral("Close this window"), this);
    place(Command3, Command3Place);
    Command4 = button(QStringLiteral("&System Info"), QStringLiteral("Info about your computer"), this);
    place(Command4, Command4Place);

    Image1 = new about::Picture(this);
    Image1->setPixmap(platform::applicationPixmap(48));
    place(Image1, Image1Place);

    for (QWidget* pointed : std::initializer_list<QWidget*> { picIcon, Command1, Command2, Image1 })
        pointed->setCursor(Qt::PointingHandCursor);

    const std::initializer_list<std::pair<QWidget*, const char*>> names { { picIcon, "picIcon" },
        { lblTitle, "lblTitle" }, { lblVersion, "lblVersion" }, { Frame1, "Frame1" },
        { lblDisclaimer, "lblDisclaimer" }, { Frame2, "Frame2" }, { lblDescription, "lblDescription" },
        { Command1, "Command1" }, { Command2, "Command2" }, { Command3, "Command3" },
        { Command4, "Command4" }, { Image1, "Image1" } };
    for (const auto& [control, name] : names)
        control->setObjectName(QLatin1String(name));

    setTabOrder(picIcon, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Command3);
    setTabOrder(Command3, Command4);
}

void frmAbout::connectEvents()
{
    connect(picIcon, &about::Picture::clicked, this, &frmAbout::picIcon_Click);
    connect(Command1, &QPushButton::clicked, this, &frmAbout::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmAbout::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmAbout::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &frmAbout::Command4_Click);
    connect(Image1, &about::Picture::clicked, this, &frmAbout::Image1_Click);
}

void frmAbout::Form_Load()
{
    setWindowTitle(QStringLiteral("About ") + MainForm::appTitle());
    lblVersion->setText(QStringLiteral("Version %1.%2.%3")
                            .arg(textmend::versionMajor)
                            .arg(textmend::versionMinor)
                            .arg(textmend::versionRevision));
    lblTitle->setText(MainForm::appTitle());
}

void frmAbout::Command1_Click()
{
    platform::desktop().open(about::maker::mailingList());
}

void frmAbout::Command2_Click()
{
    platform::desktop().open(about::maker::homePage());
}

void frmAbout::Command3_Click()
{
    close();
}

void frmAbout::Command4_Click()
{
    about::StartSysInfo();
}

void frmAbout::picIcon_Click()
{
    platform::desktop().open(about::maker::homePage());
}

// Opens the home page through the shell's own opener, as a program of its own.
void frmAbout::Image1_Click()
{
    const QString address = about::maker::homePage();
#if defined(Q_OS_WIN)
    const bool started = platform::desktop().start(
        QStringLiteral("cmd"), { QStringLiteral("/c"), QStringLiteral("start"), QString(), address });
#elif defined(Q_OS_MACOS)
    const bool started = platform::desktop().start(QStringLiteral("open"), { address });
#else
    const bool started = platform::desktop().start(QStringLiteral("xdg-open"), { address });
#endif
    if (!started)
        platform::MsgBox(
            QStringLiteral("Could not open ") + address, MainForm::appTitle(), platform::Icon::Exclamation);
}

// No button answers Escape or Enter: the box closes only by "Close" or its close box.
void frmAbout::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Enter:
    case Qt::Key_Return:
        event->ignore();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}
