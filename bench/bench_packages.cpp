// bench_packages: Word documents for the benchmarks, and the floor a package replacement is measured
// against.
//
//   bench_packages --make TEMPLATE.docx FOLDER COUNT [KB]
//   bench_packages --floor FIND REPL FILE...
//
// --make writes COUNT .docx files of about KB kilobytes (default 30) into FOLDER: the template's
// archive with a main part of varied paragraphs, runs and formatting in place of its own, "quorum"
// a few times in each paragraph (now and then split over two runs).
// --floor does the least any tool must do per file: inflate the main part, replace the string in its
// bytes, deflate it, copy every other entry of the archive as it is, and write the file through a
// temporary file and a rename. Prints "<replacements> <files written>" and the time to stderr.
#include "engine/packages/zip.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSaveFile>

using engine::packages::ZipArchive;

namespace
{

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

QByteArray mainPart(QRandomGenerator& random, qsizetype targetBytes)
{
    static const char* words[] = { "minutes", "the", "senate", "agreed", "that", "members", "would", "meet",
        "again", "before", "spring", "report", "council", "budget", "vote", "motion", "chair", "second",
        "reading", "amendment", "of", "and", "to", "in", "a", "clerk", "records" };
    QByteArray xml("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<w:document "
                   "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>");
    while (xml.size() < targetBytes) {
        xml += "<w:p><w:pPr><w:pStyle w:val=\"BodyText\"/></w:pPr>";
        for (int run = 0; run < 6; ++run) {
            QByteArray text;
            for (int w = 0; w < 8; ++w)
                text += QByteArray(words[random.bounded(int(std::size(words)))]) + ' ';
            if (run % 3 == 1)
                text += "quorum ";
            const bool split = run == 4 && random.bounded(4) == 0;
            xml += run % 2 ? "<w:r><w:rPr><w:b/></w:rPr><w:t xml:space=\"preserve\">"
                           : "<w:r><w:t xml:space=\"preserve\">";
            xml +=
                text + (split ? "quo</w:t></w:r><w:r><w:rPr><w:i/></w:rPr><w:t>rum " : "") + "</w:t></w:r>";
        }
        xml += "</w:p>";
    }
    return xml + "<w:sectPr/></w:body></w:document>";
}

int make(const char* templatePath, const char* folder, int count, int kilobytes)
{
    const auto zip = ZipArchive::open(readAll(QString::fromLocal8Bit(templatePath)));
    const int part = zip ? zip->find(QStringLiteral("word/document.xml")) : -1;
    if (part < 0) {
        std::fprintf(stderr, "%s: not a Word document\n", templatePath);
        return 1;
    }
    QDir().mkpath(QString::fromLocal8Bit(folder));
    QRandomGenerator random(42);
    // Words from a small list deflate to about a sixth: so much XML makes a file of that size.
    const qsizetype xmlBytes = qsizetype(kilobytes) * 1024 * 6;
    for (int i = 0; i < count; ++i) {
        const QByteArray bytes = zip->rewritten({ { part, mainPart(random, xmlBytes) } });
        if (!writeAll(QStringLiteral("%1/doc%2.docx")
                          .arg(QString::fromLocal8Bit(folder))
                          .arg(i, 5, 10, QChar(u'0')),
                bytes))
            return 1;
    }
    return 0;
}

int floor(const QByteArray& find, const QByteArray& replacement, int count, char** paths)
{
    QElapsedTimer timer;
    timer.start();
    long long replaced = 0, written = 0;
    for (int i = 0; i < count; ++i) {
        const QString path = QString::fromLocal8Bit(paths[i]);
        const auto zip = ZipArchive::open(readAll(path));
        const int part = zip ? zip->find(QStringLiteral("word/document.xml")) : -1;
        const auto xml = part >= 0 ? zip->read(part) : std::nullopt;
        if (!xml)
            continue;
        const qsizetype matches = xml->count(find);
        if (matches == 0)
            continue;
        replaced += matches;
        QByteArray changed = *xml;
        changed.replace(find, replacement);
        if (!writeAll(path, zip->rewritten({ { part, changed } })))
            return 1;
        ++written;
    }
    std::fprintf(stderr, "%lld %lld (%lld ms)\n", replaced, written, (long long)timer.elapsed());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 5 && !std::strcmp(argv[1], "--make"))
        return make(argv[2], argv[3], std::atoi(argv[4]), argc > 5 ? std::atoi(argv[5]) : 30);
    if (argc >= 5 && !std::strcmp(argv[1], "--floor"))
        return floor(argv[2], argv[3], argc - 4, argv + 4);
    std::fprintf(stderr,
        "usage: bench_packages --make TEMPLATE.docx FOLDER COUNT [KB]\n"
        "       bench_packages --floor FIND REPL FILE...\n");
    return 2;
}
