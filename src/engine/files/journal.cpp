#include "engine/files/journal.h"

#include "engine/files/filenames.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <QDir>
#include <QFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace engine
{

QString journalFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/Textmend");
}

#ifdef Q_OS_UNIX

namespace
{
    constexpr char kMagic[8] = { 'T', 'M', 'J', 'O', 'U', 'R', 'N', '1' };
    constexpr qint64 kBlock = JournalEntry::kBlock;

    template <typename T> void put(QByteArray& out, T value)
    {
        out.append(reinterpret_cast<const char*>(&value), sizeof value);
    }

    // Reads what put() wrote; any read past the end makes the whole reading fail.
    struct Reader {
        const QByteArray& data;
        qsizetype at = 0;
        bool ok = true;
        template <typename T> T get()
        {
            T value {};
            if (!ok || data.size() - at < qsizetype(sizeof value)) {
                ok = false;
                return value;
            }
            std::memcpy(&value, data.constData() + at, sizeof value);
            at += sizeof value;
            return value;
        }
        QByteArray bytes(qint64 size)
        {
            if (!ok || size < 0 || data.size() - at < size) {
                ok = false;
                return {};
            }
            at += size;
            return data.mid(at - size, size);
        }
    };

    QByteArray serialized(const JournalEntry& e)
    {
        QByteArray out(kMagic, sizeof kMagic);
        out.reserve(e.oldBytes.size() + qsizetype(e.newBlocks.size() * 8) + e.path.size() + 256);
        for (qint64 value :
            { qint64(e.device), qint64(e.inode), e.oldSize, e.newSize, e.oldModified, e.started })
            put(out, value);
        put(out, e.mode);
        put(out, qint64(e.path.size()));
        out += e.path;
        put(out, qint64(e.runs.size()));
        for (const JournalEntry::Run& run : e.runs) {
            put(out, run.offset);
            put(out, run.length);
        }
        out += e.oldBytes;
        for (quint64 sum : e.newBlocks)
            put(out, sum);
        put(out, blockChecksum(out.constData(), out.size()));
        return out;
    }

    // The entry a journal holds; nothing when it is not whole or fails its checksum.
    std::optional<JournalEntry> parsed(const QByteArray& data)
    {
        if (data.size() < qsizetype(sizeof kMagic + 8)
            || std::memcmp(data.constData(), kMagic, sizeof kMagic) != 0)
            return std::nullopt;
        quint64 sum = 0;
        std::memcpy(&sum, data.constData() + data.size() - 8, 8);
        if (sum != blockChecksum(data.constData(), data.size() - 8))
            return std::nullopt;
        Reader in { data, sizeof kMagic };
        JournalEntry e;
        e.device = quint64(in.get<qint64>());
        e.inode = quint64(in.get<qint64>());
        e.oldSize = in.get<qint64>();
        e.newSize = in.get<qint64>();
        e.oldModified = in.get<qint64>();
        e.started = in.get<qint64>();
        e.mode = in.get<quint32>();
        e.path = in.bytes(in.get<qint64>());
        const qint64 runs = in.get<qint64>();
        qint64 oldBytes = 0, blocks = 0;
        for (qint64 i = 0; in.ok && i < runs; ++i) {
            const JournalEntry::Run run { in.get<qint64>(), in.get<qint64>() };
            if (run.offset < 0 || run.length <= 0 || run.offset % kBlock != 0)
                return std::nullopt;
            e.runs.push_back(run);
            oldBytes += std::clamp<qint64>(e.oldSize - run.offset, 0, run.length);
            blocks += (run.length + kBlock - 1) / kBlock;
        }
        e.oldBytes = in.bytes(oldBytes);
        for (qint64 i = 0; in.ok && i < blocks; ++i)
            e.newBlocks.push_back(in.get<quint64>());
        if (!in.ok || in.at != data.size() - 8)
            return std::nullopt;
        return e;
    }

