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
// file: its names, owner and group, every mode bit and its extended attributes (and so its ACLs).
//
// Just before anything is written the file must still be the one that was read; a file that was
// changed, replaced, deleted or turned into a symbolic link meanwhile is not touched (and a deleted
// one is not made again). A path that was a link when read is written through to the file it still
// leads to. A file whose permissions let nobody write it is refused, even for the superuser.
//
// Normally the content goes to a temporary file beside the original that is given the original's
// owner, group, attributes and mode and then renamed over it. When that would lose something (the
// file has several names, its owner or group cannot be given to a new file, the folder cannot be
// written), the original is overwritten in place: the room is reserved first, and if the writing
// fails halfway the old bytes are written back. Meanwhile the signals that end a program (Ctrl+C, a
// plain kill, a closed terminal) wait until the file is whole again. Nothing is synced to disk.
WriteResult writeFile(const QString& path, const FileIdentity& loaded, const FileContent& content);

} // namespace engine
