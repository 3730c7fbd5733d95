#pragma once

#include "engine/text/edit.h"
#include "engine/text/textref.h"

#include <functional>
#include <optional>
#include <QString>
#include <vector>

namespace engine
{

// The visible text of a document: its original text, never changed, and the replacements made in
// it, sorted by position in the original. Replacements that move forward (each after the previous
// one, as a replace run makes them) are appended in constant time; the text is never copied.
class TextModel
{
public:
    void reset(TextRef original);
    // The same original text, now with its characters (it may have been given by its length only,
    // and read by nobody until now). The edits stay.
    void setOriginal(TextRef original) { orig = original; }

    const TextRef& original() const { return orig; }
    const EditList& edits() const { return list; }
    qsizetype length() const { return orig.size + shift; }

    // Where the unedited rest of the text begins, and how far it has moved from the original.
    qsizetype tailStart() const { return list.empty() ? 0 : list.back().start + list.back().length + shift; }
    qsizetype tailShift() const { return shift; }

    char16_t at(qsizetype pos) const;
    QString mid(qsizetype pos, qsizetype count) const;
    // The same, with the original text read by `original` (which appends `count` characters from
    // `from` to `out`, or returns false when it cannot) instead of the text reference.
    using OriginalReader = std::function<bool(QString& out, qsizetype from, qsizetype count)>;
    std::optional<QString> mid(qsizetype pos, qsizetype count, const OriginalReader& original) const;
    QString text() const { return mid(0, length()); }
    // The original position of a position of the text; inside inserted text, where that text begins.
    qsizetype toOriginal(qsizetype pos) const;

    // Replaces `count` characters from `pos` (positions of the current text) by `text`.
    void replace(qsizetype pos, qsizetype count, const QString& text);

private:
    qsizetype shiftBefore(std::size_t i) const { return i == 0 ? 0 : shiftAfter[i - 1]; }
    qsizetype currentStart(std::size_t i) const { return list[i].start + shiftBefore(i); }
    // The number of edits whose inserted text begins at or before `pos`.
    std::size_t editsUpTo(qsizetype pos) const;
    void rebuild(qsizetype pos, qsizetype count, const QString& text);
    void makeRoomForEdits(qsizetype at);

    TextRef orig;
    EditList list;
    std::vector<qsizetype> shiftAfter; // length change of the text up to and including edit i
    qsizetype shift = 0;
};

} // namespace engine
