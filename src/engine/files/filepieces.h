#pragma once

#include "engine/files/fileread.h"

#include <QString>

namespace engine
{

// A regular file open for reading piece by piece, for files too large to hold. It stays open, so
// every piece comes from the file that was opened, and it can tell whether another program changed
// that file since.
class FilePieces
{
public:
    FilePieces() = default;
    ~FilePieces();
    FilePieces(const FilePieces&) = delete;
    FilePieces& operator=(const FilePieces&) = delete;

    // Opens the file at `path` as readWholeFile does (a link is followed and noted; folders, pipes
    // and devices are refused as unreadable) without reading it.
    ReadResult open(const QString& path);
    void close();
    qint64 size() const { return opened.size; }
    const FileIdentity& identity() const { return opened; }
    // Reads up to `count` bytes from `offset` into `to`: fewer only at the end of the file. -1 on an
    // error, whose reason goes to `error`.
    qint64 read(qint64 offset, char* to, qint64 count, QString* error) const;
    // True while the open file is still what it was when opened: same size and times.
    bool unchanged() const;

private:
    int fd = -1;
    FileIdentity opened;
};

// The memory the system can give without swapping, or 0 when it does not say.
qint64 memoryAvailable();
// Whether `needed` bytes fit in that memory (or in `memory`, when not 0); when not, `why` says
// how much was needed and how much is free.
bool fitsInMemory(qint64 needed, qint64 memory, QString* why);

} // namespace engine
