#pragma once

#include "engine/files/fileread.h"
#include "engine/files/outcomes.h"

#include <functional>
#include <QIODevice>
#include <QString>

namespace engine
{

// Produces a file's whole new content into `out`. False when `out` failed or the content was refused.
using FileContent = std::function<bool(QIODevice& out)>;

struct WriteResult {
    SaveOutcome outcome = SaveOutcome::Written;
    bool contentRefused = false; // the content returned false although `out` took every byte it got
    QString error; // what the system said, when it said something
};

// Writes `content` over the file at `path`, which was read as `loaded`, keeping what makes it that
// file: its names, owner and group, every mode bit, its extended attributes (and so its access list,
// exactly: none stays none) and its holes where the new bytes there are zeros. `readHandle` is the
// file as it was opened for reading and is still open, or -1: then the path is opened again.
//
// The new content is built first. At the last moment before it replaces the old one, the file must
// still be the one that was read; a file that was changed (even with its modification time put
// back), replaced, deleted or turned into a symbolic link meanwhile is not touched (and a deleted one
// is not made again). A path that was a link when read is written through to the file it still leads
// to. A file whose permissions let nobody write it is refused, even for the superuser.
//
// Normally the content goes to a temporary file beside the original (one without a name where the
// file system offers that, so that nothing is left behind if the program is killed) that is given
// the original's owner, group, attributes and mode and then exchanged with it in one step; the file
// exchanged out must be the one that was read, or the exchange is undone. When that would lose
// something (the file has several names, its owner, group or an attribute cannot be given to a new
// file, the folder cannot be written), the original is overwritten in place, block by changed block,
// keeping a journal of the old bytes on the disk first (see replayJournals), and if the writing
// fails halfway the old bytes are written back. Meanwhile the signals that end a program (Ctrl+C, a
// plain kill, a closed terminal) wait until the file is whole again. A file replaced through a
// temporary file is not synced to disk here (see the run's end).
WriteResult writeFile(
    const QString& path, const FileIdentity& loaded, const FileContent& content, int readHandle = -1);

// The moments of a write that a test may act at: another program's change raced against the last
// check, or a kill in the middle of an overwrite.
enum class WriteMoment {
    ContentBuilt, // the new content is complete, nothing of the file has changed yet
    JournalFlushed, // an overwrite in place has its journal on the disk
    PieceWritten, // an overwrite in place wrote one more piece of the new content
};
using WriteProbe = std::function<void(WriteMoment)>;
// Installs `probe` for every write that follows (an empty one removes it). For tests only.
void setWriteProbe(WriteProbe probe);

} // namespace engine
