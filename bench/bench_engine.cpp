// bench_engine: replaces a string in files through the document engine, exactly the way the replace
// run drives the rich text control (one Find per replacement, SelText written moving forward), and
// writes every changed file back. Also times loading a large file into the control.
//
//   bench_engine [--whole-word|--ignore-case] [--rich] FIND REPL FILE...
//   bench_engine --preview-load FILE
//
// Without an option the search is case-sensitive; --whole-word is case-sensitive whole words;
// --ignore-case matches anywhere ignoring case. --rich reads and writes the files as RTF.
// Prints "<replacements> <files written>" and the time to stderr; exits 1 on a failure.
#include "richtext/document.h"
#include "richtext/rtftext.h"

#include <cstdio>
#include <cstring>
#include <QApplication>
#include <QElapsedTimer>
#include <QTextEdit>

namespace
{

int previewLoad(int argc, char** argv, const char* path)
{
    QApplication app(argc, argv);
    richtext::RichTextBox box;
    box.resize(800, 600);
    box.show();
    QElapsedTimer timer;
    timer.start();
    const auto outcome = box.LoadFile(QString::fromLocal8Bit(path));
    const qint64 loaded = timer.elapsed();
    QApplication::processEvents();
    std::fprintf(stderr, "%s: %lld chars, %lld shown, load+show %lld ms, first paint %lld ms\n",
        qPrintable(richtext::describe(outcome)), (long long)box.document().length(),
        (long long)box.view()->document()->characterCount() - 1, (long long)loaded,
        (long long)timer.elapsed());
    return outcome == richtext::LoadOutcome::Loaded ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    int options = richtext::rtfMatchCase;
    bool rich = false;
    int arg = 1;
    for (; arg < argc && std::strncmp(argv[arg], "--", 2) == 0; ++arg) {
        if (!std::strcmp(argv[arg], "--whole-word"))
            options = richtext::rtfWholeWord | richtext::rtfMatchCase;
        else if (!std::strcmp(argv[arg], "--ignore-case"))
            options = richtext::rtfNoOptions;
        else if (!std::strcmp(argv[arg], "--rich"))
            rich = true;
        else if (!std::strcmp(argv[arg], "--preview-load") && arg + 1 < argc)
            return previewLoad(argc, argv, argv[arg + 1]);
        else {
            std::fprintf(stderr, "unknown option %s\n", argv[arg]);
            return 2;
        }
    }
    if (argc - arg < 3) {
        std::fprintf(stderr,
            "usage: bench_engine [--whole-word|--ignore-case] [--rich] FIND REPL FILE...\n"
            "       bench_engine --preview-load FILE\n");
        return 2;
    }
    const QString find = QString::fromLocal8Bit(argv[arg]);
    const QString replacement = QString::fromLocal8Bit(argv[arg + 1]);

    QElapsedTimer timer;
    timer.start();
    richtext::Document document;
    long long replaced = 0, written = 0;
    for (int i = arg + 2; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        const auto loaded =
            document.load(path, rich ? richtext::LoadMode::RichOnly : richtext::LoadMode::Text);
        if (loaded != richtext::LoadOutcome::Loaded)
            continue; // the replace run skips files it cannot edit safely
        document.setSelStart(0);
        document.find(find, {}, {}, options);
        if (document.selText().isEmpty())
            continue;
        while (!document.selText().isEmpty()) {
            document.setSelText(replacement);
            ++replaced;
            document.find(find, document.selStart(), {}, options);
        }
        const auto saved = document.save(path, rich ? richtext::rtfRTF : richtext::rtfText);
        if (saved != richtext::SaveOutcome::Written) {
            std::fprintf(stderr, "%s: %s\n", argv[i], qPrintable(document.errorString()));
            return 1;
        }
        ++written;
        document.setSelStart(0);
        document.setSelLength(0);
    }
    std::fprintf(stderr, "%lld %lld (%lld ms)\n", replaced, written, (long long)timer.elapsed());
    return 0;
}
