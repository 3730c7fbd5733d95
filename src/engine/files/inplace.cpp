#include "engine/files/inplace.h"

#ifdef Q_OS_UNIX
#include "engine/files/journal.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef Q_OS_LINUX
#include "engine/files/attributes.h"
#endif

namespace engine
{

namespace
{
    constexpr qint64 kBlock = JournalEntry::kBlock;
    constexpr qint64 kPiece = 1 << 20; // written at a time

    bool isDiskFull(int error)
    {
        return error == ENOSPC || error == EDQUOT;
    }

    WriteResult failed(SaveOutcome outcome, int error = 0)
    {
        return { outcome, false, error ? QString::fromLocal8Bit(std::strerror(error)) : QString() };
    }

    // Writes `size` bytes at `offset`; false with the reason in `error` when the system refuses some.
    bool writeAt(int fd, const char* data, qint64 size, qint64 offset, int& error)
    {
        for (qint64 done = 0; done < size;) {
            const ssize_t n = ::pwrite(fd, data + done, size_t(size - done), off_t(offset + done));
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

    // Whether `a` and `b` hold the same bytes in [from, from + size), each with zeros past its end.
    bool sameBlock(const QByteArray& a, const QByteArray& b, qint64 from, qint64 size)
    {
        const qint64 inA = std::clamp<qint64>(a.size() - from, 0, size);
        const qint64 inB = std::clamp<qint64>(b.size() - from, 0, size);
        const qint64 both = std::min(inA, inB);
        if (both > 0 && std::memcmp(a.constData() + from, b.constData() + from, size_t(both)) != 0)
            return false;
        const QByteArray& longer = inA > inB ? a : b;
        for (qint64 at = from + both; at < from + std::max(inA, inB); ++at) {
            if (longer[at] != 0)
                return false;
        }
        return true;
    }

    // Runs of the blocks that differ between the old and the new content, each padded with zeros to
    // the longer of the two; what lies in neither is a hole, which stays one.
    std::vector<JournalEntry::Run> changedRuns(const QByteArray& old, const QByteArray& bytes)
    {
        std::vector<JournalEntry::Run> runs;
        const qint64 span = std::max(old.size(), bytes.size());
        for (qint64 at = 0; at < span; at += kBlock) {
            const qint64 size = std::min(kBlock, span - at);
            if (sameBlock(old, bytes, at, size))
                continue;
            if (!runs.empty() && runs.back().offset + runs.back().length == at)
                runs.back().length += size;
            else
                runs.push_back({ at, size });
        }
        return runs;
    }

    qint64 nanoseconds(const struct timespec& time)
    {
        return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
    }

    JournalEntry entryFor(const struct stat& now, const QByteArray& path, const QByteArray& old,
        const QByteArray& bytes, std::vector<JournalEntry::Run> runs)
    {
        JournalEntry e;
        e.device = quint64(now.st_dev);
        e.inode = quint64(now.st_ino);
        e.oldSize = old.size();
        e.newSize = bytes.size();
        e.oldModified = nanoseconds(now.st_mtim);
        // File times come from the coarse clock.
        struct timespec started;
        ::clock_gettime(CLOCK_REALTIME_COARSE, &started);
        e.started = nanoseconds(started) - 10'000'000;
        e.mode = quint32(now.st_mode);
        e.path = path;
        QByteArray block(kBlock, 0);
        for (const JournalEntry::Run& run : runs) {
            e.oldBytes += old.mid(run.offset, std::clamp<qint64>(old.size() - run.offset, 0, run.length));
            for (qint64 at = run.offset; at < run.offset + run.length; at += kBlock) {
                const qint64 size = std::min(kBlock, run.offset + run.length - at);
                block.fill(0, kBlock);
                const qint64 present = std::clamp<qint64>(bytes.size() - at, 0, size);
                std::memcpy(block.data(), bytes.constData() + at, size_t(present));
                e.newBlocks.push_back(blockChecksum(block.constData(), size));
            }
        }
        e.runs = std::move(runs);
        return e;
    }

    // Writes the new bytes of every run, cut at the new size, and sets the new size.
    bool writeRuns(int fd, const JournalEntry& e, const QByteArray& bytes, int& error)
    {
        for (const JournalEntry::Run& run : e.runs) {
            const qint64 end = std::min(run.offset + run.length, qint64(bytes.size()));
            for (qint64 at = run.offset; at < end; at += kPiece) {
                if (!writeAt(fd, bytes.constData() + at, std::min(kPiece, end - at), at, error))
                    return false;
                reachedMoment(WriteMoment::PieceWritten);
            }
        }
        if (e.newSize != e.oldSize && ::ftruncate(fd, e.newSize) != 0) {
            error = errno;
            return false;
        }
        return true;
    }

    bool putBack(int fd, const JournalEntry& e)
    {
        if (::ftruncate(fd, e.oldSize) != 0)
            return false;
        qint64 oldAt = 0;
        int ignored = 0;
        for (const JournalEntry::Run& run : e.runs) {
            const qint64 size = std::clamp<qint64>(e.oldSize - run.offset, 0, run.length);
            if (!writeAt(fd, e.oldBytes.constData() + oldAt, size, run.offset, ignored))
                return false;
            oldAt += size;
        }
        return ::fdatasync(fd) == 0;
    }

    // Reserving the room first makes a full disk fail before the file changes; a file system that
    // cannot reserve still has the old bytes written back. Only what would otherwise take new blocks
    // is reserved: the growth, and in a sparse file the runs, so that no hole is filled.
    int reserve(int fd, const struct stat& now, const JournalEntry& e)
    {
#ifdef Q_OS_LINUX
        auto room = [fd](qint64 from, qint64 to) {
            return to <= from || ::fallocate(fd, FALLOC_FL_KEEP_SIZE, from, to - from) == 0
                || !isDiskFull(errno);
        };
        const bool sparse = qint64(now.st_blocks) * 512 < e.oldSize;
        for (const JournalEntry::Run& run : e.runs) {
            const qint64 from = sparse ? run.offset : std::max(run.offset, e.oldSize);
            if (!room(from, std::min(run.offset + run.length, e.newSize)))
                return errno;
        }
#else
        Q_UNUSED(fd);
        Q_UNUSED(now);
        Q_UNUSED(e);
#endif
        return 0;
    }
} // namespace

WriteResult overwriteInPlace(int fd, const struct stat& now, const FileIdentity& loaded,
    const QByteArray& path, const QByteArray& bytes)
{
    QByteArray old;
    int error = 0;
    if (!readStart(fd, now.st_size, old, error))
        return failed(error == ENODATA ? SaveOutcome::ChangedByAnotherProgram : SaveOutcome::Failed, error);
    const JournalEntry entry = entryFor(now, path, old, bytes, changedRuns(old, bytes));
    if (entry.runs.empty())
        return {};
#ifdef Q_OS_LINUX
    const QByteArray capability = capabilityOf(fd);
#endif

    Journal journal;
    if (const int journalError = journal.create(entry))
        return failed(isDiskFull(journalError) ? SaveOutcome::DiskFull : SaveOutcome::Failed, journalError);
    reachedMoment(WriteMoment::JournalFlushed);
    // The last look before the first byte changes.
    struct stat last;
    if (::fstat(fd, &last) != 0 || (loaded.known && identityOf(last, loaded.viaLink) != loaded)) {
        journal.remove();
        return failed(SaveOutcome::ChangedByAnotherProgram);
    }
    if (const int full = reserve(fd, now, entry)) {
        journal.remove();
        return failed(SaveOutcome::DiskFull, full);
    }

    const TerminationDeferred whileOverwriting;
    if (writeRuns(fd, entry, bytes, error)) {
        // A write by anyone but the superuser clears these bits, and the system drops a capability.
        if (now.st_mode & (S_ISUID | S_ISGID))
            ::fchmod(fd, now.st_mode & 07777);
#ifdef Q_OS_LINUX
        restoreCapability(fd, capability);
#endif
        // The journal may go only once the new content is on the disk.
        if (::fdatasync(fd) == 0) {
            journal.remove();
            return {};
        }
        error = errno;
    }
    if (!putBack(fd, entry)) {
        // The journal stays: the next start puts the old bytes back.
        WriteResult result = failed(SaveOutcome::NotRestored, error);
        result.error =
            describe(SaveOutcome::NotRestored) + (result.error.isEmpty() ? QString() : ": " + result.error);
        return result;
    }
    journal.remove();
    return failed(isDiskFull(error) ? SaveOutcome::DiskFull : SaveOutcome::Failed, error);
}

} // namespace engine
#endif
