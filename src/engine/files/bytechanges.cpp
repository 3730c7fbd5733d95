#include "engine/files/bytechanges.h"

#include <algorithm>

namespace engine
{

void ByteChanges::add(qint64 offset, qint64 length, QByteArrayView oldBytes)
{
    quint32 piece = m_lastPiece;
    if (m_pieces.empty() || QByteArrayView(m_pieces[piece]) != oldBytes) {
        // Spans take turns between a few old texts (the find string, and nothing before an insertion);
        // the first few are looked up, any other is kept anew.
        const auto end = m_pieces.begin() + qsizetype(std::min<std::size_t>(m_pieces.size(), 8));
        const auto known = std::find_if(m_pieces.begin(), end, [oldBytes](const QByteArray& piece) {
            return QByteArrayView(piece) == oldBytes;
        });
        piece = known != end ? quint32(known - m_pieces.begin()) : addPiece(oldBytes.toByteArray());
    }
    m_lastPiece = piece;
    m_spans.push_back({ offset, length, piece });
}

bool ByteChanges::addSpan(const Span& span)
{
    if (span.piece >= m_pieces.size() || span.offset < 0 || span.length < 0)
        return false;
    if (!m_spans.empty() && span.offset < m_spans.back().offset + m_spans.back().length)
        return false;
    m_spans.push_back(span);
    return true;
}

quint32 ByteChanges::addPiece(const QByteArray& oldBytes)
{
    m_pieces.push_back(oldBytes);
    return quint32(m_pieces.size() - 1);
}

void ByteChanges::clear()
{
    m_spans.clear();
    m_pieces.clear();
    m_lastPiece = 0;
    after = {};
    complete = true;
}

ChangeRecorder::ChangeRecorder(QByteArrayView oldBytes, ByteChanges* into)
    : old(oldBytes)
    , changes(into)
{
}

void ChangeRecorder::close(qint64 keptFrom)
{
    Q_ASSERT(keptFrom >= oldNext);
    if (openAt < 0 && keptFrom == oldNext)
        return;
    const qint64 start = openAt < 0 ? written : openAt;
    changes->add(start, written - start, old.sliced(oldNext, keptFrom - oldNext));
    openAt = -1;
}

void ChangeRecorder::kept(qint64 from, qint64 length)
{
    if (!changes || length <= 0)
        return;
    close(from);
    written += length;
    oldNext = from + length;
}

void ChangeRecorder::inserted(qint64 length)
{
    if (!changes || length <= 0)
        return;
    if (openAt < 0)
        openAt = written;
    written += length;
}

void ChangeRecorder::insertedBeforeLast(qint64 length)
{
    if (!changes || length <= 0)
        return;
    Q_ASSERT(openAt < 0 && written > 0 && oldNext > 0);
    --written;
    --oldNext;
    inserted(length);
    kept(oldNext, 1);
}

void ChangeRecorder::finish()
{
    if (changes)
        close(old.size());
}

} // namespace engine
