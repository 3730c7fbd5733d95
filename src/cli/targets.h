#pragma once

#include <QByteArrayList>
#include <QString>
#include <QStringList>
#include <vector>

namespace cli
{

// A file the run visits, or a name it met and could not take.
struct Target {
    QString path; // to open
    QString shown; // in the output: the PATH given, joined with the path below it
    QString relative; // below the PATH given (a file given itself: its name); the backup keeps it
    QString refusal; // empty, or why the name is not visited: "not read: file not found"
    qint64 size = 0; // in bytes, when it was listed
};

struct TargetRules {
    QString pattern; // for the names in a folder
    bool recursive = false;
    QString backupDir; // never entered; empty when there is none
};

// The files that `paths` name, in their order; the files of a folder sorted by their path below it.
// A file met twice (given itself and through its folder, or through two names) is visited once, at
// the first meeting. Hidden files and folders (a leading dot), links to folders and anything but plain
// files in a folder are passed over, as the window's list does; a file given by name is taken whatever
// its name.
std::vector<Target> collectTargets(const QByteArrayList& paths, const TargetRules& rules);

// The names in a --files-from list: one a line, or each ended by a NUL byte.
QByteArrayList namesFromList(const QByteArray& list, bool nulSeparated);

} // namespace cli
