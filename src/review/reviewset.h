#pragma once

#include "engine/files/fileread.h"

#include <algorithm>
#include <QString>
#include <vector>

// What a run would change, found by the run itself with its writing held back, and which of those
// changes the user keeps.
namespace review
{

struct FileChanges {
    QString name; // as the file list shows it
    QString path;
    engine::FileIdentity identity; // the file as it was reviewed: a file changed since is not written
    qsizetype matchLength = 0; // of every match, in visible characters
    std::vector<qsizetype> starts; // where each match begins in the file's visible text as read
    std::vector<bool> ticked; // one per match
    QString refusal; // not empty: the file would not be written, for this reason

    qsizetype tickedCount() const { return qsizetype(std::count(ticked.begin(), ticked.end(), true)); }
};

struct ReviewSet {
    QString find;
    QString replacement;
    std::vector<FileChanges> files; // in list order: those with matches and those refused

    const FileChanges* file(const QString& name) const
    {
        for (const FileChanges& f : files)
            if (f.name == name)
                return &f;
        return nullptr;
    }
};

} // namespace review
