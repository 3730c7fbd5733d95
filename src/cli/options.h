#pragma once

#include <QByteArrayList>
#include <QString>
#include <QStringList>

// The command line program: replaces a string in files and trees of folders from a shell.
namespace cli
{

struct Options {
    QString find;
    QString replacement;
    QByteArrayList paths; // files and folders as the file system spells them, in order
    QStringList patterns; // matched against the names in a folder, as the window's pattern is
    QString filesFrom; // a file of names, "-" for standard input; empty when not asked
    QString backupDir;
    QString journal; // where to write what the run changed, for --undo; empty when not asked
    QString undo; // the journal of a run to take back; empty for a run
    bool nulSeparated = false; // the names in filesFrom end with NUL bytes instead of line breaks
    bool recursive = false;
    bool matchCase = false;
    bool wholeWord = false;
    bool dryRun = false;
    bool diff = false;
    bool json = false;
    bool quiet = false;
};

enum class Request { Run, Undo, Help, Version, Wrong };

struct Parsed {
    Request request = Request::Wrong;
    Options options;
    QString error; // why the arguments are wrong
};

// Reads the arguments after the program's name. Options and names may come in any order; "--" ends
// the options. Names are taken as the file system spells them, FIND and REPLACE in the locale's
// encoding.
Parsed parseArguments(const QByteArrayList& arguments);

QString usageText();
QString helpText();
QString versionText();

} // namespace cli
