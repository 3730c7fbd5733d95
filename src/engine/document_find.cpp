#include "engine/document.h"
#include "engine/document_private.h"

namespace engine
{

namespace
{

    char32_t codePointBefore(const TextModel& model, qsizetype pos)
    {
        if (pos <= 0)
            return 0;
        const char16_t unit = model.at(pos - 1);
        if (QChar::isLowSurrogate(unit) && pos >= 2) {
            const char16_t high = model.at(pos - 2);
            if (QChar::isHighSurrogate(high))
                return QChar::surrogateToUcs4(high, unit);
        }
        return unit;
    }

    char32_t codePointAt(const TextModel& model, qsizetype pos)
    {
        if (pos >= model.length())
            return 0;
        const char16_t unit = model.at(pos);
        if (QChar::isHighSurrogate(unit) && pos + 1 < model.length()) {
            const char16_t low = model.at(pos + 1);
            if (QChar::isLowSurrogate(low))
                return QChar::surrogateToUcs4(unit, low);
        }
        return unit;
    }

} // namespace

// A match found in a plain file's bytes must not cut a word either. The character before it may be
// the end of the replacement just made; the text is decoded for that only when the replacement does
// not say it by itself.
bool Document::Private::acceptableInBytes(const PlainText::ByteMatch& match, bool wholeWord)
{
    if (!wholeWord)
        return true;
    const qsizetype at = match.start + model.tailShift();
    char32_t before = 0;
    if (at > model.tailStart()) {
        before = plain.codePointBeforeByte(match.from);
    } else if (at > 0) {
        const QString& inserted = model.edits().back().text;
        if (!inserted.isEmpty() && !inserted.back().isSurrogate()) {
            before = inserted.back().unicode();
        } else {
            ensureText();
            before = codePointBefore(model, at);
        }
    }
    if (isWordChar(before) && isWordChar(plain.codePointAtByte(match.from)))
        return false;
    return !(isWordChar(plain.codePointBeforeByte(match.to)) && isWordChar(plain.codePointAtByte(match.to)));
}

bool Document::Private::acceptable(qsizetype at, qsizetype size, bool wholeWord) const
{
    if (wholeWord) {
        // A match must not cut a word: at each end, the characters on both sides are not both word
        // characters.
        if (isWordChar(codePointBefore(model, at)) && isWordChar(codePointAt(model, at)))
            return false;
        if (isWordChar(codePointBefore(model, at + size)) && isWordChar(codePointAt(model, at + size)))
            return false;
    }
    if (rich || package) {
        const qsizetype from = model.toOriginal(at);
        const qsizetype to = model.toOriginal(at + size);
        if (to > from
            && (rich ? rich->crossesBarrier(from, to - from) : package->crossesBarrier(from, to - from)))
            return false;
    }
    return true;
}

qsizetype Document::find(
    QStringView needle, std::optional<qsizetype> start, std::optional<qsizetype> end, int options)
{
    const qsizetype length = d->model.length();
    qsizetype from = 0, to = length;
    if (start) {
        from = std::max<qsizetype>(*start, 0);
    } else if (!end && d->selLength > 0) {
        from = d->selStart;
        to = d->selStart + d->selLength;
    }
    if (end)
        to = std::min(*end, length);
    if (needle.isEmpty() || from > length || to <= from)
        return -1;

    const bool matchCase = options & rtfMatchCase;
    if (!d->matcher || d->matcherCase != matchCase || d->matcherNeedle != needle) {
        d->matcherNeedle = needle.toString();
        d->matcherCase = matchCase;
        d->matcher.emplace(normalizedBreaks(d->matcherNeedle), matchCase);
    }
    const Matcher& matcher = *d->matcher;
    const bool wholeWord = options & rtfWholeWord;

    // A plain UTF-8 file is searched in its own bytes as long as the search runs over text that no
    // edit has touched.
    if (d->origin == Origin::Plain && d->plain.searchesBytes() && matcher.searchesUtf8()
        && from >= d->model.tailStart()) {
        const qsizetype shift = d->model.tailShift();
        const qsizetype found =
            d->plain.findInBytes(matcher, from - shift, to - shift, [&](const PlainText::ByteMatch& match) {
                return d->acceptableInBytes(match, wholeWord);
            });
        if (found < 0)
            return -1;
        d->selStart = found + shift;
        d->selLength = matcher.size();
        return d->selStart;
    }
    d->ensureText();

    // Usually the search starts after the last replacement, where the text is the original one
    // shifted; otherwise it runs over the whole current text, assembled once per change.
    TextRef text;
    qsizetype shift = 0;
    if (from >= d->model.tailStart()) {
        text = d->model.original();
        shift = d->model.tailShift();
    } else {
        if (d->scratchRevision != d->revision) {
            d->scratch = d->model.text();
            d->scratchRevision = d->revision;
        }
        text = TextRef { nullptr, reinterpret_cast<const char16_t*>(d->scratch.utf16()), d->scratch.size() };
    }
    // Looking a little way ahead first, as the byte search does, keeps a letter the text lacks from
    // being looked for to its end at every match.
    for (qsizetype at = from - shift, window = 64;;) {
        const qsizetype limit = std::min(to - shift, at + window + matcher.size());
        const qsizetype hit = matcher.indexIn(text, at, limit);
        if (hit < 0 && limit < to - shift) {
            at = limit - matcher.size() + 1;
            window *= 2;
            continue;
        }
        if (hit < 0)
            return -1;
        const qsizetype found = hit + shift;
        if (d->acceptable(found, matcher.size(), wholeWord)) {
            d->selStart = found;
            d->selLength = matcher.size();
            return found;
        }
        at = hit + 1;
    }
}

} // namespace engine
