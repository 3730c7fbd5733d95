#pragma once

#include <QString>
#include <QStringList>

namespace engine
{

// Where the journals of in-place rewrites are kept: $XDG_STATE_HOME/Textmend
// (~/.local/state/Textmend).
QString journalFolder();

// Puts back the files whose rewrite in place was cut short (the program killed or crashed, the power
// cut), from the journals such a rewrite leaves behind. A file gets its old bytes back only when it is
// still the file the journal names, as the interrupted write left it; any other file is left alone.
// A journal that was not complete is dropped (its file was not touched yet); one that a running
// program still holds is left to it. Returns one sentence per file, for the user.
QStringList replayJournals();

} // namespace engine

#ifdef Q_OS_UNIX
#include <QByteArray>
#include <vector>

namespace engine
{

// What an in-place rewrite records before it overwrites a byte: which file, what it was, and for
// every run of changed blocks the old bytes and a checksum of each new block.
struct JournalEntry {
    static constexpr qint64 kBlock = 4096;
    struct Run {
        qint64 offset = 0, length = 0;
    };
    quint64 device = 0, inode = 0;
    qint64 oldSize = 0, newSize = 0;
    qint64 oldModified = 0; // nanoseconds
    qint64 started = 0; // when the rewrite began, nanoseconds, as file times count it
    quint32 mode = 0;
    QByteArray path;
    std::vector<Run> runs;
    QByteArray oldBytes; // the old bytes of every run in turn, cut at the old size
    std::vector<quint64> newBlocks; // the checksum of every new block of every run in turn
};

quint64 blockChecksum(const char* data, qint64 size);

// The journal of one rewrite, on the disk while it lives. Another program that starts meanwhile sees
// that it is held and leaves it alone.
class Journal
{
public:
    Journal() = default;
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;
    // Writes the entry and puts it on the disk; 0, or the system's error.
    int create(const JournalEntry& entry);
    // The file is whole again: the journal goes.
    void remove();

private:
    int fd = -1;
    QByteArray name;
};

} // namespace engine
#endif
