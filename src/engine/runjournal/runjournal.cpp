#include "engine/runjournal/runjournal.h"

#include "engine/files/filepieces.h"
#include "engine/files/filewrite.h"

#include <algorithm>
#include <QDataStream>
#include <QFile>
#include <QSaveFile>

namespace engine
{

namespace
{
    // A journal file: this mark and version, the number of files, then for each file its path, its
    // replacements, its identity after the run, its distinct old texts and its spans.
    constexpr quint32 kMark = 0x544D4A4E; // "TMJN"
    constexpr quint32 kVersion = 1;
    constexpr qint64 kPieceSize = qint64(4) << 20; // read at a time when a file is taken back

    void writeIdentity(QDataStream& out, const FileIdentity& id)
    {
        out << id.known << id.viaLink << id.device << id.inode << id.size << id.modified << id.changed;
    }
    FileIdentity readIdentity(QDataStream& in)
    {
        FileIdentity id;
        in >> id.known >> id.viaLink >> id.device >> id.inode >> id.size >> id.modified >> id.changed;
        return id;
    }

    void fail(QString* why, const QString& reason)
    {
        if (why)
            *why = reason;
    }

    // Collects small pieces of output into large writes.
    class Writer
    {
    public:
        explicit Writer(QIODevice& out)
            : device(out)
        {
            buffer.reserve(kSize);
        }
        void put(const char* data, qint64 length)
        {
            if (length >= kSize / 4) {
                flush();
                ok = ok && device.write(data, length) == length;
                return;
            }
            if (buffer.size() + length > kSize)
                flush();
            buffer.append(data, length);
        }
        bool finish()
        {
            flush();
            return ok;
        }

    private:
        void flush()
        {
            if (!buffer.isEmpty())
                ok = ok && device.write(buffer) == buffer.size();
            buffer.resize(0);
        }
        static constexpr qint64 kSize = qint64(1) << 20;
        QIODevice& device;
        QByteArray buffer;
        bool ok = true;
    };
} // namespace

RunJournal::RunJournal(qint64 memory)
    : m_memory(memory)
{
}

bool RunJournal::add(const QString& path, qint64 replacements, ByteChanges changes)
{
    if (m_memory <= 0)
        m_memory = memoryAvailable() > 0 ? memoryAvailable() : qint64(4) << 30;
    qint64 size = qint64(changes.spans().size() * sizeof(ByteChanges::Span));
    for (const QByteArray& piece : changes.pieces())
        size += piece.size();
    if (m_kept + size > m_memory / 4) {
        changes.clear();
        changes.complete = false;
    }
    const bool kept = changes.complete;
    m_kept += kept ? size : 0;
    m_entries.push_back({ path, replacements, std::move(changes) });
    return kept;
}

bool RunJournal::save(const QString& file, QString* why) const
{
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        fail(why, out.errorString());
        return false;
    }
    QDataStream stream(&out);
    stream.setVersion(QDataStream::Qt_6_0);
    const auto kept = std::count_if(m_entries.begin(), m_entries.end(), [](const RunJournalEntry& entry) {
        return entry.changes.complete;
    });
    stream << kMark << kVersion << quint64(kept);
    for (const RunJournalEntry& entry : m_entries) {
        if (!entry.changes.complete)
            continue;
        stream << entry.path << entry.replacements;
        writeIdentity(stream, entry.changes.after);
        stream << quint64(entry.changes.pieces().size());
        for (const QByteArray& piece : entry.changes.pieces())
            stream << piece;
        stream << quint64(entry.changes.spans().size());
        for (const ByteChanges::Span& span : entry.changes.spans())
            stream << span.offset << span.length << span.piece;
    }
    if (stream.status() != QDataStream::Ok || !out.commit()) {
        fail(why, out.errorString());
        return false;
    }
    return true;
}

