#pragma once

#include "engine/files/bytechanges.h"
#include "engine/files/outcomes.h"

#include <functional>
#include <optional>
#include <QString>
#include <vector>

namespace engine
{

// What a run wrote, file by file, so that it can be taken back exactly: for each file written, its
// path, how many replacements went into it, the spans of bytes that changed with their old bytes, and
// what the file was right after the write.
struct RunJournalEntry {
    QString path; // absolute
    qint64 replacements = 0;
    ByteChanges changes;
};

class RunJournal
{
public:
    // `memory`: what the memory free is taken to be (0: what the system says when the first file is
    // added). The journal keeps at most a quarter of it.
    explicit RunJournal(qint64 memory = 0);

    // Keeps what a file's write changed; past the journal's share of the memory, only that the file
    // was written, which Undo cannot take back (false then).
    bool add(const QString& path, qint64 replacements, ByteChanges changes);
    const std::vector<RunJournalEntry>& entries() const { return m_entries; }
    bool isEmpty() const { return m_entries.empty(); }

    // Writes the journal to `file` (replaced whole, or not at all; files whose changes were not kept
    // are left out) and reads it back. A file that is
    // not a journal, or one cut short or damaged, reads as nothing, with the reason in `why`.
    bool save(const QString& file, QString* why = nullptr) const;
    static std::optional<RunJournal> load(const QString& file, QString* why = nullptr);

private:
    std::vector<RunJournalEntry> m_entries;
    qint64 m_memory;
    qint64 m_kept = 0; // bytes held by the changes kept so far
};

enum class UndoOutcome {
    Restored,
    ChangedSinceRun, // the file is not what the run left: another program (or a later run) changed it
    Missing, // the file is not there any more
    Unreadable,
    NotWritten, // the write was refused or failed: `saved` says why
    NotRecorded, // the run made more changes to the file than the memory could keep
};

struct UndoResult {
    UndoOutcome outcome = UndoOutcome::Restored;
    SaveOutcome saved = SaveOutcome::Written; // with NotWritten
    QString error; // what the system said, when it said something
};

// Puts back in the entry's file the old bytes of every span the run changed, through the same safe
// write as a run (see writeFile). A file that is not exactly what the run left is not touched. The
// file is read a few megabytes at a time; `pieceDone` hears of each piece, so that a window can keep
// answering while a large file is taken back.
UndoResult undoEntry(const RunJournalEntry& entry, const std::function<void()>& pieceDone = {});

// A short, user-facing reason, e.g. "changed since the run: not undone".
QString describe(const UndoResult& result);

} // namespace engine
