#pragma once

#include "engine/files/filewrite.h"

#ifdef Q_OS_UNIX
struct stat;

namespace engine
{

// Tells the test probe, if one is set, that a write reached `moment`.
void reachedMoment(WriteMoment moment);

// Overwrites the file open as `fd` (read and write), which `now` describes, with `bytes`; `path` names
// it in the journal. Only the blocks that change are written, so holes stay holes. The old bytes of
// those blocks go to a journal first, on the disk before the first byte changes, so that the next
// start can put them back after a crash; no room for the journal refuses the write. Just before, the
// file must still be `loaded`. A failure halfway writes the old bytes back.
WriteResult overwriteInPlace(int fd, const struct stat& now, const FileIdentity& loaded,
    const QByteArray& path, const QByteArray& bytes);

} // namespace engine
#endif
