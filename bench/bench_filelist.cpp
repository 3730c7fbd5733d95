// bench_filelist: choosing files through the real main window, offscreen.
//
//   bench_filelist [FILES] [TYPING_FILES] [PREVIEW_MB]      (defaults 100000 20000 50)
//
// Makes a temporary folder of FILES matching files, one of TYPING_FILES files and a plain file of
// PREVIEW_MB megabytes, then prints how long the window takes to list the big folder, to tick and
// untick every file (and how often the list repainted meanwhile), to rebuild the list for each
// keystroke of "*.txt" typed in the smaller folder, and to show the big file in the preview. Beside
// the listing it prints, for comparison, Qt's own directory listing with a wildcard filter. The
// settings store and the program folder point into the temporary folder.
#include "app/mainwindow.h"
#include "fileops/files.h"
#include "platform/checklist.h"
#include "platform/combobox.h"
#include "platform/folderlist.h"
#include "platform/label.h"
#include "richtext/rtftext.h"
#include "workflow/filelist.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>

namespace
{

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

void makeFiles(const QString& folder, int count)
{
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        // Mixed case, so the list's case-insensitive order has work to do.
        const QString name =
            QStringLiteral("%1ile%2.txt").arg(i % 3 ? 'f' : 'F').arg((i * 7919) % count, 6, 10, QChar('0'));
        QFile file(folder + '/' + name);
        if (file.open(QIODevice::WriteOnly))
            file.write("line\n");
    }
}

void makeBigFile(const QString& path, int megabytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    QByteArray line = "The quick brown fox jumps over the lazy dog, again and again and again.\r\n";
    QByteArray block;
    while (block.size() < (1 << 20))
        block += line;
    block.truncate(1 << 20);
    for (int i = 0; i < megabytes; ++i)
        file.write(block);
}

double ms(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

void row(const char* what, double milliseconds, const QString& note = QString())
{
    std::printf("%-44s %10.1f ms  %s\n", what, milliseconds, qPrintable(note));
}

void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int files = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int typingFiles = argc > 2 ? std::atoi(argv[2]) : 20000;
    const int previewMb = argc > 3 ? std::atoi(argv[3]) : 50;

    QTemporaryDir root;
    if (!root.isValid())
        return 1;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, root.filePath("settings"));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, root.filePath("settings"));
    QDir(root.path()).mkpath("program");
    QDir(root.path()).mkpath("empty");
    platform::setProgramFolder(root.filePath("program"));
    QSettings("Textmend", "Textmend").setValue("Presets/Dir1", root.filePath("empty"));

    std::printf("making %d + %d files and a %d MB file...\n", files, typingFiles, previewMb);
    const QString big = root.filePath("big");
    const QString typing = root.filePath("typing");
    const QString preview = root.filePath("preview");
    makeFiles(big, files);
    makeFiles(typing, typingFiles);
    QDir().mkpath(preview);
    makeBigFile(preview + "/big.txt", previewMb);

    MainWindow w;
    w.start();
    settle();
    PaintCounter counter;
    w.lstFiles->viewport()->installEventFilter(&counter);

    std::printf("\n%-44s %13s\n", "step", "time");
    QElapsedTimer timer;

    timer.start();
    const QStringList peer = QDir(big).entryList({ "*.txt" }, QDir::Files);
    row("peer: QDir::entryList(\"*.txt\", Files)", ms(timer), QString("%1 names").arg(peer.size()));
    timer.start();
    const QStringList own = workflow::listMatchingFiles(big + "/*.txt");
    row("listing the folder (names only)", ms(timer), QString("%1 names").arg(own.size()));

    timer.start();
    w.Dir1->setPath(big);
    const double fill = ms(timer);
    settle();
    row("Dir1 moved: lstFiles filled", fill, QString("%1 entries").arg(w.lstFiles->ListCount()));
    row("  ... and painted", ms(timer));

    counter.paints = 0;
    timer.start();
    w.chkAll->setChecked(true);
    settle();
    row("Select All (ticked and painted)", ms(timer),
        QString("%1 ticked, %2 repaint(s)").arg(w.lstFiles->SelCount()).arg(counter.paints));
    counter.paints = 0;
    timer.start();
    w.chkAll->setChecked(false);
    settle();
    row("Deselect All (unticked and painted)", ms(timer),
        QString("%1 ticked, %2 repaint(s)").arg(w.lstFiles->SelCount()).arg(counter.paints));

    w.Dir1->setPath(typing);
    w.Combo1->setText(QString());
    settle();
    w.activateWindow();
    w.Combo1->setFocus();
    double worst = 0;
    for (const QChar c : QStringLiteral("*.txt")) {
        timer.start();
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(w.Combo1->lineEdit(), &press);
        QCoreApplication::sendEvent(w.Combo1->lineEdit(), &release);
        settle();
        const double key = ms(timer);
        worst = std::max(worst, key);
        const QString what =
            QString("  typed \"%1\": %2 entries").arg(w.Combo1->Text()).arg(w.lstFiles->ListCount());
        std::printf("%-44s %10.1f ms\n", qPrintable(what), key);
    }
    row("worst keystroke (rebuild and paint)", worst, QString("%1 files in the folder").arg(typingFiles));

    w.Dir1->setPath(preview);
    settle();
    timer.start();
    w.lstFiles->setListIndex(0);
    const double load = ms(timer);
    settle();
    row("preview: big file loaded", load,
        QString("%1 characters, caption \"%2\"").arg(w.rtftext->Text().size()).arg(w.Label7->Caption()));
    row("  ... and painted", ms(timer));
    return 0;
}
