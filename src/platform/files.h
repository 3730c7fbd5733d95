#pragma once

#include <QString>

namespace platform
{

// The host's own path separator.
inline const QString& separator()
{
    static const QString sep = QStringLiteral("/");
    return sep;
}

// The program's own folder: where the pattern file and the help page live beside a program run
// from its build folder or a copy of its own. Tests move it.
QString programFolder();
void setProgramFolder(const QString& folder);

// The folder of the files an installed program ships (the help page, the default pattern
// collection): "share/textmend" beside the "bin" folder that holds the program. Empty when there is
// none, as for a program run from its build folder.
QString installedDataFolder();

// The folder of this user's own data, $XDG_DATA_HOME/Textmend (~/.local/share/Textmend): where an
// installed program keeps what it writes.
QString userDataFolder();

// A folder path and a name joined as they stand: at a root this doubles the separator, which the
// file functions below take as one.
QString joinPath(const QString& folder, const QString& name);

// True when `path` is the root of a drive or file system ("/" here, "C:\" on Windows).
bool isRoot(const QString& path);

// Copies `source` over `destination` (replacing an older file there), keeping the source's
// modification time. False when the copy could not be made; the destination is then unchanged.
bool copyFileReplacing(const QString& source, const QString& destination);

// Makes one folder. The outcome says why not.
enum class MakeFolderOutcome { Made, AlreadyExists, ParentMissing, NameRefused, Failed };
MakeFolderOutcome makeFolder(const QString& path);

} // namespace platform
