#include "engine/files/filewrite.h"

#include "engine/files/filenames.h"

#include <optional>
#include <QBuffer>
#include <QFile>

#ifdef Q_OS_UNIX
#include "engine/files/attributes.h"
#include "engine/files/inplace.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <QRandomGenerator>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <filesystem>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <system_error>
#endif

namespace engine
{

namespace
{
    WriteProbe& probe()
    {
        static WriteProbe installed;
        return installed;
    }
} // namespace

void setWriteProbe(WriteProbe replacement)
{
    probe() = std::move(replacement);
}

#ifdef Q_OS_UNIX

void reachedMoment(WriteMoment moment)
{
    if (probe())
        probe()(moment);
}

namespace
{
    constexpr qint64 kBlock = 4096;

    bool isDiskFull(int error)
    {
        return error == ENOSPC || error == EDQUOT;
    }

    QString systemError(int error)
    {
        return QString::fromLocal8Bit(std::strerror(error));
    }

    bool allZero(const char* data, qint64 size)
    {
        static const char zeros[kBlock] = {};
        return std::memcmp(data, zeros, size_t(size)) == 0;
    }

    // A file descriptor as a device, unbuffered (the writers buffer themselves), that remembers the
    // system's reason for a failed write. Whole zero blocks that fall into a hole of the original are
    // not written, so that they stay holes.
    class FdDevice : public QIODevice
    {
    public:
        FdDevice(int fd, const Holes* holes)
            : fd(fd)
            , holes(holes && holes->any() ? holes : nullptr)
        {
            open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        }
        int error = 0;
        // Gives the file its full length when its last blocks were holes.
        bool finish()
        {
            if (holes && ::ftruncate(fd, at) != 0) {
                error = errno;
                return false;
            }
            return true;
        }

    protected:
        qint64 readData(char*, qint64) override { return -1; }
        qint64 writeData(const char* data, qint64 size) override
        {
            qint64 done = 0;
            while (done < size) {
                if (skippable(at, data + done, size - done)) {
                    done += kBlock;
                    at += kBlock;
                    continue;
                }
                // Up to the next block that stays a hole.
                qint64 stretch = std::min(size - done, kBlock - at % kBlock);
                while (holes && done + stretch < size
                    && !skippable(at + stretch, data + done + stretch, size - done - stretch))
                    stretch += std::min(size - done - stretch, kBlock);
                if (!holes)
                    stretch = size - done;
                const ssize_t n = ::pwrite(fd, data + done, size_t(stretch), off_t(at));
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0) {
                    error = n < 0 ? errno : EIO;
                    setErrorString(systemError(error));
                    return done > 0 ? done : -1;
                }
                done += n;
                at += n;
            }
            startWriteBack();
            return done;
        }

    private:
        // A large file goes to the disk while the rest of it is made, so that the flush at the end of
        // a run finds little left to write.
        void startWriteBack()
        {
            if (at - writtenBack < kWriteBackStep)
                return;
            ::sync_file_range(fd, writtenBack, at - writtenBack, SYNC_FILE_RANGE_WRITE);
            writtenBack = at;
        }

        static constexpr qint64 kWriteBackStep = qint64(16) << 20;
        qint64 writtenBack = 0;
        int fd;
        const Holes* holes;
        qint64 at = 0;
        // `data`, to be written at `offset`, begins a whole zero block inside a hole of the original.
        bool skippable(qint64 offset, const char* data, qint64 size) const
        {
            return holes && offset % kBlock == 0 && size >= kBlock && allZero(data, kBlock)
                && holes->cover(offset, kBlock);
        }
    };

    // One write of one file.
    class Rewrite
    {
    public:
        Rewrite(const QString& path, const FileIdentity& loaded, int readHandle)
            : path(encodeFileName(path))
            , loaded(loaded)
            , original(readHandle)
            , ownsOriginal(readHandle < 0)
        {
        }
        ~Rewrite()
        {
            dropTemp();
            if (original >= 0 && ownsOriginal)
                ::close(original);
        }
        Rewrite(const Rewrite&) = delete;
        Rewrite& operator=(const Rewrite&) = delete;

        WriteResult run(const FileContent& content);

