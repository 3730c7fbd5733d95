#pragma once

#include "richtext/document.h"

#include <QByteArray>
#include <QString>

#ifdef Q_OS_UNIX
struct stat;
#endif

namespace richtext
{

// What a file was when it was read: enough to tell, just before it is written back, that its path
// still names that file and that no other program changed it meanwhile.
struct FileIdentity {
    bool known = false; // false: nothing was read from the path, so any file or none may be there
    bool viaLink = false; // the path was a symbolic link; the rest describes the file it led to
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modified = 0; // nanoseconds
    qint64 changed = 0; // status change, nanoseconds: also moves when a program puts the old time back
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file that `path` names, open for reading as `handle` (a file descriptor).
FileIdentity identify(const QString& path, int handle);
#ifdef Q_OS_UNIX
FileIdentity identityOf(const struct stat& status, bool viaLink);
#endif

struct ReadResult {
    LoadOutcome outcome = LoadOutcome::Loaded; // Loaded, Missing or Unreadable
    QString error; // what the system said, when it said something
    FileIdentity identity; // what the file was when it was read
};

// Reads the whole regular file at `path` into `bytes`, whose memory is reused: a run over thousands
// of files allocates little, and fresh memory is slow. A file that another program cuts short or
// extends meanwhile gives the bytes that were there. Folders and other files that are not regular
// files are refused as unreadable.
ReadResult readWholeFile(const QString& path, QByteArray& bytes);

// Asks the system to back a large buffer with 2 MiB pages: touching fresh memory faults it in a page
// at a time, and 4 KiB pages make a 200 MB file cost 50,000 faults.
void preferLargePages(void* data, qsizetype bytes);

// Sizes a buffer (QByteArray, QString) to `size` elements for the next file. Its memory is kept from
// file to file unless it is far larger than needed: one huge file must not hold its size for good.
template <typename Buffer> void makeRoom(Buffer& buffer, qsizetype size)
{
    constexpr qsizetype kKeep = qsizetype(64) << 20;
    if (buffer.capacity() > kKeep && buffer.capacity() > 4 * size)
        buffer = Buffer();
    buffer.resize(0);
    if (buffer.capacity() < size) {
        buffer = Buffer();
        buffer.reserve(size);
        preferLargePages(buffer.data(), qsizetype(buffer.capacity() * sizeof(*buffer.data())));
    }
    buffer.resize(size);
}

} // namespace richtext
