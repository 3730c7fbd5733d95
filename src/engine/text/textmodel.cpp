#include "engine/text/textmodel.h"

#include "engine/text/growth.h"

#include <algorithm>

namespace engine
{

void TextModel::reset(TextRef original)
{
    orig = original;
    list.clear();
    shiftAfter.clear();
    shift = 0;
}

std::size_t TextModel::editsUpTo(qsizetype pos) const
{
    std::size_t lo = 0, hi = list.size();
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (currentStart(mid) <= pos)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

char16_t TextModel::at(qsizetype pos) const
{
    if (pos >= tailStart())
        return orig.at(pos - shift);
    const std::size_t n = editsUpTo(pos);
    if (n == 0)
        return orig.at(pos);
    const qsizetype offset = pos - currentStart(n - 1);
    const Edit& edit = list[n - 1];
    if (offset < edit.text.size())
        return edit.text.at(offset).unicode();
    return orig.at(pos - shiftAfter[n - 1]);
}

qsizetype TextModel::toOriginal(qsizetype pos) const
{
    if (pos >= tailStart())
        return pos - shift;
    const std::size_t n = editsUpTo(pos);
    if (n == 0)
        return pos;
    if (pos - currentStart(n - 1) < list[n - 1].text.size())
        return list[n - 1].start;
    return pos - shiftAfter[n - 1];
}

QString TextModel::mid(qsizetype pos, qsizetype count) const
{
    return *mid(pos, count, [this](QString& out, qsizetype from, qsizetype n) {
        orig.appendTo(out, from, n);
        return true;
    });
}

std::optional<QString> TextModel::mid(qsizetype pos, qsizetype count, const OriginalReader& original) const
{
    QString out;
    pos = std::clamp<qsizetype>(pos, 0, length());
    count = std::clamp<qsizetype>(count, 0, length() - pos);
    if (count == 0)
        return out;
    out.reserve(count);
    if (pos >= tailStart())
        return original(out, pos - shift, count) ? std::optional(std::move(out)) : std::nullopt;
    std::size_t n = editsUpTo(pos);
    qsizetype end = pos + count;
    while (pos < end) {
        if (n > 0) {
            const Edit& edit = list[n - 1];
            const qsizetype offset = pos - currentStart(n - 1);
            if (offset < edit.text.size()) {
                const qsizetype take = std::min(edit.text.size() - offset, end - pos);
                out.append(QStringView(edit.text).mid(offset, take));
                pos += take;
                continue;
            }
        }
        // Original text up to the next edit.
        const qsizetype limit = n < list.size() ? currentStart(n) : end;
        const qsizetype take = std::min(limit, end) - pos;
        if (take > 0) {
            if (!original(out, pos - shiftBefore(n), take))
                return std::nullopt;
            pos += take;
        }
        if (n < list.size() && pos >= currentStart(n))
            ++n;
    }
    return out;
}

void TextModel::replace(qsizetype pos, qsizetype count, const QString& text)
{
    pos = std::clamp<qsizetype>(pos, 0, length());
    count = std::clamp<qsizetype>(count, 0, length() - pos);
    if (count == 0 && text.isEmpty())
        return;
    if (pos < tailStart()) {
        rebuild(pos, count, text);
        return;
    }
    const qsizetype start = pos - shift;
    if (list.size() == list.capacity())
        makeRoomForEdits(start);
    if (!list.empty() && list.back().length == 0 && list.back().start == start) {
        // Two edits must not begin at the same place: join an insertion with what follows it.
        list.back().length = count;
        list.back().text += text;
    } else {
        list.push_back(Edit { start, count, text });
        shiftAfter.push_back(shift);
    }
    shift += text.size() - count;
    shiftAfter.back() = shift;
}

void TextModel::makeRoomForEdits(qsizetype at)
{
    const std::size_t wanted = promisedCapacity(list.size(), at, orig.size);
    moveToCapacity(list, wanted);
    moveToCapacity(shiftAfter, wanted);
}

// An edit among earlier edits: lay the text out as pieces of the original and of inserted text,
// put the new text in, and derive the edits again. Rare (a user's own edit), so linear in the edits.
void TextModel::rebuild(qsizetype pos, qsizetype count, const QString& text)
{
    struct Piece {
        qsizetype from = 0, to = 0; // original span, when `inserted` is empty
        QString inserted;
        bool isOriginal = true;
    };
    std::vector<Piece> pieces;
    qsizetype origAt = 0;
    for (const Edit& edit : list) {
        if (edit.start > origAt)
            pieces.push_back({ origAt, edit.start, {}, true });
        if (!edit.text.isEmpty())
            pieces.push_back({ 0, 0, edit.text, false });
        origAt = edit.start + edit.length;
    }
    if (origAt < orig.size)
        pieces.push_back({ origAt, orig.size, {}, true });

    // Cut the pieces at pos and pos + count, and drop what lies between.
    std::vector<Piece> result;
    qsizetype at = 0;
    const qsizetype end = pos + count;
    bool placed = false;
    auto place = [&] {
        if (!placed && !text.isEmpty())
            result.push_back({ 0, 0, text, false });
        placed = true;
    };
    for (const Piece& piece : pieces) {
        const qsizetype size = piece.isOriginal ? piece.to - piece.from : piece.inserted.size();
        const qsizetype pieceEnd = at + size;
        auto keep = [&](qsizetype a, qsizetype b) { // current span [a, b) of this piece
            if (b <= a)
                return;
            if (piece.isOriginal)
                result.push_back({ piece.from + (a - at), piece.from + (b - at), {}, true });
            else
                result.push_back({ 0, 0, piece.inserted.mid(a - at, b - a), false });
        };
        keep(at, std::min(pieceEnd, pos));
        if (pieceEnd >= pos)
            place();
        keep(std::max(at, end), pieceEnd);
        at = pieceEnd;
    }
    place();

    list.clear();
    shiftAfter.clear();
    shift = 0;
    origAt = 0;
    QString pending;
    for (const Piece& piece : result) {
        if (!piece.isOriginal) {
            pending += piece.inserted;
            continue;
        }
        if (piece.from > origAt || !pending.isEmpty()) {
            list.push_back(Edit { origAt, piece.from - origAt, pending });
            shift += pending.size() - (piece.from - origAt);
            shiftAfter.push_back(shift);
            pending.clear();
        }
        origAt = piece.to;
    }
    if (origAt < orig.size || !pending.isEmpty()) {
        list.push_back(Edit { origAt, orig.size - origAt, pending });
        shift += pending.size() - (orig.size - origAt);
        shiftAfter.push_back(shift);
    }
}

} // namespace engine
