#pragma once

#include "engine/files/fileread.h"

#include <QByteArray>
#include <QByteArrayView>
#include <vector>

namespace engine
{

// What one write changed in a file, whatever its format: the spans of the new bytes that differ from
// the old ones, each with the old bytes it took the place of, and what the file was right after the
// write. Putting every span's old bytes back gives the file as it was before.
class ByteChanges
{
public:
    // The new bytes [offset, offset + length) stand where the old bytes `piece` stood.
    struct Span {
        qint64 offset = 0;
        qint64 length = 0;
        quint32 piece = 0;
    };

    // Spans come in order of their offsets and never overlap. Equal old bytes are kept once: a
    // million replacements of one word hold that word once.
    void add(qint64 offset, qint64 length, QByteArrayView oldBytes);
    // Adds a span whose old bytes are already piece `piece`; false when there is no such piece or the
    // span is out of order.
    bool addSpan(const Span& span);
    quint32 addPiece(const QByteArray& oldBytes);
    void clear();

    const std::vector<Span>& spans() const { return m_spans; }
    const std::vector<QByteArray>& pieces() const { return m_pieces; }
    QByteArrayView oldBytes(const Span& span) const { return m_pieces[span.piece]; }
    bool isEmpty() const { return m_spans.empty(); }

    FileIdentity after; // the file right after the write
    // False when the write made more changes than the memory could keep: none is kept, and the write
    // cannot be taken back.
    bool complete = true;

private:
    std::vector<Span> m_spans;
    std::vector<QByteArray> m_pieces;
    quint32 m_lastPiece = 0;
};

// Follows a writer as it puts together a file's new bytes from the old ones: pieces of the old bytes
// kept as they were, and bytes of its own between them. Whatever lies between two kept pieces,
// inserted or left out, becomes one span. Does nothing without `into`.
class ChangeRecorder
{
public:
    ChangeRecorder(QByteArrayView oldBytes, ByteChanges* into);

    // `length` old bytes from `from` were written as they were.
    void kept(qint64 from, qint64 length);
    // `length` bytes of the writer's own were written.
    void inserted(qint64 length);
    // `length` bytes of the writer's own went in before the last byte written, which was a kept one.
    void insertedBeforeLast(qint64 length);
    // The writing is complete: old bytes that were not kept at the end were left out.
    void finish();

private:
    void close(qint64 keptFrom);

    QByteArrayView old;
    ByteChanges* changes;
    qint64 written = 0; // bytes written so far
    qint64 oldNext = 0; // the old byte that follows the last one kept
    qint64 openAt = -1; // where the bytes of the writer's own began, when some follow the last kept
};

} // namespace engine
