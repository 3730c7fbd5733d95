#include "engine/files/filewrite.h"

#include "engine/files/filenames.h"

#include <optional>
#include <QBuffer>
#include <QFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#ifdef Q_OS_LINUX
#include <sys/xattr.h>
#endif
#else
#include <filesystem>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <system_error>
#endif

namespace engine
{

#ifdef Q_OS_UNIX

namespace
{

    bool isDiskFull(int error)
    {
        return error == ENOSPC || error == EDQUOT;
    }

    QString systemError(int error)
    {
        return QString::fromLocal8Bit(std::strerror(error));
    }

    // Writes `data` from the start of the file on; false with the reason in `error` when the system
    // refuses some.
    bool writeStart(int fd, const char* data, qint64 size, int& error)
    {
        for (qint64 done = 0; done < size;) {
            const ssize_t n = ::pwrite(fd, data + done, size_t(size - done), off_t(done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                error = n < 0 ? errno : EIO;
                return false;
            }
            done += n;
        }
        return true;
    }

    // Reads the first `size` bytes; false when the file holds fewer or cannot be read.
    bool readStart(int fd, qint64 size, QByteArray& bytes, int& error)
    {
        bytes.resize(size);
        for (qint64 done = 0; done < size;) {
            const ssize_t n = ::pread(fd, bytes.data() + done, size_t(size - done), off_t(done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                error = n < 0 ? errno : ENODATA;
                return false;
            }
            done += n;
        }
        return true;
    }

    // Holds back the signals that end a program by default (Ctrl+C, a plain kill, a closed terminal)
    // while a file is overwritten in place, so that they take effect once the file is whole again.
    class TerminationDeferred
    {
    public:
        TerminationDeferred()
        {
            sigset_t ending;
            sigemptyset(&ending);
            for (int signal : { SIGHUP, SIGINT, SIGQUIT, SIGTERM })
                sigaddset(&ending, signal);
            pthread_sigmask(SIG_BLOCK, &ending, &m_before);
        }
        ~TerminationDeferred() { pthread_sigmask(SIG_SETMASK, &m_before, nullptr); }
        TerminationDeferred(const TerminationDeferred&) = delete;
        TerminationDeferred& operator=(const TerminationDeferred&) = delete;

    private:
        sigset_t m_before;
    };

    // A file descriptor as a device, unbuffered (the writers buffer themselves), that remembers the
    // system's reason for a failed write.
    class FdDevice : public QIODevice
    {
    public:
        explicit FdDevice(int fd)
            : fd(fd)
        {
            open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        }
        int error = 0;

    protected:
        qint64 readData(char*, qint64) override { return -1; }
        qint64 writeData(const char* data, qint64 size) override
        {
            qint64 done = 0;
            while (done < size) {
                const ssize_t n = ::write(fd, data + done, size_t(size - done));
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0) {
                    error = n < 0 ? errno : EIO;
                    setErrorString(systemError(error));
                    return done > 0 ? done : -1;
                }
                done += n;
            }
            return done;
        }

    private:
        int fd;
    };

#ifdef Q_OS_LINUX
    // Copies every extended attribute (user attributes, ACLs, security labels) from one open file to
    // another. False when one cannot be set: the new file would not be what the old one was.
    bool copyAttributes(int from, int to)
    {
        std::vector<char> names(1024);
        ssize_t length = ::flistxattr(from, names.data(), names.size());
        if (length < 0 && errno == ERANGE) {
            length = ::flistxattr(from, nullptr, 0);
            names.resize(size_t(std::max<ssize_t>(length, 0)));
            length = length > 0 ? ::flistxattr(from, names.data(), names.size()) : length;
        }
        if (length < 0)
            return errno == ENOTSUP; // a file system without attributes: there are none to keep
        std::vector<char> value(256);
        for (const char* name = names.data(); name < names.data() + length; name += std::strlen(name) + 1) {
            ssize_t size = ::fgetxattr(from, name, value.data(), value.size());
            if (size < 0 && errno == ERANGE) {
                size = ::fgetxattr(from, name, nullptr, 0);
                value.resize(size_t(std::max<ssize_t>(size, 0)));
                size = size > 0 ? ::fgetxattr(from, name, value.data(), value.size()) : size;
            }
            if (size < 0 || ::fsetxattr(to, name, value.data(), size_t(size), 0) != 0)
                return false;
        }
        return true;
    }
#endif

    // One write of one file.
    class Rewrite
    {
    public:
        Rewrite(const QString& path, const FileIdentity& loaded)
            : path(encodeFileName(path))
            , loaded(loaded)
        {
        }
        ~Rewrite()
        {
            dropTemp();
            if (original >= 0)
                ::close(original);
        }
        Rewrite(const Rewrite&) = delete;
        Rewrite& operator=(const Rewrite&) = delete;

        WriteResult run(const FileContent& content);

    private:
        QByteArray path;
        FileIdentity loaded;
        int original = -1; // the file as it is now, open for reading and writing; -1 for a new file
        struct stat now = {};
        QByteArray target; // where the temporary file goes: the path, or the file a link leads to
        int temp = -1;
        QByteArray tempName;
        int tempError = 0;

        static WriteResult failed(SaveOutcome outcome, int error = 0)
        {
            return { outcome, false, error ? systemError(error) : QString() };
        }
        std::optional<WriteResult> openOriginal();
        bool makeTemp();
        bool finishTemp();
        void dropTemp();
        WriteResult overwrite(const QByteArray& bytes);
    };

    std::optional<WriteResult> Rewrite::openOriginal()
    {
        // A path that was a file when it was read must not lead anywhere else now.
        const int noFollow = loaded.known && !loaded.viaLink ? O_NOFOLLOW : 0;
        original = ::open(path.constData(), O_RDWR | O_CLOEXEC | noFollow);
        if (original < 0) {
            const int error = errno;
            if (error == ENOENT && !loaded.known)
                return std::nullopt; // a new file
            if (loaded.known && (error == ENOENT || error == ELOOP))
                return failed(SaveOutcome::ChangedByAnotherProgram);
            if (error == EACCES || error == EPERM || error == ETXTBSY)
                return failed(SaveOutcome::ReadOnly);
            if (error == EROFS)
                return failed(SaveOutcome::FolderNotWritable);
            if (error == EISDIR)
                return WriteResult { SaveOutcome::Failed, false, QStringLiteral("a folder") };
            return failed(SaveOutcome::Failed, error);
        }
        if (::fstat(original, &now) != 0)
            return failed(SaveOutcome::Failed, errno);
        if (loaded.known && identityOf(now, loaded.viaLink) != loaded)
            return failed(SaveOutcome::ChangedByAnotherProgram);
        if (!S_ISREG(now.st_mode))
            return WriteResult { SaveOutcome::Failed, false, QStringLiteral("not a regular file") };
        // The superuser could write a file that nobody may write, but its owner marked it read-only.
        if (!(now.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)))
            return failed(SaveOutcome::ReadOnly);
        if (loaded.viaLink || !loaded.known) {
            // The new file replaces the one the link leads to, not the link; that one must be the file
            // just checked.
            char* real = ::realpath(path.constData(), nullptr);
            struct stat there;
            const bool same = real && ::lstat(real, &there) == 0 && there.st_dev == now.st_dev
                && there.st_ino == now.st_ino;
            target = real ? QByteArray(real) : QByteArray();
            std::free(real);
            if (!same)
                return failed(SaveOutcome::ChangedByAnotherProgram);
        }
        return std::nullopt;
    }

