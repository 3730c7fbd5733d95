// Drives the real windows through a small session in a temporary folder and saves what they show:
// the main window after a replace run with a file in the preview, the backup folder chooser and the
// about box. Run it under a display (xvfb-run); it never touches the user's settings.

#include "about/about.h"
#include "about/frmabout.h"
#include "app/mainwindow.h"
#include "backupdir/browseme.h"
#include "platform/checklist.h"
#include "platform/files.h"
#include "platform/folderlist.h"
#include "richtext/rtftext.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
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

bool save(QWidget& window, const QString& folder, const QString& name)
{
    settle();
    const bool saved = window.grab().save(QDir(folder).filePath(name));
    qInfo("%s %s", qPrintable(name), saved ? "saved" : "NOT saved");
    return saved;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
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
    bool ok = save(w, out, "mainwindow.png");

    BrowseMe chooser(w);
    chooser.show();
    ok = save(chooser, out, "chooser.png") && ok;
    chooser.reject();

    about::mnuAbout_Click(w);
    ok = w.aboutBox && save(*w.aboutBox, out, "about.png") && ok;
    return ok ? 0 : 1;
}
