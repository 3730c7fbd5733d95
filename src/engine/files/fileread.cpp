#include "engine/files/fileread.h"

#include "engine/files/filenames.h"
#include "engine/text/growth.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QDateTime>
#include <QFileInfo>
#endif

namespace engine
{

#ifdef Q_OS_UNIX

namespace
{
    qint64 nanoseconds(const struct timespec& time)
    {
        return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
    }

    ReadResult unreadable(const QString& why)
    {
        return { LoadOutcome::Unreadable, why, {}, {} };
    }

} // namespace

void FileHandle::reset(int next)
{
    if (fd >= 0)
        ::close(fd);
    fd = next;
}

FileIdentity identityOf(const struct stat& st, bool viaLink)
{
    FileIdentity id;
    id.known = true;
    id.viaLink = viaLink;
    id.device = quint64(st.st_dev);
    id.inode = quint64(st.st_ino);
    id.size = qint64(st.st_size);
    id.modified = nanoseconds(st.st_mtim);
    id.changed = nanoseconds(st.st_ctim);
    return id;
}

FileIdentity identify(const QString& path, int handle)
{
    struct stat opened, entry;
    if (handle < 0 || ::fstat(handle, &opened) != 0)
        return {};
    const bool viaLink = ::lstat(encodeFileName(path).constData(), &entry) == 0 && S_ISLNK(entry.st_mode);
    return identityOf(opened, viaLink);
}

ReadResult readWholeFile(const QString& path, QByteArray& bytes)
{
    bytes.resize(0);
    const QByteArray local = encodeFileName(path);
    // Opening without following a link tells a link from a file in the same call. Nothing blocks on
    // a pipe that nobody writes.
    bool viaLink = false;
    FileHandle file(::open(local.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (file.get() < 0 && errno == ELOOP) {
        viaLink = true;
        file.reset(::open(local.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    }
    if (file.get() < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return { LoadOutcome::Missing, {}, {}, {} };
        return unreadable(QString::fromLocal8Bit(std::strerror(error)));
    }
    struct stat st;
    if (::fstat(file.get(), &st) != 0)
        return unreadable(QString::fromLocal8Bit(std::strerror(errno)));
    if (S_ISDIR(st.st_mode))
        return unreadable(QStringLiteral("a folder"));
    if (!S_ISREG(st.st_mode))
        return unreadable(QStringLiteral("not a regular file"));

    makeRoom(bytes, qsizetype(st.st_size));
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(file.get(), bytes.data() + got, size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            bytes.resize(0);
            return unreadable(QString::fromLocal8Bit(std::strerror(error)));
        }
        if (n == 0)
            break;
        got += n;
    }
    bytes.resize(got);
    return { LoadOutcome::Loaded, {}, identityOf(st, viaLink), std::move(file) };
}

#else

void FileHandle::reset(int next)
{
    fd = next;
}

// Elsewhere: the size and time tell a changed file.
FileIdentity identify(const QString& path, int)
{
    const QFileInfo info(path);
    FileIdentity id;
    id.known = info.exists();
    id.viaLink = info.isSymLink();
    id.size = info.size();
    id.modified = info.lastModified().toMSecsSinceEpoch();
    return id;
}

ReadResult readWholeFile(const QString& path, QByteArray& bytes)
{
    bytes.resize(0);
    const QFileInfo info(path);
    if (!info.exists())
        return { LoadOutcome::Missing, {}, {}, {} };
    if (info.isDir())
        return { LoadOutcome::Unreadable, QStringLiteral("a folder"), {}, {} };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return { LoadOutcome::Unreadable, file.errorString(), {}, {} };
    const FileIdentity identity = identify(path, -1);
    makeRoom(bytes, file.size());
    qsizetype got = 0;
    while (got < bytes.size()) {
        const qint64 n = file.read(bytes.data() + got, bytes.size() - got);
        if (n <= 0)
            break;
        got += n;
    }
    bytes.resize(got);
    if (file.error() != QFileDevice::NoError) {
        bytes.resize(0);
        return { LoadOutcome::Unreadable, file.errorString(), {}, {} };
    }
    return { LoadOutcome::Loaded, {}, identity };
}

#endif

} // namespace engine
