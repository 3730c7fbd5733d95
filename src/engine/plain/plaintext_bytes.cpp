// What a plain-text document does with its file's bytes: where a visible position lies in them,
// searching them without decoding, and writing the file back with the edits.
#include "engine/files/bytechanges.h"
#include "engine/plain/plaintext.h"
#include "engine/text/growth.h"
#include "engine/text/search.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace engine
{

namespace
{
    constexpr qsizetype kOutBufferSize = qsizetype(1) << 20;
}

// The last known place at or before the visible position `target`, or null. Searches and writes go
// forward, so the place looked up last is tried first.
const PlainText::Anchor* PlainText::anchorAtOrBefore(qsizetype target) const
{
    if (anchors.empty() || anchors.front().visible > target)
        return nullptr;
    std::size_t at = anchorHint < anchors.size() && anchors[anchorHint].visible <= target ? anchorHint : 0;
    if (at + 1 < anchors.size() && anchors[at + 1].visible <= target) {
        if (at + 2 < anchors.size() && anchors[at + 2].visible <= target) {
            const auto after = std::upper_bound(
                anchors.begin() + at, anchors.end(), target, [](qsizetype visible, const Anchor& a) {
                    return visible < a.visible;
                });
            at = std::size_t(after - anchors.begin()) - 1;
        } else {
            ++at;
        }
    }
    anchorHint = at;
    return &anchors[at];
}

void PlainText::remember(qsizetype visiblePos, qsizetype bytePos)
{
    if (anchors.empty() || (anchors.back().visible < visiblePos && anchors.back().byte < bytePos)) {
        if (anchors.size() == anchors.capacity())
            moveToCapacity(anchors, promisedCapacity(anchors.size(), bytePos, byteCount));
        anchors.push_back({ visiblePos, bytePos });
    }
}

bool PlainText::appendPending(QString& out, qsizetype position, qsizetype count) const
{
    qsizetype visPos = 0, bytePos = bom;
    const qsizetype from = byteOffset(visPos, bytePos, position);
    if (visPos != position)
        return false;
    const qsizetype at = out.size();
    out.resize(at + count + 1); // room for both halves of a pair at the end
    qsizetype end = from;
    const qsizetype written =
        decodeUtf8Units(bytes, byteCount, from, reinterpret_cast<char16_t*>(out.data() + at), count, end);
    // A piece that ends inside a four-byte character ends with its first half, as it does in the
    // decoded text: the view asks for such a character alone to keep it whole.
    const bool whole = written == count || written == count + 1;
    out.resize(whole ? at + count : at);
    return whole;
}

// Moves the cursor (visPos, bytePos) forward to the visible position `target` and returns the byte
// offset there. A target inside a surrogate pair ends up after the pair.
qsizetype PlainText::byteOffset(qsizetype& visPos, qsizetype& bytePos, qsizetype target) const
{
    if (const Anchor* known = target > visPos ? anchorAtOrBefore(target) : nullptr;
        known && known->visible > visPos) {
        visPos = known->visible;
        bytePos = known->byte;
    }
    const bool wide = enc == TextEncoding::Utf16LE || enc == TextEncoding::Utf16BE;
    const bool oneByte = enc == TextEncoding::Windows1252 || asciiOnly;
    if (!hasCR && (oneByte || wide)) {
        visPos = std::max(visPos, target);
        bytePos = bom + (wide ? 2 : 1) * visPos;
        return bytePos;
    }
    if (oneByte) {
        while (visPos < target) {
            const qsizetype span = std::min(target - visPos, byteCount - bytePos);
            if (span <= 0)
                break;
            const void* cr = std::memchr(bytes + bytePos, '\r', size_t(span));
            if (!cr) {
                bytePos += span;
                visPos += span;
                break;
            }
            const qsizetype skip = static_cast<const uchar*>(cr) - (bytes + bytePos);
            bytePos += skip + ((bytePos + skip + 1 < byteCount && bytes[bytePos + skip + 1] == '\n') ? 2 : 1);
            visPos += skip + 1;
        }
        return bytePos;
    }
    if (wide) {
        const bool little = enc == TextEncoding::Utf16LE;
        auto unit = [&](qsizetype at) {
            return little ? char16_t(bytes[at] | bytes[at + 1] << 8)
                          : char16_t(bytes[at] << 8 | bytes[at + 1]);
        };
        while (visPos < target && bytePos + 1 < byteCount) {
            const bool crlf = unit(bytePos) == '\r' && bytePos + 3 < byteCount && unit(bytePos + 2) == '\n';
            bytePos += crlf ? 4 : 2;
            ++visPos;
        }
        return bytePos;
    }
    if (invalidUtf8) {
        // Character by character, each byte that begins no character counting as one.
        while (visPos < target && bytePos < byteCount) {
            if (bytes[bytePos] == '\r') {
                bytePos += (bytePos + 1 < byteCount && bytes[bytePos + 1] == '\n') ? 2 : 1;
                ++visPos;
                continue;
            }
            const int length = utf8SequenceLength(bytes, byteCount, bytePos);
            bytePos += std::max(length, 1);
            visPos += length == 4 ? 2 : 1;
        }
        return bytePos;
    }
    // Valid UTF-8: whole runs of bytes are counted while far from the target, then character by
    // character. A run of k bytes reads as at most k + 1 units (the lead of a surrogate pair at its
    // end), so the runs never reach the target; they may stop inside a character or a CRLF pair,
    // already counted.
    while (target - visPos > 8 && bytePos < byteCount) {
        const qsizetype span = std::min(target - visPos - 2, byteCount - bytePos);
        visPos += utf16Length(bytes, bytePos, bytePos + span);
        bytePos += span;
    }
    while (visPos < target && bytePos < byteCount) {
        const uchar b = bytes[bytePos];
        if ((b & 0xC0) == 0x80 || (b == '\n' && bytePos > 0 && bytes[bytePos - 1] == '\r')) {
            ++bytePos;
            continue;
        }
        if (b < 0x80) {
            bytePos += (b == '\r' && bytePos + 1 < byteCount && bytes[bytePos + 1] == '\n') ? 2 : 1;
            visPos += 1;
        } else if (b < 0xE0) {
            bytePos += 2;
            visPos += 1;
        } else if (b < 0xF0) {
            bytePos += 3;
            visPos += 1;
        } else {
            bytePos += 4;
            visPos += 2;
        }
    }
    return std::min(bytePos, byteCount);
}

qsizetype PlainText::findInBytes(
    const Matcher& matcher, qsizetype from, qsizetype to, const std::function<bool(const ByteMatch&)>& accept)
{
    // A cursor on a known pair of places, visible and in bytes, from which a hit is counted.
    qsizetype visPos = 0, bytePos = bom;
    byteOffset(visPos, bytePos, from);
    // The search looks a little way ahead first and twice as far after each miss: looking through the
    // whole rest of the file for a letter that it lacks (the capital of a needle in lowercase text)
    // at every match made ignoring case cost time in the square of the file's size. A match found
    // before the last 3 bytes per unit of the needle (and a few more) is whole.
    const qsizetype reserve = 3 * matcher.size() + 8;
    qsizetype window = 64;
    for (qsizetype searchFrom = bytePos;;) {
        qsizetype length = 0;
        const qsizetype limit = std::min(byteCount, searchFrom + window + reserve);
        const qsizetype hit = matcher.indexInUtf8(bytes, limit, searchFrom, length);
        if (limit < byteCount && (hit < 0 || hit >= limit - reserve)) {
            searchFrom = limit - reserve;
            window *= 2;
            continue;
        }
        if (hit < 0)
            return -1;
        const qsizetype start = visPos + utf16Length(bytes, bytePos, hit);
        const qsizetype end = start + matcher.size();
        if (end > to)
            return -1;
        remember(start, hit);
        if (accept({ start, hit, hit + length })) {
            remember(end, hit + length);
            return start;
        }
        visPos = start;
        bytePos = hit;
        searchFrom = hit + 1;
    }
}

char32_t PlainText::codePointBeforeByte(qsizetype at) const
{
    return utf8CodePointBefore(bytes, bom, at);
}

char32_t PlainText::codePointAtByte(qsizetype at) const
{
    return utf8CodePointAt(bytes, byteCount, at);
}

// True when the edit puts back the very text it replaces, which lies between the bytes `from` and
// `to`.
bool PlainText::unchanged(const Edit& edit, qsizetype from, qsizetype to) const
{
    if (edit.text.size() != edit.length || edit.start + edit.length > visible.size)
        return false;
    if (!pending) {
        for (qsizetype i = 0; i < edit.length; ++i)
            if (edit.text.at(i).unicode() != visible.at(edit.start + i))
                return false;
        return true;
    }
    std::vector<char16_t> original(size_t(edit.length) + 1);
    qsizetype end = from;
    return decodeUtf8Units(bytes, to, from, original.data(), edit.length, end) == edit.length
        && std::equal(original.begin(), original.begin() + edit.length, edit.text.utf16());
}

bool PlainText::write(const EditList& edits, QIODevice& out, ByteChanges* changes) const
{
    outBuffer.resize(0);
    outBuffer.reserve(kOutBufferSize);
    bool ok = true;
    const char* raw = reinterpret_cast<const char*>(bytes);
    qsizetype visPos = 0, bytePos = bom, copied = 0;
    auto flush = [&] {
        if (!outBuffer.isEmpty())
            ok = ok && out.write(outBuffer) == outBuffer.size();
        outBuffer.resize(0);
    };
    auto put = [&](const char* data, qsizetype length) {
        if (length <= 0)
            return;
        if (length >= kOutBufferSize / 4) {
            flush();
            ok = ok && out.write(data, length) == length;
            return;
        }
        if (outBuffer.size() + length > kOutBufferSize)
            flush();
        const qsizetype used = outBuffer.size();
        outBuffer.resize(used + length);
        std::memcpy(outBuffer.data() + used, data, size_t(length));
    };

    ChangeRecorder recorder(QByteArrayView(raw, byteCount), changes);

    const QChar* encodedFor = nullptr;
    qsizetype encodedLength = -1;
    QByteArray encoded;
    for (const Edit& edit : edits) {
        const qsizetype start = byteOffset(visPos, bytePos, edit.start);
        const qsizetype end = byteOffset(visPos, bytePos, edit.start + edit.length);
        if (unchanged(edit, start, end))
            continue; // the matched text keeps its own bytes
        // Bytes outside the replaced spans are copied as they are, even where a kept CR and an LF
        // now meet and read as one line break: the file's bytes are the user's.
        put(raw + copied, start - copied);
        recorder.kept(copied, start - copied);
        if (edit.text.constData() != encodedFor || edit.text.size() != encodedLength) {
            encoded = encodeInserted(edit.text, enc, ending);
            encodedFor = edit.text.constData();
            encodedLength = edit.text.size();
        }
        put(encoded.constData(), encoded.size());
        recorder.inserted(encoded.size());
        copied = end;
        if (!ok)
            return false;
    }
    put(raw + copied, byteCount - copied);
    recorder.kept(copied, byteCount - copied);
    recorder.finish();
    flush();
    return ok;
}

} // namespace engine