    private:
        QByteArray path;
        FileIdentity loaded; // what the file must still be; what it was when opened, if it was not read
        int original; // the file as it is now, open for reading; -1 for a new file
        bool ownsOriginal;
        struct stat now = {};
        QByteArray target; // where the temporary file goes: the path, or the file a link leads to
        int temp = -1;
        QByteArray tempName; // empty while the temporary file has no name
        int tempError = 0;
        Holes holes;
        QByteArray capability;

        static WriteResult failed(SaveOutcome outcome, int error = 0)
        {
            return { outcome, false, error ? systemError(error) : QString() };
        }
        // The system would not let the file be written: a read-only disk, a file the user may not
        // write, or another failure.
        static WriteResult refused(int error)
        {
            if (error == EROFS)
                return failed(SaveOutcome::FolderNotWritable);
            return failed(error == EACCES || error == EPERM || error == ETXTBSY ? SaveOutcome::ReadOnly
                                                                                : SaveOutcome::Failed,
                error);
        }
        std::optional<WriteResult> openOriginal();
        bool stillTheFile() const;
        bool makeTemp();
        bool nameTemp();
        bool finishTemp();
        void dropTemp();
        WriteResult putInPlace();
        WriteResult overwrite(const QByteArray& bytes);
    };

    std::optional<WriteResult> Rewrite::openOriginal()
    {
        // A path that was a file when it was read must not lead anywhere else now.
        const int noFollow = loaded.known && !loaded.viaLink ? O_NOFOLLOW : 0;
        if (original < 0)
            original = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | noFollow);
        if (original < 0) {
            const int error = errno;
            if (error == ENOENT && !loaded.known)
                return std::nullopt; // a new file
            if (loaded.known && (error == ENOENT || error == ELOOP))
                return failed(SaveOutcome::ChangedByAnotherProgram);
            if (error == EACCES || error == EPERM)
                return failed(SaveOutcome::ReadOnly);
            return failed(SaveOutcome::Failed, error);
        }
        if (::fstat(original, &now) != 0)
            return failed(SaveOutcome::Failed, errno);
        if (!loaded.known) {
            struct stat entry;
            loaded = identityOf(now, ::lstat(path.constData(), &entry) == 0 && S_ISLNK(entry.st_mode));
        }
        if (!stillTheFile())
            return failed(SaveOutcome::ChangedByAnotherProgram);
        if (S_ISDIR(now.st_mode))
            return WriteResult { SaveOutcome::Failed, false, QStringLiteral("a folder") };
        if (!S_ISREG(now.st_mode))
            return WriteResult { SaveOutcome::Failed, false, QStringLiteral("not a regular file") };
        // The superuser could write a file that nobody may write, but its owner marked it read-only.
        if (!(now.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)))
            return failed(SaveOutcome::ReadOnly);
        if (::faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) != 0)
            return refused(errno);
        if (loaded.viaLink) {
            // The new file replaces the one the link leads to, not the link.
            char* real = ::realpath(path.constData(), nullptr);
            target = real ? QByteArray(real) : QByteArray();
            std::free(real);
            struct stat there;
            if (target.isEmpty() || ::lstat(target.constData(), &there) != 0 || there.st_dev != now.st_dev
                || there.st_ino != now.st_ino)
                return failed(SaveOutcome::ChangedByAnotherProgram);
        }
        return std::nullopt;
    }

    // The open file is still what was read, and the path still names it.
    bool Rewrite::stillTheFile() const
    {
        struct stat opened, named;
        if (::fstat(original, &opened) != 0 || identityOf(opened, loaded.viaLink) != loaded)
            return false;
        const int found =
            loaded.viaLink ? ::stat(path.constData(), &named) : ::lstat(path.constData(), &named);
        return found == 0 && named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
    }

    bool Rewrite::makeTemp()
    {
        const qsizetype slash = target.lastIndexOf('/');
        const QByteArray folder = slash < 0 ? QByteArray(".") : target.left(slash + 1);
#ifdef Q_OS_LINUX
        // Nameless until it is linked in: a killed program leaves nothing behind.
        temp = ::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (temp < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            tempError = errno;
            return false;
        }
#endif
        if (temp < 0) {
            tempName = target.left(slash + 1) + '.' + target.mid(slash + 1) + ".XXXXXX";
#ifdef Q_OS_LINUX
            temp = ::mkostemp(tempName.data(), O_CLOEXEC);
#else
            temp = ::mkstemp(tempName.data());
#endif
        }
        if (temp < 0) {
            tempError = errno;
            tempName.clear();
            return false;
        }
        if (original < 0)
            return true;
        // Only the superuser may give a file away, and an owner only to a group of their own. An
        // attribute that cannot be given to the new file (a capability, as anyone else) keeps the file
        // where it is.
        bool same = ::fchown(temp, now.st_uid, now.st_gid) == 0;
#ifdef Q_OS_LINUX
        same = same && copyAttributes(original, temp);
        capability = capabilityOf(original);
#endif
        holes = Holes(original, now);
        if (!same)
            dropTemp();
        return same;
    }

    // Gives a nameless temporary file a name beside its file, for the exchange.
    bool Rewrite::nameTemp()
    {
        if (!tempName.isEmpty())
            return true;
        const qsizetype slash = target.lastIndexOf('/');
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(temp);
        for (int attempt = 0; attempt < 100; ++attempt) {
            tempName = target.left(slash + 1) + '.' + target.mid(slash + 1) + '.'
                + QByteArray::number(QRandomGenerator::global()->generate(), 36);
            if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, tempName.constData(), AT_SYMLINK_FOLLOW) == 0)
                return true;
            if (errno != EEXIST)
                break;
        }
        tempError = errno;
        tempName.clear();
        return false;
    }

    // Gives the written temporary file the original's mode and capability: after the writing, which
    // would clear the set-user-ID and set-group-ID bits of a file written by an ordinary user, and the
    // capability of any file.
    bool Rewrite::finishTemp()
    {
        if (original < 0)
            return ::fchmod(temp, S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH) == 0;
#ifdef Q_OS_LINUX
        restoreCapability(temp, capability);
#endif
        return ::fchmod(temp, now.st_mode & 07777) == 0;
    }

    void Rewrite::dropTemp()
    {
        if (temp < 0)
            return;
        ::close(temp);
        temp = -1;
        if (!tempName.isEmpty())
            ::unlink(tempName.constData());
        tempName.clear();
    }

    WriteResult Rewrite::overwrite(const QByteArray& bytes)
    {
        // The file is opened for writing only now, as the very file that was read.
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(original);
        int writable = ::open(self.constData(), O_RDWR | O_CLOEXEC);
        if (writable < 0 && errno == ENOENT)
            writable = ::open(path.constData(), O_RDWR | O_CLOEXEC | (loaded.viaLink ? 0 : O_NOFOLLOW));
        if (writable < 0)
            return refused(errno);
        // The journal names the file itself, wherever the program that replays it runs.
        char* real = ::realpath(target.constData(), nullptr);
        const QByteArray named = real ? QByteArray(real) : target;
        std::free(real);
        WriteResult result = stillTheFile() ? overwriteInPlace(writable, now, loaded, named, bytes)
                                            : failed(SaveOutcome::ChangedByAnotherProgram);
        ::close(writable);
        return result;
    }

    // Replaces the file by the written temporary one in one step, and makes sure the file it replaced
    // was the one that was read; the exchange is undone when it was not.
    WriteResult Rewrite::putInPlace()
    {
        if (original < 0) {
            if (!nameTemp() || ::rename(tempName.constData(), target.constData()) != 0)
                return failed(SaveOutcome::FolderNotWritable, errno);
            tempName.clear();
            return {};
        }
        if (!stillTheFile())
            return failed(SaveOutcome::ChangedByAnotherProgram);
        if (!nameTemp())
            return failed(SaveOutcome::FolderNotWritable, tempError);
#ifdef Q_OS_LINUX
        if (::renameat2(AT_FDCWD, tempName.constData(), AT_FDCWD, target.constData(), RENAME_EXCHANGE) == 0) {
            // The exchange changed the status time of the file it took out; its size and modification
            // time must be what was read.
            struct stat out, opened;
            const bool same = ::lstat(tempName.constData(), &out) == 0 && ::fstat(original, &opened) == 0
                && out.st_dev == opened.st_dev && out.st_ino == opened.st_ino && opened.st_size == loaded.size
                && identityOf(opened, loaded.viaLink).modified == loaded.modified
                && quint64(out.st_ino) == loaded.inode && quint64(out.st_dev) == loaded.device;
            if (!same) {
                ::renameat2(AT_FDCWD, tempName.constData(), AT_FDCWD, target.constData(), RENAME_EXCHANGE);
                return failed(SaveOutcome::ChangedByAnotherProgram);
            }
            ::unlink(tempName.constData()); // the old file
            tempName.clear();
            return {};
        }
        if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
            return failed(SaveOutcome::Failed, errno);
            // A file system that cannot exchange: the check above was the last one.
#endif
        if (::rename(tempName.constData(), target.constData()) != 0)
            return failed(SaveOutcome::Failed, errno);
        tempName.clear();
        return {};
    }

    WriteResult Rewrite::run(const FileContent& content)
    {
        if (auto refusal = openOriginal())
            return *refusal;
        if (target.isEmpty())
            target = path;
        // Another name of the file would keep the old content after a rename.
        const bool replace = (original < 0 || now.st_nlink == 1) && makeTemp();
        if (!replace && original < 0)
            return failed(SaveOutcome::FolderNotWritable, tempError);

        if (!replace) {
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            if (!content(buffer))
                return { SaveOutcome::Failed, true, {} };
            reachedMoment(WriteMoment::ContentBuilt);
            return overwrite(buffer.data());
        }

        FdDevice out(temp, &holes);
        if (!content(out)) {
            if (!out.error)
                return { SaveOutcome::Failed, true, {} };
            return failed(isDiskFull(out.error) ? SaveOutcome::DiskFull : SaveOutcome::Failed, out.error);
        }
        if (!out.finish())
            return failed(isDiskFull(out.error) ? SaveOutcome::DiskFull : SaveOutcome::Failed, out.error);
        reachedMoment(WriteMoment::ContentBuilt);
        if (finishTemp())
            return putInPlace();
        // The new file could not be made the old one: its content goes over the original instead.
        QByteArray bytes(qsizetype(::lseek(temp, 0, SEEK_END)), Qt::Uninitialized);
        if (bytes.size() > 0 && ::pread(temp, bytes.data(), size_t(bytes.size()), 0) != ssize_t(bytes.size()))
            return failed(SaveOutcome::Failed, errno);
        dropTemp();
        return overwrite(bytes);
    }

} // namespace

