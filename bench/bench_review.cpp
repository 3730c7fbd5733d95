// bench_review: what Review Changes and Undo cost beside the plain run, through the real main window,
// offscreen, pattern "*", every file ticked, Backup First unticked.
//
//   bench_review run|review|undo FIND REPL FOLDER
//
// run: Process, as bench_workflow. review: Review Changes until its window is shown and painted, then
// Close (nothing is written). undo: Process, then Undo, timing the Undo. Each prints its time and the
// process's peak memory; run each in a process of its own, and on a fresh copy of the folder for run
// and undo. The settings store and the program folder point into a temporary folder.
#include "app/mainwindow.h"
#include "fileops/files.h"
#include "platform/checklist.h"
#include "platform/combobox.h"
#include "platform/folderlist.h"
#include "platform/label.h"
#include "platform/prompts.h"
#include "review/frmreview.h"
#include "review/reviewmodel.h"
#include "workflow/process.h"
#include "workflow/reviewchanges.h"
#include "workflow/undo.h"

#include <cstdio>
#include <cstring>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <sys/resource.h>

namespace
{

QElapsedTimer timer;
qint64 shownAfter = -1;
qsizetype changesShown = 0;

long peakMegabytes()
{
    struct rusage usage = {};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// The review window is timed until it has painted, then closed; no other box is expected.
class TimingPrompts : public platform::Prompts
{
public:
    bool shown = false;
    void message(const QString& text, const QString& title, platform::Icon) override
    {
        shown = true;
        std::fprintf(stderr, "message \"%s\": %s\n", qPrintable(title), qPrintable(text));
    }
    std::optional<QString> input(const QString&, const QString&, const QString&) override
    {
        shown = true;
        return std::nullopt;
    }
    bool runModal(QDialog& dialog) override
    {
        dialog.show();
        dialog.repaint();
        QApplication::processEvents();
        shownAfter = timer.elapsed();
        if (auto* review = qobject_cast<review::frmReview*>(&dialog))
            changesShown = review->model()->allChanges();
        return false;
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 5
        || (std::strcmp(argv[1], "run") && std::strcmp(argv[1], "review") && std::strcmp(argv[1], "undo"))) {
        std::fprintf(stderr, "usage: bench_review run|review|undo FIND REPL FOLDER\n");
        return 2;
    }
    const QString mode = QString::fromLatin1(argv[1]);

    QTemporaryDir home;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home.path());
    platform::setProgramFolder(home.path());
    TimingPrompts prompts;
    platform::setPrompts(&prompts);

    MainWindow w;
    w.show();
    QApplication::processEvents();
    w.Combo1->setText(QStringLiteral("*"));
    if (!w.Dir1->setPath(QString::fromLocal8Bit(argv[4])))
        return 2;
    w.lstFiles->setAllSelected(true);
    w.chkCase->setChecked(true);
    w.chkBackup->setChecked(false);
    w.Findme->setPlainText(QString::fromLocal8Bit(argv[2]));
    w.Replaceme->setPlainText(QString::fromLocal8Bit(argv[3]));

    long before = 0;
    timer.start();
    if (mode == QLatin1String("review")) {
        workflow::mnuReview_Click(w);
        std::printf("review shown: %lld changes, %lld ms, peak %ld MB\n",
            static_cast<long long>(changesShown), static_cast<long long>(shownAfter), peakMegabytes());
    } else {
        workflow::Command1_Click(w);
        std::printf("run: %s, %lld ms, peak %ld MB\n", qPrintable(w.lblTotal->Caption()),
            static_cast<long long>(timer.elapsed()), before = peakMegabytes());
        if (mode == QLatin1String("undo")) {
            timer.restart();
            workflow::cmdUndo_Click(w);
            std::printf("undo: %s, %lld ms, peak %ld MB\n", qPrintable(w.lblTotal->Caption()),
                static_cast<long long>(timer.elapsed()), peakMegabytes());
        }
    }
    platform::setPrompts(nullptr);
    return prompts.shown ? 1 : 0;
}
