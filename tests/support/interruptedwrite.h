#pragma once

// A file left half-written by a rewrite in place that could not put its old bytes back, as a program
// killed mid-write leaves it: what the next start of either program must put back.
#include "engine/document.h"
#include "engine/files/filewrite.h"

#include <csignal>
#include <QByteArray>
#include <QFile>
#include <sys/resource.h>
#include <unistd.h>

namespace testing
{

// Twenty thousand numbered lines that each begin with "cat".
inline QByteArray linesOfCats()
{
    QByteArray bytes;
    for (int i = 0; i < 20000; ++i)
        bytes += "cat " + QByteArray::number(i).rightJustified(95, '.') + "\n";
    return bytes;
}

// Gives `file` (holding linesOfCats()) a second name, so that it is rewritten in place, and replaces its
// first "cat" while the file may grow no further than one block: the rewrite stops after its first
// piece and leaves its journal. The outcome is NotRestored when that went as planned.
inline engine::SaveOutcome interruptRewrite(const QString& file)
{
    if (::link(QFile::encodeName(file).constData(), QFile::encodeName(file + ".2").constData()) != 0)
        return engine::SaveOutcome::Failed;
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit before;
    ::getrlimit(RLIMIT_FSIZE, &before);
    engine::setWriteProbe([&](engine::WriteMoment moment) {
        const rlimit oneBlock { 4096, before.rlim_max };
        if (moment == engine::WriteMoment::PieceWritten)
            ::setrlimit(RLIMIT_FSIZE, &oneBlock);
    });
    engine::Document doc;
    doc.load(file, engine::LoadMode::Text);
    doc.find(QStringLiteral("cat"));
    doc.setSelText(QStringLiteral("a dog"));
    const engine::SaveOutcome saved = doc.save(file, engine::rtfText);
    engine::setWriteProbe({});
    ::setrlimit(RLIMIT_FSIZE, &before);
    return saved;
}

} // namespace testing
