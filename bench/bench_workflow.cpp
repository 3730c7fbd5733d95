// bench_workflow: a whole replace run through the real main window, offscreen, the way a user runs it:
// the folder and the pattern "*" chosen, every file ticked, the options set, Process clicked.
//
//   bench_workflow [--whole-word] [--ignore-case] [--match-case] FIND REPL FOLDER
//
// --whole-word ticks "Whole Word Only", --match-case ticks "Match Case", --ignore-case ticks neither
// (the default). Prints the summary caption, any result line that is not a count, and the time.
// The settings store and the program folder point into a temporary folder, so the user's own
// settings are never read or written. Exits 1 when a file was skipped or not written.
#include "app/mainwindow.h"
#include "fileops/files.h"
#include "platform/checklist.h"
#include "platform/combobox.h"
#include "platform/folderlist.h"
#include "platform/label.h"
#include "platform/prompts.h"
#include "workflow/process.h"

#include <cstdio>
#include <cstring>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTemporaryDir>

namespace
{

// No one is there to answer a box: print it and go on.
class PrintedPrompts : public platform::Prompts
{
public:
    bool shown = false;
    void message(const QString& text, const QString& title, platform::Icon) override
    {
        shown = true;
        std::fprintf(stderr, "message \"%s\": %s\n", qPrintable(title), qPrintable(text));
    }
    std::optional<QString> input(const QString& prompt, const QString&, const QString&) override
    {
        shown = true;
        std::fprintf(stderr, "input box: %s\n", qPrintable(prompt));
        return std::nullopt;
    }
    bool runModal(QDialog&) override
    {
        shown = true;
        std::fprintf(stderr, "a dialog was opened\n");
        return false;
    }
};

int usage()
{
    std::fprintf(
        stderr, "usage: bench_workflow [--whole-word] [--ignore-case] [--match-case] FIND REPL FOLDER\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    bool wholeWord = false, matchCase = false;
    int arg = 1;
    for (; arg < argc && std::strncmp(argv[arg], "--", 2) == 0; ++arg) {
        if (!std::strcmp(argv[arg], "--whole-word"))
            wholeWord = true;
        else if (!std::strcmp(argv[arg], "--match-case"))
            matchCase = true;
        else if (std::strcmp(argv[arg], "--ignore-case"))
            return usage();
    }
    if (argc - arg != 3)
        return usage();

    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home.path());
    platform::setProgramFolder(home.path());
    PrintedPrompts prompts;
    platform::setPrompts(&prompts);

    int status = 0;
    {
        MainWindow w;
        w.show();
        QApplication::processEvents();
        w.Combo1->setText(QStringLiteral("*"));
        if (!w.Dir1->setPath(QString::fromLocal8Bit(argv[arg + 2]))) {
            std::fprintf(stderr, "not a folder: %s\n", argv[arg + 2]);
            return 2;
        }
        w.lstFiles->setAllSelected(true);
        w.chkWhlWrd->setChecked(wholeWord);
        w.chkCase->setChecked(matchCase);
        w.chkBackup->setChecked(false);
        w.Findme->setPlainText(QString::fromLocal8Bit(argv[arg]));
        w.Replaceme->setPlainText(QString::fromLocal8Bit(argv[arg + 1]));

        QElapsedTimer timer;
        timer.start();
        workflow::Command1_Click(w);
        const qint64 elapsed = timer.elapsed();

        for (int i = 0; i < w.lstResults->count(); ++i) {
            const QString line = w.lstResults->item(i)->text();
            if (!line.endsWith(QLatin1String(" replaced"))) {
                std::printf("%s\n", qPrintable(line));
                status = 1;
            }
        }
        std::printf("%s\n%lld ms\n", qPrintable(w.lblTotal->Caption()), static_cast<long long>(elapsed));
        platform::setPrompts(nullptr);
        // The window's closing sequence would store its choices; they go to the temporary folder.
    }
    return prompts.shown ? 1 : status;
}