    bool Rewrite::makeTemp()
    {
        const qsizetype slash = target.lastIndexOf('/');
        tempName = target.left(slash + 1) + '.' + target.mid(slash + 1) + ".XXXXXX";
#ifdef Q_OS_LINUX
        temp = ::mkostemp(tempName.data(), O_CLOEXEC);
#else
        temp = ::mkstemp(tempName.data());
#endif
        if (temp < 0) {
            tempError = errno;
            tempName.clear();
            return false;
        }
        // Only the superuser may give a file away, and an owner only to a group of their own.
        if (original >= 0 && ::fchown(temp, now.st_uid, now.st_gid) != 0) {
            dropTemp();
            return false;
        }
        return true;
    }

    // Gives the written temporary file the original's attributes and mode: after the writing, which
    // would clear the set-user-ID and set-group-ID bits of a file written by an ordinary user.
    bool Rewrite::finishTemp()
    {
        if (original < 0)
            return ::fchmod(temp, S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH) == 0;
#ifdef Q_OS_LINUX
        if (!copyAttributes(original, temp))
            return false;
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
        const qint64 oldSize = now.st_size;
        QByteArray old;
        int error = 0;
        if (!readStart(original, oldSize, old, error))
            return failed(
                error == ENODATA ? SaveOutcome::ChangedByAnotherProgram : SaveOutcome::Failed, error);
#ifdef Q_OS_LINUX
        // Reserving the room first makes a full disk fail here, before the file changes; a file system
        // that cannot reserve still has the old bytes written back below.
        if (!bytes.isEmpty() && ::fallocate(original, FALLOC_FL_KEEP_SIZE, 0, bytes.size()) != 0
            && isDiskFull(errno))
            return failed(SaveOutcome::DiskFull, errno);
#endif
        bool written = writeStart(original, bytes.constData(), bytes.size(), error);
        // Only complete new content makes the file shorter.
        if (written && bytes.size() < oldSize && ::ftruncate(original, bytes.size()) != 0) {
            error = errno;
            written = false;
        }
        if (written) {
            // A write by anyone but the superuser clears these bits.
            if (now.st_mode & (S_ISUID | S_ISGID))
                ::fchmod(original, now.st_mode & 07777);
            return {};
        }
        int ignored = 0;
        const bool restored =
            writeStart(original, old.constData(), oldSize, ignored) && ::ftruncate(original, oldSize) == 0;
        WriteResult result = failed(isDiskFull(error) ? SaveOutcome::DiskFull : SaveOutcome::Failed, error);
        if (!restored)
            result.error += QStringLiteral("; the old content could not be put back");
        return result;
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
            const TerminationDeferred whileOverwriting;
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            if (!content(buffer))
                return { SaveOutcome::Failed, true, {} };
            return overwrite(buffer.data());
        }

        FdDevice out(temp);
        if (!content(out)) {
            if (!out.error)
                return { SaveOutcome::Failed, true, {} };
            return failed(isDiskFull(out.error) ? SaveOutcome::DiskFull : SaveOutcome::Failed, out.error);
        }
        if (finishTemp() && ::rename(tempName.constData(), target.constData()) == 0) {
            tempName.clear();
            return {};
        }
        // The new file could not be made the old one: its content goes over the original instead.
        QByteArray bytes;
        int error = 0;
        struct stat written;
        if (::fstat(temp, &written) != 0 || !readStart(temp, written.st_size, bytes, error))
            return failed(SaveOutcome::Failed, error ? error : errno);
        dropTemp();
        const TerminationDeferred whileOverwriting;
        return overwrite(bytes);
    }

} // namespace

WriteResult writeFile(const QString& path, const FileIdentity& loaded, const FileContent& content)
{
    Rewrite rewrite(path, loaded);
    return rewrite.run(content);
}

#else

// Elsewhere: the new content always replaces the old one through a temporary file and a rename.
WriteResult writeFile(const QString& path, const FileIdentity& loaded, const FileContent& content)
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
