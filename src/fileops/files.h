#pragma once

#include <functional>
#include <QString>
#include <utility>
#include <vector>

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

// What became of one copy.
enum class CopyOutcome {
    Copied,
    SourceMissing, // the file to copy is not there any more
    SourceUnreadable, // it cannot be read
    FolderMissing, // the folder the copy goes to is not there
    FolderInTheWay, // a folder has the copy's name
    NotPermitted, // the folder the copy goes to may not be written
    DiskFull, // no room left for the copy
    EarlierCopyNotKept, // an earlier copy of other content could not be given a numbered name
    NotFlushed, // written, but the disk did not confirm it (flushToDisk failed)
    Failed, // anything else
};

// Copies `source` over `destination`, keeping the source's modification time and permissions. The
// copy is written under a temporary name in the destination's folder and then renamed over the
// destination, so an older file of that name, even a read-only one, is replaced whole; when the copy
// fails, the older file stays as it was and no temporary file is left. `pieceDone` hears of every
// megabyte copied, so that a window can keep answering while a large file is copied.
CopyOutcome copyFileReplacing(
    const QString& source, const QString& destination, const std::function<void()>& pieceDone = {});
// Why a copy could not be made, in the user's words.
QString describe(CopyOutcome outcome);

// Copies `source` to `destination` as a backup that never overwrites an earlier one: an earlier file
// there with other content is first kept under the next free numbered name ("notes.txt.~1~",
// "notes.txt.~2~"..., as GNU cp --backup=numbered does); one with the same content is left as it is.
// `pieceDone` hears of every piece read, as with copyFileReplacing.
CopyOutcome backUpFile(
    const QString& source, const QString& destination, const std::function<void()>& pieceDone = {});

// Puts everything written into the file system of `folder` on the disk, so that it survives a crash.
// False when that cannot be promised: the folder cannot be opened, or the disk failed a write.
bool flushToDisk(const QString& folder);

// The file systems that files were written to, each put on the disk once when asked.
class WrittenDisks
{
public:
    void note(const QString& file);
    // False when one of them could not be flushed; `error` says why.
    bool flush(QString* error = nullptr);

private:
    std::vector<std::pair<quint64, QString>> disks; // a file system and one file written there
};

// True when both paths lead to the same existing folder, through symbolic links, doubled separators
// or another mount of it.
bool sameFolder(const QString& a, const QString& b);

// Makes one folder. The outcome says why not.
enum class MakeFolderOutcome { Made, AlreadyExists, ParentMissing, NameRefused, Failed };
MakeFolderOutcome makeFolder(const QString& path);

} // namespace platform
