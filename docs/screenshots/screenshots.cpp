// Drives the real windows through a small session in a temporary folder and saves what they show:
// the main window after a replace run with a file in the preview, the backup folder chooser and the
// about box. Run it under a display (xvfb-run); it never touches the user's settings. The session runs
// once for each look: as the program starts on a plain desktop (mainwindow.png...), at twice the scale
// (mainwindow-2x.png...) and with a dark palette (mainwindow-dark.png...).

#include "about/about.h"
#include "about/frmabout.h"
#include "app/mainwindow.h"
#include "backupdir/browseme.h"
#include "fileops/files.h"
#include "platform/checklist.h"
#include "platform/folderlist.h"
#include "richtext/rtftext.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPalette>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

namespace
{

void write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

void settle()
{
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
}

QString suffix;

bool save(QWidget& window, const QString& folder, const QString& name)
{
    settle();
    const QString file = name + suffix + ".png";
    const bool saved = window.grab().save(QDir(folder).filePath(file));
    qInfo("%s %s", qPrintable(file), saved ? "saved" : "NOT saved");
    return saved;
}

// A dark desktop theme's colours, as the platform would hand them to the program.
QPalette darkPalette()
{
    const QColor window(45, 45, 48), base(30, 30, 32), text(232, 232, 232), dimmed(128, 128, 128);
    QPalette palette(
        text, window, window.lighter(150), window.darker(150), window.darker(120), text, text, base, window);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Highlight, QColor(42, 130, 218));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, dimmed);
    palette.setColor(QPalette::Link, QColor(100, 170, 255));
    for (const auto role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        palette.setColor(QPalette::Disabled, role, dimmed);
    return palette;
}

// Runs the session in a process of its own for each look: the scale is fixed when the program starts.
int everyLook(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    bool ok = true;
    for (const char* look : { "plain", "2x", "dark" }) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TEXTMEND_SCREENSHOT_LOOK", look);
        QProcess session;
        session.setProcessEnvironment(environment);
        session.setProcessChannelMode(QProcess::ForwardedChannels);
        session.start(QCoreApplication::applicationFilePath(), QCoreApplication::arguments().mid(1));
        ok = session.waitForFinished(-1) && session.exitStatus() == QProcess::NormalExit
            && session.exitCode() == 0 && ok;
    }
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    const QByteArray look = qgetenv("TEXTMEND_SCREENSHOT_LOOK");
    if (look.isEmpty())
        return everyLook(argc, argv);
    if (look == "2x")
        qputenv("QT_SCALE_FACTOR", "2");
    if (look != "plain")
        suffix = "-" + QString::fromLatin1(look);
    QApplication app(argc, argv);
    if (look == "dark")
        QApplication::setPalette(darkPalette());
    const QString out = QDir(argc > 1 ? argv[1] : "docs").absolutePath();
    QTemporaryDir root;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, root.filePath("settings"));
    platform::setProgramFolder(root.filePath("program"));
    write(root.filePath("program/cmb.ftl"), "*.txt\r\n*.rtf\r\n*.doc\r\n*.htm*\r\n");

    const QString letters = root.filePath("Committee/Letters");
    write(letters + "/invitation.txt",
        "Dear Anna,\n\nThe quorum for Monday is five members. Without a quorum the\nboard cannot vote, so "
        "please confirm by Friday.\n\nRegards,\nBen\n");
    write(letters + "/minutes.txt",
        "Minutes of the meeting, 3 March\n\nQuorum present: yes (seven members).\n"
        "The quorum rule was read out.\n");
    write(letters + "/agenda.txt", "Agenda\n1. Quorum check\n2. Budget\n3. Any other business\n");
    write(letters + "/Budget.txt", "Budget 2026: 12,400\n");
    write(letters + "/notes.txt", "Notes: ask about the quorum size.\n");
    QDir().mkpath(root.filePath("Committee/Archive"));
    QDir::setCurrent(letters);

    MainWindow w;
    w.start();
    w.chkAll->setChecked(true);
    w.lstFiles->setSelected(0, false);
    w.Findme->setPlainText("quorum");
    w.Replaceme->setPlainText("majority");
    w.Command1->click();
    w.lstFiles->setListIndex(2);
    settle();
    w.rtftext->Find("majority");
    bool ok = save(w, out, "mainwindow");

    BrowseMe chooser(w);
    chooser.show();
    ok = save(chooser, out, "chooser") && ok;
    chooser.reject();

    about::mnuAbout_Click(w);
    ok = w.aboutBox && save(*w.aboutBox, out, "about") && ok;
    return ok ? 0 : 1;
}
