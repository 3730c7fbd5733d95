#include "about/frmabout.h"

#include "about/logo.h"
#include "about/maker.h"
#include "about/sysinfo.h"
#include "mainform/mainform.h"
#include "platform/accessible.h"
#include "platform/appicon.h"
#include "platform/buttonkeys.h"
#include "platform/centring.h"
#include "platform/desktop.h"
#include "platform/fonts.h"
#include "platform/placing.h"
#include "platform/prompts.h"
#include "platform/twips.h"

#include <algorithm>
#include <cmath>
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
    return label;
}

QLabel* textLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// The relative luminance of a colour on screen, 0 for black to 1 for white.
double luminance(const QColor& colour)
{
    auto linear = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF())
        + 0.0722 * linear(colour.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const auto [dark, light] = std::minmax({ luminance(a), luminance(b) });
    return (light + 0.05) / (dark + 0.05);
}

// `wanted` where it stands out from `window` by the 4.5:1 that text needs to be read easily; otherwise
// the least change of it towards white (on a dark window) or black that does.
QColor readable(const QColor& wanted, const QColor& window)
{
    const QColor towards = luminance(window) < 0.18 ? Qt::white : Qt::black;
    QColor best = wanted;
    for (int step = 0; step <= 64; ++step) {
        const double k = step / 64.0;
        const QColor mixed = QColor::fromRgbF(wanted.redF() + k * (towards.redF() - wanted.redF()),
            wanted.greenF() + k * (towards.greenF() - wanted.greenF()),
            wanted.blueF() + k * (towards.blueF() - wanted.blueF()));
        if (contrast(mixed, window) >= 4.5)
            return mixed;
        if (contrast(mixed, window) > contrast(best, window))
            best = mixed;
    }
    return best;
}

void setTextColour(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
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
    platform::enterClicksFocusedButton(this);
    Form_Load();
    colourTexts();
    // The headings keep their font and grow as tall as it needs (the version upwards, clear of the
    // frame below it); every other text keeps its place, its font giving way where the machine's is
    // wider.
    platform::placeCaption(lblTitle, platform::pixels(lblTitlePlace));
    platform::placeCaption(lblVersion, platform::pixels(lblVersionPlace), platform::Growth::Upward);
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
    platform::keepBelowTitle(Frame1);
    platform::keepBelowTitle(Frame2);

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
    platform::nameAfterToolTip(picIcon);

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

// The headings are pure blue and the frames' texts black, as long as the window is light enough for
// them to be read; on a dark window the headings take the nearest blue that reads as well there, the
// texts the theme's own colour for text.
void frmAbout::colourTexts()
{
    const QColor window = palette().color(QPalette::Window);
    for (QLabel* heading : { lblTitle, lblVersion })
        setTextColour(heading, readable(QColor(0, 0, 255), window));
    const QColor text = contrast(Qt::black, window) >= 4.5
        ? QColor(Qt::black)
        : readable(palette().color(QPalette::WindowText), window);
    for (QLabel* label : { lblDisclaimer, lblDescription })
        setTextColour(label, text);
}

void frmAbout::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        colourTexts();
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

// Escape does not close the box, and Enter only clicks the button that has the focus: the box closes
// by "Close" or its close box.
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
