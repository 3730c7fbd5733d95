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

// The program's own folder: where the pattern file and the help page live. Tests move it.
QString programFolder();
void setProgramFolder(const QString& folder);

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