WriteResult writeFile(
    const QString& path, const FileIdentity& loaded, const FileContent& content, int readHandle)
{
    Rewrite rewrite(path, loaded, readHandle);
    return rewrite.run(content);
}

#else

// Elsewhere: the new content always replaces the old one through a temporary file and a rename.
WriteResult writeFile(const QString& path, const FileIdentity& loaded, const FileContent& content, int)
{
    QFileInfo info(path);
    if (loaded.known && identify(path, -1) != loaded)
        return { SaveOutcome::ChangedByAnotherProgram, false, {} };
    if (info.isSymLink())
        info = QFileInfo(info.canonicalFilePath());
    if (info.exists() && !info.isWritable())
        return { SaveOutcome::ReadOnly, false, {} };
    QTemporaryFile temp(
        info.absoluteDir().filePath(QStringLiteral(".") + info.fileName() + QStringLiteral(".XXXXXX")));
    if (!temp.open())
        return { SaveOutcome::FolderNotWritable, false, temp.errorString() };
    if (!content(temp))
        return { SaveOutcome::Failed, temp.error() == QFileDevice::NoError, temp.errorString() };
    if (probe())
        probe()(WriteMoment::ContentBuilt);
    if (loaded.known && identify(path, -1) != loaded)
        return { SaveOutcome::ChangedByAnotherProgram, false, {} };
    if (!temp.flush())
        return { SaveOutcome::Failed, false, temp.errorString() };
    if (info.exists())
        temp.setPermissions(info.permissions());
    std::error_code failure;
    std::filesystem::rename(std::filesystem::path(temp.fileName().toStdU16String()),
        std::filesystem::path(info.absoluteFilePath().toStdU16String()), failure);
    if (failure)
        return { SaveOutcome::Failed, false, QString::fromStdString(failure.message()) };
    temp.setAutoRemove(false);
    return {};
}

#endif

} // namespace engine
