#include "backupdir/browseme.h"

#include "backupdir/pathonly.h"
#include "backupdir/pictures.h"
#include "fileops/files.h"
#include "mainform/mainform.h"
#include "platform/accessible.h"
#include "platform/appicon.h"
#include "platform/buttonkeys.h"
#include "platform/drivelist.h"
#include "platform/folderlist.h"
#include "platform/fonts.h"
#include "platform/label.h"
#include "platform/placing.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "platform/twips.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace
{

const QString settingsApp = QStringLiteral("Textmend");
const QString settingsSection = QStringLiteral("Presets");
const QString savedFolderKey = QStringLiteral("Dir1BU");
const QString messageTitle = QStringLiteral("Backup Directory");

// The client area and the controls' places, in twips: left, top, width, height.
constexpr int clientWidth = 3990;
constexpr int clientHeight = 4230;
using platform::place;
using platform::Twips;
constexpr Twips Dir1Place { 120, 960, 3735, 2790 };
constexpr Twips Drive1Place { 120, 600, 2895, 315 };
constexpr Twips Command4Place { 3120, 600, 315, 315 };
constexpr Twips Command5Place { 3540, 600, 315, 315 };
constexpr Twips Command1Place { 2400, 3840, 1095, 325 };
constexpr Twips Command3Place { 480, 3840, 1095, 325 };
constexpr Twips txtPathPlace { 120, 6120, 3735, 195 };
constexpr Twips txtNamePlace { 5160, 5280, 255, 195 };
constexpr Twips Label1Place { 120, 160, 3735, 255 };

QPushButton* button(const QString& caption, const QString& tip, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    if (!tip.isEmpty())
        b->setToolTip(tip);
    // Neither Enter nor Escape is tied to a button.
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

// Why a new folder could not be made, in the user's words; empty when it was made.
QString folderNotMade(platform::MakeFolderOutcome outcome, const QString& name)
{
    using platform::MakeFolderOutcome;
    switch (outcome) {
    case MakeFolderOutcome::Made:
        return QString();
    case MakeFolderOutcome::AlreadyExists:
        return QStringLiteral("There is already a folder or file named \"%1\" here.").arg(name);
    case MakeFolderOutcome::ParentMissing:
        return QStringLiteral("The folder cannot be made: the drive or folder is not available.");
    case MakeFolderOutcome::NameRefused:
        return QStringLiteral("\"%1\" cannot be used as a folder name.").arg(name);
    case MakeFolderOutcome::Failed:
        break;
    }
    return QStringLiteral("The folder \"%1\" could not be made here.").arg(name);
}

bool usableName(const QString& name)
{
    return name != "." && name != ".." && !name.contains('/') && !name.contains('\\')
        && !name.contains(QChar(0));
}

} // namespace

BrowseMe::BrowseMe(MainForm& main, QWidget* parent)
    : QDialog(parent)
    , m_main(main)
{
    setObjectName(QStringLiteral("BrowseMe"));
    setWindowTitle(QStringLiteral("Choose Backup Directory"));
    setWindowIcon(platform::applicationIcon());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(platform::classicFont(8));
    setFixedSize(platform::toPixels(clientWidth), platform::toPixels(clientHeight));

    createControls();
    connectEvents();
    platform::enterClicksFocusedButton(this);
    Form_Load();
}

void BrowseMe::createControls()
{
    Dir1 = new platform::FolderList(this);
    Dir1->setToolTip(QStringLiteral("Double click to change directories"));
    Drive1 = new platform::DriveList(this);
    Drive1->setToolTip(QStringLiteral("Choose your drive"));
    Command4 = button(QString(), QStringLiteral("Move up a Directory"), this);
    Command4->setIcon(backupdir::folderUpPicture());
    Command4->setIconSize(QSize(16, 16));
    Command5 = button(QString(), QStringLiteral("Create New Folder"), this);
    Command5->setIcon(backupdir::newFolderPicture());
    Command5->setIconSize(QSize(16, 16));
    Command1 = button(QStringLiteral("&OK"), QStringLiteral("Accept"), this);
    Command3 = button(QStringLiteral("C&ancel"), QString(), this);
    txtPath = new QLineEdit(this);
    txtPath->setToolTip(QStringLiteral("Paths here are automatically copied to the clipboard"));
    txtPath->hide();
    txtName = new QLineEdit(this);
    txtName->hide();
    Label1 = new QLabel(QStringLiteral("Select or Create a Folder for the Backups"), this);

    place(Dir1, Dir1Place);
    place(Drive1, Drive1Place);
    place(Command4, Command4Place);
    place(Command5, Command5Place);
    place(Command1, Command1Place);
    place(Command3, Command3Place);
    place(txtPath, txtPathPlace);
    place(txtName, txtNamePlace);
    platform::placeCaption(Label1, platform::pixels(Label1Place));

    const QList<QWidget*> chain = { Dir1, Drive1, Command4, Command5, Command1, Command3, txtPath, txtName };
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    Label1->setFocusPolicy(Qt::NoFocus);
    Dir1->setFocus();

    // What a screen reader says: the instruction names the lists, a picture button its tooltip.
    platform::nameAfter(Label1, { Drive1, Dir1 });
    platform::nameAfterToolTip(Command4);
    platform::nameAfterToolTip(Command5);
}

void BrowseMe::connectEvents()
{
    connect(Dir1, &platform::FolderList::Change, this, &BrowseMe::Dir1_Change);
    connect(Drive1, &platform::DriveList::Change, this, &BrowseMe::Drive1_Change);
    connect(Command1, &QPushButton::clicked, this, &BrowseMe::Command1_Click);
    connect(Command3, &QPushButton::clicked, this, &BrowseMe::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &BrowseMe::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &BrowseMe::Command5_Click);
}

void BrowseMe::Form_Load()
{
    txtPath->setText(Dir1->Path());
    // A saved folder that is gone leaves the list where it is.
    Dir1->setPath(platform::GetSetting(settingsApp, settingsSection, savedFolderKey, QString()));
}

void BrowseMe::Form_Unload()
{
    platform::SaveSetting(settingsApp, settingsSection, savedFolderKey, Dir1->Path());
}

void BrowseMe::Dir1_Change()
{
    txtPath->setText(Dir1->Path());
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        clipboard->clear();
        clipboard->setText(txtPath->text());
    }
}