std::optional<RunJournal> RunJournal::load(const QString& file, QString* why)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        fail(why, in.errorString());
        return std::nullopt;
    }
    QDataStream stream(&in);
    stream.setVersion(QDataStream::Qt_6_0);
    quint32 mark = 0, version = 0;
    quint64 files = 0;
    stream >> mark >> version >> files;
    if (mark != kMark || version != kVersion) {
        fail(why, QStringLiteral("not a journal of this program"));
        return std::nullopt;
    }
    const auto damaged = [why] {
        fail(why, QStringLiteral("the journal is damaged or cut short"));
        return std::nullopt;
    };
    RunJournal journal;
    for (quint64 f = 0; f < files && stream.status() == QDataStream::Ok; ++f) {
        RunJournalEntry entry;
        stream >> entry.path >> entry.replacements;
        entry.changes.after = readIdentity(stream);
        quint64 pieces = 0;
        stream >> pieces;
        for (quint64 p = 0; p < pieces && stream.status() == QDataStream::Ok; ++p) {
            QByteArray piece;
            stream >> piece;
            entry.changes.addPiece(piece);
        }
        quint64 spans = 0;
        stream >> spans;
        for (quint64 s = 0; s < spans && stream.status() == QDataStream::Ok; ++s) {
            ByteChanges::Span span;
            stream >> span.offset >> span.length >> span.piece;
            if (stream.status() == QDataStream::Ok && !entry.changes.addSpan(span))
                return damaged();
        }
        journal.m_entries.push_back(std::move(entry));
    }
    if (stream.status() != QDataStream::Ok || journal.m_entries.size() != files || !in.atEnd())
        return damaged();
    return journal;
}

UndoResult undoEntry(const RunJournalEntry& entry, const std::function<void()>& pieceDone)
{
    if (!entry.changes.complete)
        return { UndoOutcome::NotRecorded, SaveOutcome::Written, {} };
    // Read a piece at a time: a file too large to hold is taken back as it was replaced.
    FilePieces now;
    const ReadResult read = now.open(entry.path);
    if (read.outcome == LoadOutcome::Missing)
        return { UndoOutcome::Missing, SaveOutcome::Written, {} };
    if (read.outcome != LoadOutcome::Loaded)
        return { UndoOutcome::Unreadable, SaveOutcome::Written, read.error };
    const std::vector<ByteChanges::Span>& spans = entry.changes.spans();
    const bool fits = spans.empty() || spans.back().offset + spans.back().length <= now.size();
    if (!entry.changes.after.known || now.identity() != entry.changes.after || !fits)
        return { UndoOutcome::ChangedSinceRun, SaveOutcome::Written, {} };

    QString why;
    const auto content = [&](QIODevice& out) {
        Writer writer(out);
        QByteArray piece(qsizetype(std::min<qint64>(now.size(), kPieceSize)), Qt::Uninitialized);
        auto copy = [&](qint64 from, qint64 to) {
            while (from < to) {
                const qint64 got =
                    now.read(from, piece.data(), std::min<qint64>(to - from, piece.size()), &why);
                if (got <= 0)
                    return false;
                writer.put(piece.constData(), got);
                from += got;
                if (pieceDone)
                    pieceDone();
            }
            return true;
        };
        qint64 copied = 0;
        for (const ByteChanges::Span& span : spans) {
            if (!copy(copied, span.offset))
                return false;
            const QByteArrayView old = entry.changes.oldBytes(span);
            writer.put(old.data(), old.size());
            copied = span.offset + span.length;
        }
        return copy(copied, now.size()) && writer.finish() && now.unchanged();
    };
    const WriteResult written = writeFile(entry.path, now.identity(), content);
    if (written.contentRefused && !now.unchanged())
        return { UndoOutcome::ChangedSinceRun, SaveOutcome::Written, {} };
    if (written.contentRefused)
        return { UndoOutcome::Unreadable, SaveOutcome::Written, why };
    if (written.outcome != SaveOutcome::Written)
        return { UndoOutcome::NotWritten, written.outcome, written.error };
    return {};
}

QString describe(const UndoResult& result)
{
    switch (result.outcome) {
    case UndoOutcome::Restored:
        return QStringLiteral("restored");
    case UndoOutcome::ChangedSinceRun:
        return QStringLiteral("changed since the run: not undone");
    case UndoOutcome::Missing:
        return QStringLiteral("not undone: ") + describe(LoadOutcome::Missing);
    case UndoOutcome::Unreadable:
        return QStringLiteral("not undone: ") + describe(LoadOutcome::Unreadable);
    case UndoOutcome::NotWritten:
        return QStringLiteral("not undone: ") + describe(result.saved);
    case UndoOutcome::NotRecorded:
        return QStringLiteral("too many changes to take back: not undone");
    }
    return {};
}

} // namespace engine
