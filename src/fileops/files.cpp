#include "fileops/files.h"

#include "engine/files/filenames.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace platform
{

namespace
{
    QString& folderOverride()
    {
        static QString folder;
        return folder;
    }

    QByteArray nativePath(const QString& path)
    {
        return engine::encodeFileName(QDir::cleanPath(path));
    }

    // A file descriptor, closed when it goes.
    struct Descriptor {
        explicit Descriptor(int descriptor)
            : fd(descriptor)
        {
        }
        ~Descriptor()
        {
            if (fd >= 0)
                ::close(fd);
        }
        Descriptor(const Descriptor&) = delete;
        Descriptor& operator=(const Descriptor&) = delete;
        bool valid() const { return fd >= 0; }
        int fd;
    };

    // A new file under a temporary name, removed when it goes unless it was kept.
    struct TemporaryFile : Descriptor {
        TemporaryFile(int descriptor, const QByteArray& name)
            : Descriptor(descriptor)
            , path(name)
        {
        }
        ~TemporaryFile()
        {
            if (!kept)
                ::unlink(path.constData());
        }
        // Closes the file; false when the last of it could not be written.
        bool close()
        {
            const int descriptor = std::exchange(fd, -1);
            return ::close(descriptor) == 0;
        }
        void keep() { kept = true; }
        QByteArray path;
        bool kept = false;
    };

    bool writeAll(int fd, const char* data, std::size_t size)
    {
        while (size > 0) {
            const ssize_t n = ::write(fd, data, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return false;
            if (n == 0) {
                errno = EIO;
                return false;
            }
            data += n;
            size -= std::size_t(n);
        }
        return true;
    }

    CopyOutcome destinationFailure(int error)
    {
        switch (error) {
        case ENOSPC:
        case EDQUOT:
            return CopyOutcome::DiskFull;
        case ENOENT:
        case ENOTDIR:
            return CopyOutcome::FolderMissing;
        case EACCES:
        case EPERM:
        case EROFS:
            return CopyOutcome::NotPermitted;
        case EISDIR:
        case ENOTEMPTY:
        case EEXIST:
            return CopyOutcome::FolderInTheWay;
        default:
            return CopyOutcome::Failed;
        }
    }
} // namespace

QString programFolder()
{
    if (!folderOverride().isEmpty())
        return folderOverride();
    return QCoreApplication::applicationDirPath();
}

void setProgramFolder(const QString& folder)
{
    folderOverride() = folder;
}

QString installedDataFolder()
{
    const QString folder = QDir::cleanPath(programFolder() + QStringLiteral("/" TEXTMEND_DATA_FROM_BIN));
    return QFileInfo(folder).isDir() ? folder : QString();
}

QString userDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/Textmend");
}

QString joinPath(const QString& folder, const QString& name)
{
    return folder + separator() + name;
}

bool isRoot(const QString& path)
{
    return !path.isEmpty() && QDir(path).isRoot();
}

CopyOutcome copyFileReplacing(
    const QString& source, const QString& destination, const std::function<void()>& pieceDone)
{
    const Descriptor in(::open(nativePath(source).constData(), O_RDONLY | O_CLOEXEC));
    if (!in.valid())
        return errno == ENOENT || errno == ENOTDIR ? CopyOutcome::SourceMissing
                                                   : CopyOutcome::SourceUnreadable;
    struct stat original = {};
    if (::fstat(in.fd, &original) != 0 || !S_ISREG(original.st_mode))
        return CopyOutcome::SourceUnreadable;

    const QByteArray target = nativePath(destination);
    QByteArray temporary = nativePath(QFileInfo(QDir::cleanPath(destination)).path()) + "/.textmend-XXXXXX";
    TemporaryFile out(::mkostemp(temporary.data(), O_CLOEXEC), temporary);
    if (!out.valid())
        return destinationFailure(errno);

    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::read(in.fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return CopyOutcome::SourceUnreadable;
        if (n == 0)
            break;
        if (!writeAll(out.fd, buffer.data(), std::size_t(n)))
            return destinationFailure(errno);
        if (pieceDone)
            pieceDone();
    }
    const struct timespec times[2] = { { 0, UTIME_OMIT }, original.st_mtim };
    ::fchmod(out.fd, original.st_mode & 0777);
    ::futimens(out.fd, times);
    if (!out.close() || ::rename(temporary.constData(), target.constData()) != 0)
        return destinationFailure(errno);
    out.keep();
    return CopyOutcome::Copied;
}

namespace
{
    // True when both files hold the same bytes.
    bool sameContent(int a, int b, const std::function<void()>& pieceDone)
    {
        struct stat first = {}, second = {};
        if (::fstat(a, &first) != 0 || ::fstat(b, &second) != 0 || first.st_size != second.st_size)
            return false;
        std::vector<char> one(1 << 16), other(1 << 16);
        for (;;) {
            const ssize_t n = ::read(a, one.data(), one.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return false;
            if (n == 0)
                return true;
            ssize_t got = 0;
            while (got < n) {
                const ssize_t m = ::read(b, other.data() + got, std::size_t(n - got));
                if (m < 0 && errno == EINTR)
                    continue;
                if (m <= 0)
                    return false;
                got += m;
            }
            if (std::memcmp(one.data(), other.data(), std::size_t(n)) != 0)
                return false;
            if (pieceDone)
                pieceDone();
        }
    }

    // Gives the earlier copy at `target` a numbered name of its own: another name of the same file
    // when the file system has them, so that the copy renamed over `target` later leaves it alone.
    bool keepNumbered(const QString& folder, const QString& name, const QByteArray& target)
    {
        // The numbers count up from 1; the first one free is the next (a look per earlier copy, not a
        // listing of the whole folder per file).
        for (int n = 1; n < 100000; ++n) {
            const QByteArray numbered = nativePath(joinPath(folder, name + QStringLiteral(".~%1~").arg(n)));
            struct stat there;
            if (::lstat(numbered.constData(), &there) == 0)
                continue;
            if (::link(target.constData(), numbered.constData()) == 0)
                return true;
            if (errno == EEXIST)
                continue;
            return ::rename(target.constData(), numbered.constData()) == 0;
        }
        return false;
    }
} // namespace

CopyOutcome backUpFile(
    const QString& source, const QString& destination, const std::function<void()>& pieceDone)
{
    const QByteArray target = nativePath(destination);
    struct stat earlier = {};
    if (::lstat(target.constData(), &earlier) == 0 && S_ISREG(earlier.st_mode)) {
        const Descriptor in(::open(nativePath(source).constData(), O_RDONLY | O_CLOEXEC));
        const Descriptor old(::open(target.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
        if (in.valid() && old.valid() && sameContent(in.fd, old.fd, pieceDone))
            return CopyOutcome::Copied;
        const QFileInfo info(QDir::cleanPath(destination));
        if (!keepNumbered(info.path(), info.fileName(), target))
            return CopyOutcome::EarlierCopyNotKept;
    }
    return copyFileReplacing(source, destination, pieceDone);
}

// Why a copy could not be made, in the user's words.
QString describe(CopyOutcome outcome)
{
    switch (outcome) {
    case CopyOutcome::Copied:
        break;
    case CopyOutcome::SourceMissing:
        return QStringLiteral("the file is no longer in its folder");
    case CopyOutcome::SourceUnreadable:
        return QStringLiteral("the file could not be read");
    case CopyOutcome::FolderMissing:
        return QStringLiteral("the backup folder is not there any more");
    case CopyOutcome::FolderInTheWay:
        return QStringLiteral("the backup folder holds a folder of that name");
    case CopyOutcome::NotPermitted:
        return QStringLiteral("you may not write in the backup folder");
    case CopyOutcome::DiskFull:
        return QStringLiteral("the backup disk is full");
    case CopyOutcome::EarlierCopyNotKept:
        return QStringLiteral("an earlier copy there could not be kept under a numbered name");
    case CopyOutcome::NotFlushed:
        return QStringLiteral("the copy could not be flushed to the disk");
    case CopyOutcome::Failed:
        break;
    }
    return QStringLiteral("the copy could not be written");
}

bool flushToDisk(const QString& folder)
{
    const Descriptor dir(::open(nativePath(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return dir.valid() && ::syncfs(dir.fd) == 0;
}

void WrittenDisks::note(const QString& file)
{
    struct stat st;
    if (::stat(nativePath(file).constData(), &st) != 0)
        return;
    for (const auto& disk : disks) {
        if (disk.first == quint64(st.st_dev))
            return;
    }
    disks.emplace_back(quint64(st.st_dev), file);
}

bool WrittenDisks::flush(QString* error)
{
    bool flushed = true;
    for (const auto& disk : disks) {
        const Descriptor file(::open(nativePath(disk.second).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        if (!file.valid() || ::syncfs(file.fd) != 0) {
            flushed = false;
            if (error)
                *error = QString::fromLocal8Bit(std::strerror(errno));
        }
    }
    disks.clear();
    return flushed;
}

bool sameFolder(const QString& a, const QString& b)
{
    struct stat first = {}, second = {};
    return ::stat(nativePath(a).constData(), &first) == 0 && ::stat(nativePath(b).constData(), &second) == 0
        && S_ISDIR(first.st_mode) && first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

MakeFolderOutcome makeFolder(const QString& path)
{
    const QFileInfo target(QDir::cleanPath(path));
    if (target.exists())
        return MakeFolderOutcome::AlreadyExists;
    if (!target.dir().exists())
        return MakeFolderOutcome::ParentMissing;
    const QString name = target.fileName();
    if (name.isEmpty() || name == "." || name == ".." || name.contains('/') || name.contains(QChar(0)))
        return MakeFolderOutcome::NameRefused;
    return QDir().mkdir(target.filePath()) ? MakeFolderOutcome::Made : MakeFolderOutcome::Failed;
}

} // namespace platform