void BrowseMe::Drive1_Change()
{
    if (m_restoringDrive)
        return;
    const QString drive = Drive1->Drive();
    if (Dir1->setPath(drive))
        return;
    platform::MsgBox(
        QStringLiteral("The drive %1 is not ready.").arg(drive), messageTitle, platform::Icon::Exclamation);
    // Show the drive of the folder the list still stands in.
    m_restoringDrive = true;
    Drive1->setDrive(Dir1->Path());
    m_restoringDrive = false;
}

void BrowseMe::Command1_Click()
{
    m_main.lblDest->setCaption(txtPath->text() + platform::separator());
    accept();
}

void BrowseMe::Command3_Click()
{
    m_main.lblDest->setCaption(QString());
    reject();
}

void BrowseMe::Command4_Click()
{
    Dir1->setPath(backupdir::PathOnly(Dir1->Path(), platform::separator().front()));
}

void BrowseMe::Command5_Click()
{
    const std::optional<QString> answer = platform::prompts().input(
        QStringLiteral("Please enter a name for this folder"), messageTitle, QStringLiteral("New Folder"));
    if (!answer) {
        platform::MsgBox(QStringLiteral("No folder was made: the name was cancelled."), messageTitle,
            platform::Icon::Information);
        return;
    }
    if (answer->trimmed().isEmpty()) {
        platform::MsgBox(QStringLiteral("No folder was made: the name was empty."), messageTitle,
            platform::Icon::Exclamation);
        return;
    }
    txtName->setText(backupdir::NewFolderPart(txtPath->text(), *answer, platform::separator().front()));
    const QString folder = txtPath->text() + txtName->text();
    const platform::MakeFolderOutcome outcome =
        usableName(*answer) ? platform::makeFolder(folder) : platform::MakeFolderOutcome::NameRefused;
    if (outcome != platform::MakeFolderOutcome::Made) {
        platform::MsgBox(folderNotMade(outcome, *answer), messageTitle, platform::Icon::Exclamation);
        return;
    }
    Dir1->Refresh();
    Dir1->setPath(folder);
}

void BrowseMe::done(int result)
{
    if (!m_unloaded) {
        m_unloaded = true;
        Form_Unload();
    }
    QDialog::done(result);
}

void BrowseMe::showEvent(QShowEvent* event)
{
    if (!m_placed) {
        m_placed = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QDialog::showEvent(event);
}

void BrowseMe::keyPressEvent(QKeyEvent* event)
{
    // Escape is no way out: only OK, Cancel and the close box leave the chooser.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
