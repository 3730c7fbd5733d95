#include "engine/files/filepieces.h"

#include "engine/files/filenames.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

namespace engine
{

FilePieces::~FilePieces()
{
    close();
}

void FilePieces::close()
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
    opened = {};
}

ReadResult FilePieces::open(const QString& path)
{
    close();
    const QByteArray local = encodeFileName(path);
    bool viaLink = false;
    fd = ::open(local.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0 && errno == ELOOP) {
        viaLink = true;
        fd = ::open(local.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    }
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return { LoadOutcome::Missing, {}, {} };
        return { LoadOutcome::Unreadable, QString::fromLocal8Bit(std::strerror(error)), {} };
    }
    struct stat st;
    QString refusal;
    if (::fstat(fd, &st) != 0)
        refusal = QString::fromLocal8Bit(std::strerror(errno));
    else if (S_ISDIR(st.st_mode))
        refusal = QStringLiteral("a folder");
    else if (!S_ISREG(st.st_mode))
        refusal = QStringLiteral("not a regular file");
    if (!refusal.isEmpty()) {
        close();
        return { LoadOutcome::Unreadable, refusal, {} };
    }
    opened = identityOf(st, viaLink);
    return { LoadOutcome::Loaded, {}, opened };
}

qint64 FilePieces::read(qint64 offset, char* to, qint64 count, QString* error) const
{
    qint64 got = 0;
    while (got < count) {
        const ssize_t n = ::pread(fd, to + got, size_t(count - got), off_t(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            if (error)
                *error = QString::fromLocal8Bit(std::strerror(errno));
            return -1;
        }
        if (n == 0)
            break;
        got += n;
    }
    return got;
}

bool FilePieces::unchanged() const
{
    struct stat st;
    return fd >= 0 && ::fstat(fd, &st) == 0 && identityOf(st, opened.viaLink) == opened;
}

qint64 memoryAvailable()
{
    QFile info(QStringLiteral("/proc/meminfo"));
    if (info.open(QIODevice::ReadOnly)) {
        for (QByteArray line = info.readLine(); !line.isEmpty(); line = info.readLine())
            if (line.startsWith("MemAvailable:"))
                return line.mid(13).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return qint64(::sysconf(_SC_AVPHYS_PAGES)) * ::sysconf(_SC_PAGESIZE);
}

bool fitsInMemory(qint64 needed, qint64 memory, QString* why)
{
    const qint64 free = memory > 0 ? memory : memoryAvailable();
    if (free <= 0 || needed <= free)
        return true;
    if (why)
        *why = QStringLiteral("it needs about %1 MB, %2 MB free").arg(needed >> 20).arg(free >> 20);
    return false;
}

} // namespace engine
