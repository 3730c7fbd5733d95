#pragma once

#include "engine/files/outcomes.h"

#include <QByteArray>
#include <QString>

#ifdef Q_OS_UNIX
struct stat;
#endif

namespace engine
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

// An open file descriptor that is closed when it goes; it moves, it is never copied.
class FileHandle
{
public:
    FileHandle() = default;
    explicit FileHandle(int fd)
        : fd(fd)
    {
    }
    FileHandle(FileHandle&& other) noexcept
        : fd(other.release())
    {
    }
    FileHandle& operator=(FileHandle&& other) noexcept
    {
        reset(other.release());
        return *this;
    }
    ~FileHandle() { reset(); }
    int get() const { return fd; }
    int release()
    {
        const int was = fd;
        fd = -1;
        return was;
    }
    void reset(int next = -1);

private:
    int fd = -1;
};

struct ReadResult {
    LoadOutcome outcome = LoadOutcome::Loaded; // Loaded, Missing or Unreadable
    QString error; // what the system said, when it said something
    FileIdentity identity; // what the file was when it was read
    FileHandle handle; // the file, still open for reading: writing it back checks this very file
};

// Reads the whole regular file at `path` into `bytes`, whose memory is reused: a run over thousands
// of files allocates little, and fresh memory is slow. A file that another program cuts short or
// extends meanwhile gives the bytes that were there. Folders and other files that are not regular
// files are refused as unreadable. The file stays open in the result's handle.
ReadResult readWholeFile(const QString& path, QByteArray& bytes);

} // namespace engine
