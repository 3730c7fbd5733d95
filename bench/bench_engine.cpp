// bench_engine: replaces a string in files through the document engine, exactly the way the replace
// run drives the rich text control (one Find per replacement, SelText written moving forward), and
// writes every changed file back. Also times loading a large file into the control.
//
//   bench_engine [--whole-word|--ignore-case] [--rich] [--stream-above BYTES] FIND REPL FILE...
//   bench_engine --preview-load FILE
//   bench_engine --make-rich FILE MB [--notes]
//
// Without an option the search is case-sensitive; --whole-word is case-sensitive whole words;
// --ignore-case matches anywhere ignoring case. --rich reads and writes the files as RTF. A plain
// file larger than 64 MB (or BYTES) is replaced as a stream, as the replace run does.
// --make-rich writes an RTF document of about MB megabytes to replace "quorum" in: paragraphs with
// formatting, escapes and fields, and with --notes a header, a footer and a footnote per paragraph.
// Prints "<replacements> <files written>" and the time to stderr; exits 1 on a failure.
#include "engine/document.h"
#include "richtext/rtftext.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
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
        qPrintable(engine::describe(outcome)), (long long)box.document().length(),
        (long long)box.view()->document()->characterCount() - 1, (long long)loaded,
        (long long)timer.elapsed());
    return outcome == engine::LoadOutcome::Loaded ? 0 : 1;
}

int makeRich(const char* path, int megabytes, bool notes)
{
    QByteArray bytes("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}}"
                     "{\\colortbl;\\red0\\green0\\blue0;}\n\\sectd");
    if (notes)
        bytes += "{\\header\\pard\\plain\\qc The quorum report\\par}"
                 "{\\footer\\pard\\plain\\qc Page {\\field{\\*\\fldinst PAGE}{\\fldrslt 1}}\\par}\n";
    const QByteArray paragraph(
        "\\pard\\plain \\s16\\ql{\\loch The {\\b quorum} met in the caf\\u233\\'e9 at "
        "noon; na\\'efve \\{guests\\} waited \\u8212\\'97 then the quo}{\\i rum left.}"
        "{\\*\\bkmkstart q}{\\field{\\*\\fldinst HYPERLINK \"quorum\"}{\\fldrslt quorum}}");
    // As many matches per megabyte as the paragraph has.
    const QByteArray footnote("{\\super\\chftn}{\\footnote\\pard\\plain\\fs20{\\super\\chftn} The "
                              "quorum rule: see the {\\i minutes} of the last meeting.}");
    const QByteArray unit = paragraph + (notes ? footnote : QByteArray()) + "\n\\par ";
    bytes += unit.repeated(int((qint64(megabytes) * 1024 * 1024 - bytes.size()) / unit.size())) + '}';
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "%s: cannot write\n", path);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    int options = engine::rtfMatchCase;
    bool rich = false;
    engine::StreamLimits limits;
    int arg = 1;
    for (; arg < argc && std::strncmp(argv[arg], "--", 2) == 0; ++arg) {
        if (!std::strcmp(argv[arg], "--whole-word"))
            options = engine::rtfWholeWord | engine::rtfMatchCase;
        else if (!std::strcmp(argv[arg], "--ignore-case"))
            options = engine::rtfNoOptions;
        else if (!std::strcmp(argv[arg], "--rich"))
            rich = true;
        else if (!std::strcmp(argv[arg], "--stream-above") && arg + 1 < argc)
            limits.above = std::atoll(argv[++arg]);
        else if (!std::strcmp(argv[arg], "--make-rich") && arg + 2 < argc)
            return makeRich(argv[arg + 1], std::atoi(argv[arg + 2]),
                arg + 3 < argc && !std::strcmp(argv[arg + 3], "--notes"));
        else if (!std::strcmp(argv[arg], "--preview-load") && arg + 1 < argc)
            return previewLoad(argc, argv, argv[arg + 1]);
        else {
            std::fprintf(stderr, "unknown option %s\n", argv[arg]);
            return 2;
        }
    }
    if (argc - arg < 3) {
        std::fprintf(stderr,
            "usage: bench_engine [--whole-word|--ignore-case] [--rich] [--stream-above BYTES] FIND REPL "
            "FILE...\n"
            "       bench_engine --preview-load FILE\n"
            "       bench_engine --make-rich FILE MB [--notes]\n");
        return 2;
    }
    const QString find = QString::fromLocal8Bit(argv[arg]);
    const QString replacement = QString::fromLocal8Bit(argv[arg + 1]);

    QElapsedTimer timer;
    timer.start();
    engine::Document document;
    document.setStreamLimits(limits);
    long long replaced = 0, written = 0;
    for (int i = arg + 2; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        const auto loaded = document.load(path, rich ? engine::LoadMode::RichOrText : engine::LoadMode::Text);
        if (loaded != engine::LoadOutcome::Loaded)
            continue; // the replace run skips files it cannot edit safely
        if (document.isStreamed()) {
            const engine::StreamResult result = document.replaceStreamed(find, replacement, options);
            if (result.outcome != engine::SaveOutcome::Written) {
                std::fprintf(stderr, "%s: %s\n", argv[i], qPrintable(result.error));
                return 1;
            }
            replaced += result.replaced;
            written += result.replaced > 0;
            continue;
        }
        document.setSelStart(0);
        document.find(find, {}, {}, options);
        if (document.selLength() == 0)
            continue;
        while (document.selLength() > 0) {
            document.setSelText(replacement);
            ++replaced;
            document.find(find, document.selStart(), {}, options);
        }
        const auto saved = document.save(path, rich ? engine::rtfRTF : engine::rtfText);
        if (saved != engine::SaveOutcome::Written) {
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