    bool readAll(int fd, QByteArray& data)
    {
        struct stat st;
        if (::fstat(fd, &st) != 0)
            return false;
        data.resize(qsizetype(st.st_size));
        for (qsizetype done = 0; done < data.size();) {
            const ssize_t n = ::pread(fd, data.data() + done, size_t(data.size() - done), done);
            if (n <= 0)
                return n == 0 && (data.resize(done), true);
            done += n;
        }
        return true;
    }

    bool writeAt(int fd, const char* data, qint64 size, qint64 offset)
    {
        for (qint64 done = 0; done < size;) {
            const ssize_t n = ::pwrite(fd, data + done, size_t(size - done), off_t(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += n;
        }
        return true;
    }

    void syncFolder(const QByteArray& folder)
    {
        const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
    }

    qint64 nanoseconds(const struct timespec& time)
    {
        return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
    }

    enum class FileState { Old, Torn, New, Other };

    // What the file holds where the rewrite wrote: the old bytes, the new ones, a mixture of both
    // (blocks are written whole), or something else.
    FileState stateOf(int fd, const struct stat& st, const JournalEntry& e)
    {
        if (!S_ISREG(st.st_mode) || quint64(st.st_dev) != e.device || quint64(st.st_ino) != e.inode)
            return FileState::Other;
        if (st.st_size < std::min(e.oldSize, e.newSize) || st.st_size > std::max(e.oldSize, e.newSize))
            return FileState::Other;
        const qint64 modified = nanoseconds(st.st_mtim);
        if (modified != e.oldModified && modified < e.started)
            return FileState::Other;
        bool allOld = st.st_size == e.oldSize, allNew = st.st_size == e.newSize;
        QByteArray now(kBlock, 0), old(kBlock, 0);
        qint64 oldAt = 0;
        std::size_t block = 0;
        for (const JournalEntry::Run& run : e.runs) {
            for (qint64 at = run.offset; at < run.offset + run.length; at += kBlock, ++block) {
                const qint64 size = std::min(kBlock, run.offset + run.length - at);
                now.fill(0, kBlock);
                old.fill(0, kBlock);
                const qint64 present = std::clamp<qint64>(st.st_size - at, 0, size);
                if (present > 0 && ::pread(fd, now.data(), size_t(present), at) != ssize_t(present))
                    return FileState::Other;
                const qint64 oldPresent = std::clamp<qint64>(e.oldSize - at, 0, size);
                std::memcpy(old.data(), e.oldBytes.constData() + oldAt, size_t(oldPresent));
                oldAt += oldPresent;
                const bool isOld = std::memcmp(now.constData(), old.constData(), size_t(size)) == 0;
                const bool isNew = blockChecksum(now.constData(), size) == e.newBlocks[block];
                if (!isOld && !isNew)
                    return FileState::Other;
                allOld = allOld && isOld;
                allNew = allNew && isNew;
            }
        }
        return allNew ? FileState::New : allOld ? FileState::Old : FileState::Torn;
    }

    bool putBack(int fd, const JournalEntry& e)
    {
        if (::ftruncate(fd, e.oldSize) != 0)
            return false;
        qint64 oldAt = 0;
        for (const JournalEntry::Run& run : e.runs) {
            const qint64 size = std::clamp<qint64>(e.oldSize - run.offset, 0, run.length);
            if (!writeAt(fd, e.oldBytes.constData() + oldAt, size, run.offset))
                return false;
            oldAt += size;
        }
        if (e.mode & (S_ISUID | S_ISGID))
            ::fchmod(fd, mode_t(e.mode & 07777));
        const struct timespec times[2] = { { 0, UTIME_OMIT },
            { time_t(e.oldModified / 1'000'000'000), long(e.oldModified % 1'000'000'000) } };
        ::futimens(fd, times);
        return ::fdatasync(fd) == 0;
    }

    // Replays one journal, held by `fd`; a sentence for the user, or nothing.
    QString replay(int fd, const QByteArray& name)
    {
        QByteArray data;
        const auto entry = readAll(fd, data) ? parsed(data) : std::nullopt;
        if (!entry) {
            ::unlink(name.constData()); // never finished: the file was not touched yet
            return {};
        }
        const QString file = shownFileName(decodeFileName(entry->path));
        const int target = ::open(entry->path.constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        struct stat st;
        if (target < 0 || ::fstat(target, &st) != 0) {
            if (target >= 0)
                ::close(target);
            ::unlink(name.constData());
            return QStringLiteral("%1 was left alone: it is no longer there.").arg(file);
        }
        QString said;
        switch (stateOf(target, st, *entry)) {
        case FileState::New:
            break; // the rewrite had finished; only its journal was left
        case FileState::Other:
            said = QStringLiteral("%1 was left alone: it was changed or replaced since.").arg(file);
            break;
        case FileState::Old:
        case FileState::Torn:
            if (!putBack(target, *entry)) {
                ::close(target);
                return QStringLiteral("%1 could not be restored: %2.")
                    .arg(file, QString::fromLocal8Bit(std::strerror(errno)));
            }
            said = QStringLiteral("%1 was restored to its content before the interrupted write.").arg(file);
            break;
        }
        ::close(target);
        ::unlink(name.constData());
        return said;
    }
} // namespace

quint64 blockChecksum(const char* data, qint64 size)
{
    quint64 sum = 0x243F6A8885A308D3ull ^ quint64(size);
    qint64 at = 0;
    for (; at + 8 <= size; at += 8) {
        quint64 word;
        std::memcpy(&word, data + at, 8);
        sum = ((sum ^ word) * 0x9E3779B97F4A7C15ull);
        sum ^= sum >> 31;
    }
    for (; at < size; ++at)
        sum = (sum ^ uchar(data[at])) * 0x100000001B3ull;
    return sum ^ (sum >> 29);
}

Journal::~Journal()
{
    if (fd >= 0)
        ::close(fd);
}

int Journal::create(const JournalEntry& entry)
{
    static std::atomic<unsigned> counter = 0; // files may be written on several threads at once
    const QByteArray folder = QFile::encodeName(journalFolder());
    QDir().mkpath(journalFolder());
    QByteArray partial;
    do {
        name = folder + '/' + QByteArray::number(::getpid()) + '-' + QByteArray::number(++counter);
        partial = name + ".partial";
        fd = ::open(partial.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    } while (fd < 0 && errno == EEXIST);
    name += ".journal";
    if (fd < 0)
        return errno;
    // Held until the journal goes: a program that starts meanwhile must not replay it.
    ::flock(fd, LOCK_EX);
    const QByteArray data = serialized(entry);
    int error = 0;
    if (!writeAt(fd, data.constData(), data.size(), 0) || ::fdatasync(fd) != 0
        || ::rename(partial.constData(), name.constData()) != 0)
        error = errno ? errno : EIO;
    if (error) {
        ::unlink(partial.constData());
        ::close(fd);
        fd = -1;
        return error;
    }
    syncFolder(folder);
    return 0;
}

void Journal::remove()
{
    if (fd < 0)
        return;
    ::unlink(name.constData());
    ::close(fd);
    fd = -1;
}

QStringList replayJournals()
{
    QStringList said;
    const QDir folder(journalFolder());
    const QStringList names = folder.entryList(
        { QStringLiteral("*.journal"), QStringLiteral("*.partial") }, QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& entry : names) {
        const QByteArray name = QFile::encodeName(folder.filePath(entry));
        const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) { // else a running program writes it now
            if (entry.endsWith(QLatin1String(".partial")))
                ::unlink(name.constData());
            else if (const QString sentence = replay(fd, name); !sentence.isEmpty())
                said << sentence;
        }
        ::close(fd);
    }
    return said;
}

#else

QStringList replayJournals()
{
    return {};
}

#endif

} // namespace engine
